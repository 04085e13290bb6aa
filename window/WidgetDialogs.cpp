#include "WidgetDialogs.h"

#include "CompanySealDialog.h"
#include "FontDialog.h"
#include "Unit2.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qg {

WidgetDialogs::WidgetDialogs() = default;
WidgetDialogs::~WidgetDialogs() = default;

void WidgetDialogs::attach(QWidget* owner, TForm2* confirmation) {
    m_owner = owner;
    m_confirmation = confirmation;
}

// A dialog asked for from the production window belongs to it, so that it
// comes up over it; any other to the main window.
QWidget* WidgetDialogs::owner() const {
    QWidget* active = QApplication::activeWindow();
    return active && m_owner && active != m_owner && active->parentWidget() == m_owner ? active : m_owner;
}

QString WidgetDialogs::openFileName(const FileDialogRequest& request) {
    QFileDialog dialog(owner(), request.title, request.directory, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString WidgetDialogs::saveFileName(const FileDialogRequest& request) {
    QFileDialog dialog(owner(), request.title, request.directory, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString WidgetDialogs::folderName(const FileDialogRequest& request) {
    QFileDialog dialog(owner(), request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::optional<TColor> WidgetDialogs::chooseColour(TColor initial) {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(colourToArgb(initial)), owner());
    if (!chosen.isValid())
        return std::nullopt;
    return colourFromArgb(chosen.rgb());
}

std::optional<LineFont> WidgetDialogs::chooseFont(const LineFont& initial) {
    FontDialog dialog(initial, owner());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.font();
}

Answer WidgetDialogs::confirm(const QString& question) {
    const QString answer = m_confirmation->ask(question);
    if (answer == QLatin1String("Yes"))
        return Answer::Yes;
    if (answer == QLatin1String("No"))
        return Answer::No;
    return Answer::Cancel;
}

void WidgetDialogs::message(MessageIcon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information, caption, text,
                    QMessageBox::Ok, owner());
    box.exec();
}

bool WidgetDialogs::print(const PrintRequest& request) {
    // The printer is kept from one print to the next, as the user set it up.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter* printer = m_printer.get();
    printer->setDocName(request.title);
    if (request.preview) {
        QPrintPreviewDialog dialog(printer, owner());
        dialog.setWindowTitle(request.title);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&request](QPrinter* target) { request.paint(*target); });
        return dialog.exec() == QDialog::Accepted;
    }
    QPrintDialog dialog(printer, owner());
    dialog.setWindowTitle(request.title);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request.paint(*printer);
    return true;
}

std::optional<CompanySealChoice> WidgetDialogs::companySeal(const CompanyDetails& initial) {
    CompanySealDialog dialog(initial, owner());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

}  // namespace qg
