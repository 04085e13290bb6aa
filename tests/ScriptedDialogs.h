#pragma once

// The dialog seam answered from a script, for tests that drive the windows.

#include "Dialogs.h"
#include "CompanySealDialog.h"
#include "FontDialog.h"

#include <QList>
#include <QPageSize>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

// Answers every dialog of the window from a script, and records what was
// asked, so that tests drive the window without ever blocking. A dialog
// with no scripted answer counts as cancelled and is recorded as unexpected.
class ScriptedDialogs : public qg::Dialogs {
public:
    struct Message {
        qg::MessageIcon icon;
        QString caption;
        QString text;
    };

    std::deque<QString> openNames;
    std::deque<QString> saveNames;
    std::deque<QString> folderNames;
    std::deque<std::optional<qg::TColor>> colours;
    std::deque<std::optional<qg::LineFont>> fonts;
    // Font dialogs shown and confirmed at once, untouched, before any of
    // `fonts` is taken.
    int untouchedFontDialogs = 0;
    std::deque<qg::Answer> answers;
    // A print is made into the PDF file named here, on an A4 page.
    std::deque<QString> printFiles;
    // The details typed into the company seal assistant, which then
    // presses "Создать" (and nothing else); nothing: the assistant closed.
    std::deque<std::optional<qg::CompanyDetails>> companies;

    QList<qg::FileDialogRequest> openRequests;
    QList<qg::FileDialogRequest> saveRequests;
    QList<qg::FileDialogRequest> folderRequests;
    QList<qg::TColor> colourInitials;
    QList<qg::LineFont> fontInitials;
    QStringList questions;
    QList<Message> messages;
    QList<qg::PrintRequest> printRequests;
    QList<qg::CompanyDetails> companyInitials;
    QStringList unexpected;

    QString openFileName(const qg::FileDialogRequest& request) override {
        openRequests.append(request);
        return take(openNames, "open dialog").value_or(QString());
    }
    QString saveFileName(const qg::FileDialogRequest& request) override {
        saveRequests.append(request);
        return take(saveNames, "save dialog").value_or(QString());
    }
    QString folderName(const qg::FileDialogRequest& request) override {
        folderRequests.append(request);
        return take(folderNames, "folder dialog").value_or(QString());
    }
    std::optional<qg::TColor> chooseColour(qg::TColor initial) override {
        colourInitials.append(initial);
        return take(colours, "colour dialog").value_or(std::nullopt);
    }
    std::optional<qg::LineFont> chooseFont(const qg::LineFont& initial) override {
        fontInitials.append(initial);
        if (untouchedFontDialogs > 0) {
            --untouchedFontDialogs;
            return qg::FontDialog(initial, nullptr).font();
        }
        return take(fonts, "font dialog").value_or(std::nullopt);
    }
    qg::Answer confirm(const QString& question) override {
        questions.append(question);
        return take(answers, "confirmation").value_or(qg::Answer::Cancel);
    }
    void message(qg::MessageIcon icon, const QString& caption, const QString& text) override {
        messages.append(Message{icon, caption, text});
    }

    bool print(const qg::PrintRequest& request) override {
        printRequests.append(request);
        const std::optional<QString> file = take(printFiles, "print dialog");
        if (!file)
            return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(*file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        request.paint(printer);
        return true;
    }

    std::optional<qg::CompanySealChoice> companySeal(const qg::CompanyDetails& initial) override {
        companyInitials.append(initial);
        const std::optional<qg::CompanyDetails> typed = take(companies, "company seal assistant").value_or(std::nullopt);
        if (!typed)
            return std::nullopt;
        qg::CompanySealDialog dialog(initial, nullptr);
        dialog.setDetails(*typed);
        dialog.create();
        return dialog.choice();
    }

    QString lastMessage() const { return messages.isEmpty() ? QString() : messages.constLast().text; }
    bool scriptUsedUp() const {
        return openNames.empty() && saveNames.empty() && folderNames.empty() && colours.empty() && fonts.empty() &&
               answers.empty() && printFiles.empty() && companies.empty() && untouchedFontDialogs == 0;
    }

private:
    template <typename T>
    std::optional<T> take(std::deque<T>& queue, const char* what) {
        if (queue.empty()) {
            unexpected.append(QString::fromLatin1(what));
            return std::nullopt;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
