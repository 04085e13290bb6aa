#include "WidgetDialogs.h"

#include "FontDialog.h"
#include "Unit2.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace qg {

void WidgetDialogs::attach(QWidget* owner, TForm2* confirmation) {
    m_owner = owner;
    m_confirmation = confirmation;
}

QString WidgetDialogs::openFileName(const FileDialogRequest& request) {
    QFileDialog dialog(m_owner, request.title, request.directory, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString WidgetDialogs::saveFileName(const FileDialogRequest& request) {
    QFileDialog dialog(m_owner, request.title, request.directory, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::optional<TColor> WidgetDialogs::chooseColour(TColor initial) {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(colourToArgb(initial)), m_owner);
    if (!chosen.isValid())
        return std::nullopt;
    return colourFromArgb(chosen.rgb());
}

std::optional<LineFont> WidgetDialogs::chooseFont(const LineFont& initial) {
    FontDialog dialog(initial, m_owner);
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
                    QMessageBox::Ok, m_owner);
    box.exec();
}

}  // namespace qg
