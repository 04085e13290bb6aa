#include "Artwork.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WidgetDialogs.h"
#include "WindowFont.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillgraver"));
    QApplication::setWindowIcon(qg::programIcon());
    QApplication::setFont(qg::windowFont());

    // Qt's own dialogs speak Russian too, where its translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    qg::WidgetDialogs dialogs;
    TForm1 form1(dialogs);
    TForm2 form2(&form1);
    dialogs.attach(&form1, &form2);

    form1.show();
    return QApplication::exec();
}
