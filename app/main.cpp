#include "Artwork.h"
#include "ExportCommand.h"
#include "ProductionWindow.h"
#include "StartupProbe.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WidgetDialogs.h"
#include "WindowFont.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QTextStream>
#include <QLibraryInfo>
#include <QLocale>
#include <QFileInfo>
#include <QTimer>
#include <QTranslator>

namespace {

// The program's command-line options; a new option is added here.
void describeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Квиллгрейвер: оттиск офисной печати или штампа.\n"
        "С --export сохраняет оттиски макетов в натуральную величину, без окна;\n"
        "с --check проверяет, получится ли оттиск при изготовлении."));
    // Qt's own single-dash options (-platform, -reverse) must not be taken
    // apart into letters such as -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("макет.qgr"), QStringLiteral("Файлы макетов."),
                                 QStringLiteral("[макет.qgr...]"));
    qg::addExportOptions(parser);
    // For the start-up benchmark: report the first paint and the memory,
    // repaint N times, quit. Never shows a dialog.
    QCommandLineOption measure(QStringLiteral("measure-startup"), QString(), QStringLiteral("N"));
    measure.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(measure);
}

// Answers --help and --version before any window system is touched, so
// that they work without a display: this pass runs under a plain
// QCoreApplication that is gone before any other application object is
// made. Qt's own options are not known here, so parse errors are left to
// the second pass. Returns whether the export or the check is asked for.
bool answerInformationOptions(int argc, char* argv[]) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();  // exits
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();  // exits
    return qg::commandRequested(parser);
}

// The export and the check from the command line: no window and no message box. They
// never open a display, which may be missing or out of reach (a shell over the network,
// a service): everything they draw goes into pictures and files, so they draw offscreen.
int runCommandLine(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the command's own lines go to the error stream.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg || type == QtCriticalMsg)
            QTextStream(stderr) << "quillgraver: " << message << '\n';
    });
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        err << QStringLiteral("quillgraver: %1\n").arg(parser.errorText());
        return 2;
    }
    return qg::runExportCommand(parser, out, err);
}

}  // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QCoreApplication::setApplicationName(QStringLiteral("quillgraver"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QG_VERSION));
    if (answerInformationOptions(argc, argv))
        return runCommandLine(argc, argv);

    QApplication app(argc, argv);
    // The second pass sees the arguments without Qt's own options and
    // reports anything it does not know.
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);

    QApplication::setApplicationName(QStringLiteral("Quillgraver"));
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillgraver.Quillgraver"));
    QApplication::setWindowIcon(qg::programIcon());
    QApplication::setFont(qg::windowFont());

    // Qt's own dialogs speak Russian too, where its translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    const QStringList files = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("measure-startup"))) {
        qg::QuietDialogs quiet;
        TForm1 form1(quiet);
        form1.setProductionWindowFactory(qg::makeProductionWindow);
        QTextStream out(stdout);
        qg::probeStartup(form1, sinceStart, files, parser.value(QStringLiteral("measure-startup")).toInt(), out);
        form1.show();
        return QApplication::exec();
    }

    qg::WidgetDialogs dialogs;
    TForm1 form1(dialogs);
    // The main window opens the production window without knowing it.
    form1.setProductionWindowFactory(qg::makeProductionWindow);
    TForm2 form2(&form1);
    dialogs.attach(&form1, &form2);

    form1.show();
    // Files named on the command line open one after another, each into its
    // kind, as if chosen with "Открыть", once the window is up.
    if (!files.isEmpty())
        QTimer::singleShot(0, &form1, [&form1, files] {
            for (const QString& file : files)
                form1.openDesignFile(QFileInfo(file).absoluteFilePath());
        });
    return QApplication::exec();
}
