#include "Unit2.h"

#include "Artwork.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral(" Подтверждение"));
    setWindowIcon(qg::programIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(262, 79);
    setModal(true);

    TextQ = new QLabel(this);
    TextQ->setObjectName(QStringLiteral("TextQ"));
    TextQ->setGeometry(8, 8, 250, 33);
    TextQ->setAlignment(Qt::AlignCenter);
    TextQ->setWordWrap(true);

    const struct {
        QPushButton** button;
        const char* name;
        QString caption;
        int left;
    } buttons[] = {
        {&Button1, "Button1", QStringLiteral("Да"), 16},
        {&Button2, "Button2", QStringLiteral("Нет"), 96},
        {&Button3, "Button3", QStringLiteral("Отмена"), 176},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(b.caption, this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setGeometry(b.left, 48, 75, 25);
        button->setAutoDefault(true);  // Enter presses the focused button
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonClick(button); });
        *b.button = button;
    }
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
}

QString TForm2::ask(const QString& question) {
    setQuestion(question);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    exec();
    return m_answer;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ActivateForm();
}

void TForm2::ActivateForm() {
    m_answer = QStringLiteral("No");
    TextQ->setText(m_question);
    Button1->setFocus();
}

void TForm2::ButtonClick(QPushButton* sender) {
    if (sender == Button1)
        m_answer = QStringLiteral("Yes");
    else if (sender == Button2)
        m_answer = QStringLiteral("No");
    else
        m_answer = QStringLiteral("Cancel");
    accept();
}

// Closing the dialog without a button, by its close box or by Escape, must
// not discard anything: it answers "Cancel".
void TForm2::closeEvent(QCloseEvent* event) {
    m_answer = QStringLiteral("Cancel");
    QDialog::closeEvent(event);
}

void TForm2::reject() {
    m_answer = QStringLiteral("Cancel");
    QDialog::reject();
}
