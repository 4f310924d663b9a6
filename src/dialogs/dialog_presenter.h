#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// Shows the common dialogs. The program's one presenter shows Qt's dialogs;
// tests put in one that answers without showing anything.
class DialogPresenter {
public:
    struct FileRequest {
        QWidget* owner = nullptr;
        bool save = false;
        QString title;
        QList<QPair<QString, QString>> filters; // description, patterns
        int filterIndex = 0;                    // 0-based filter shown first
        QString initialDir;
        QString fileName; // proposed
        QString defaultExt;
        bool confirmOverwrite = false;
        bool mustExist = false;
    };
    struct FileAnswer {
        bool accepted = false;
        QString path;
    };

    virtual ~DialogPresenter() = default;
    virtual FileAnswer askFile(const FileRequest& request) = 0;
    // A Yes/No question, No the default; true for Yes.
    virtual bool ask(QWidget* owner, const QString& title, const QString& question) = 0;
    // Something the person must know went wrong; waits for OK.
    virtual void warn(QWidget* owner, const QString& title, const QString& text) = 0;

    static DialogPresenter& current();
    // Tests: nullptr puts the Qt dialogs back.
    static void setForTesting(DialogPresenter* presenter);
};
