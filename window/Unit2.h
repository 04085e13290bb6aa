#pragma once

// The confirmation dialog of the unsaved-changes prompts.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// The confirmation dialog: shows a question and hands back "Yes", "No" or
// "Cancel".
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Shows the dialog modally with the question and returns the answer.
    QString ask(const QString& question);

    void setQuestion(const QString& question) { m_question = question; }
    QString answer() const { return m_answer; }

    QLabel* TextQ = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void ActivateForm();
    void ButtonClick(QPushButton* sender);

    QString m_question;
    QString m_answer = QStringLiteral("No");
};
