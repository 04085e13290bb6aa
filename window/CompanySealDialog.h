#pragma once

// "Печать организации…": the assistant that makes a company's round seal
// from its details.

#include "Company.h"
#include "Dialogs.h"

#include <QDialog>

#include <array>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qg {

// The company's details in fields, each wrong one shown at its field in red
// as soon as it is left. "Создать" lays the seal out at the chosen size with
// the recommended limits and closes the dialog with it; while a field is
// wrong it only shows what is wrong, and a seal whose texts do not fit is
// not taken: the dialog names the text and offers the next size that fits.
class CompanySealDialog : public QDialog {
    Q_OBJECT
public:
    CompanySealDialog(const CompanyDetails& initial, QWidget* parent);
    ~CompanySealDialog() override;

    // The details as the fields hold them (no КПП for an entrepreneur).
    CompanyDetails details() const;
    void setDetails(const CompanyDetails& details);

    // "Создать": shows every wrong field, or lays the seal out; the dialog
    // is accepted when it fits.
    void create();
    // The button that offers a larger size: sets that size and creates.
    void takeLargerSize();

    // The seal made, once the dialog has been accepted.
    const std::optional<CompanySealChoice>& choice() const { return m_choice; }
    // What "Создать" said about the texts that do not fit; empty when nothing.
    QString shortfall() const;
    // The larger size offered; 0 when none is.
    int offeredSizeMm() const { return m_offeredMm; }
    // The text shown at a field; empty when it is right, or not shown yet.
    QString problemAt(CompanyField field) const;

private:
    static constexpr std::size_t kFieldCount = 8;
    struct FieldRow {
        QWidget* input = nullptr;
        QLabel* problem = nullptr;
        // A problem is shown at the field once it has been left filled in,
        // or once "Создать" has been pressed.
        bool judged = false;
    };

    FieldRow& row(CompanyField field) { return m_rows[static_cast<std::size_t>(field)]; }
    const FieldRow& row(CompanyField field) const { return m_rows[static_cast<std::size_t>(field)]; }
    // The field's input and the label of its problem.
    void addRow(CompanyField field, QWidget* input);
    void judge(CompanyField field);
    // Shows the problems of the judged fields as they now stand.
    void showProblems();
    void formChanged();
    void detailsEdited();
    void clearShortfall();

    std::array<FieldRow, kFieldCount> m_rows;
    std::optional<CompanySealChoice> m_choice;
    int m_offeredMm = 0;

    QComboBox* m_form = nullptr;
    QLineEdit* m_otherForm = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_city = nullptr;
    QLabel* m_ogrnLabel = nullptr;
    QLineEdit* m_ogrn = nullptr;
    QLineEdit* m_inn = nullptr;
    QLineEdit* m_kpp = nullptr;
    QLineEdit* m_centre = nullptr;
    QComboBox* m_size = nullptr;
    QLabel* m_shortfall = nullptr;
    QPushButton* m_larger = nullptr;
    QPushButton* m_create = nullptr;
};

}  // namespace qg
