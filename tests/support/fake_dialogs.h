#pragma once

// Answers the common dialogs without showing them, and keeps what was asked.

#include "dialogs/dialog_presenter.h"

#include <QStringList>

#include <functional>

class FakeDialogs : public DialogPresenter {
public:
    FakeDialogs() { DialogPresenter::setForTesting(this); }
    ~FakeDialogs() override { DialogPresenter::setForTesting(nullptr); }

    // The next file dialog's answer: a path, or "" for Cancel.
    QString nextFile;
    QList<FileRequest> asked;

    FileAnswer askFile(const FileRequest& r) override {
        asked.append(r);
        return {!nextFile.isEmpty(), nextFile};
    }
    // Yes/No questions: each one kept, all answered with `answer`, after
    // whatever else happens while the question is open.
    QStringList questions;
    bool answer = false;
    std::function<void()> meanwhile;
    bool ask(QWidget*, const QString&, const QString& question) override {
        questions.append(question);
        if (meanwhile)
            meanwhile();
        return answer;
    }

    void warn(QWidget*, const QString& title, const QString& text) override {
        warnings.append(title + u'|' + text);
    }

    QStringList warnings; // "title|text"
};
