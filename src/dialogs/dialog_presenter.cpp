#include "dialogs/dialog_presenter.h"

#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

namespace {

// Takes its owner's dialog away, answered Cancel, when the owner is hidden
// or closed by the program (not when the person minimizes it).
class CancelWithOwner : public QObject {
public:
    explicit CancelWithOwner(QDialog* dialog)
        : dialog_(dialog) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous() && dialog_)
            dialog_->reject();
        return false;
    }

private:
    QPointer<QDialog> dialog_;
};

// Runs a dialog of the owner's: only the owner waits for it, the rest of the
// program stays live. Its result, or Rejected when the owner was hidden or
// went; the dialog is gone afterwards. With the owner hidden already, nothing
// is shown.
int runForOwner(QDialog* dialog, QWidget* owner) {
    QPointer<QDialog> running(dialog);
    QPointer<QWidget> watched(owner);
    CancelWithOwner filter(dialog);
    if (owner) {
        if (!owner->isVisible()) {
            delete dialog;
            return QDialog::Rejected;
        }
        dialog->setWindowModality(Qt::WindowModal);
        owner->installEventFilter(&filter);
    }
    const int result = dialog->exec();
    if (watched)
        watched->removeEventFilter(&filter);
    delete running.data();
    return running ? result : QDialog::Rejected;
}

class QtDialogs final : public DialogPresenter {
public:
    FileAnswer askFile(const FileRequest& r) override {
        auto* dialog = new QFileDialog(r.owner, r.title, r.initialDir);
        dialog->setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!r.confirmOverwrite)
            dialog->setOption(QFileDialog::DontConfirmOverwrite);
        QStringList names;
        for (const auto& [description, patterns] : r.filters) {
            QString p = patterns;
            names << description + QStringLiteral(" (") + p.replace(u';', u' ') + u')';
        }
        if (!names.isEmpty()) {
            dialog->setNameFilters(names);
            dialog->selectNameFilter(names.value(std::max(0, r.filterIndex), names.first()));
        }
        if (!r.defaultExt.isEmpty())
            dialog->setDefaultSuffix(r.defaultExt);
        if (!r.fileName.isEmpty())
            dialog->selectFile(r.fileName);
        FileAnswer a;
        QStringList chosen;
        QObject::connect(dialog, &QFileDialog::filesSelected, dialog,
                         [&chosen](const QStringList& files) { chosen = files; });
        if (runForOwner(dialog, r.owner) == QDialog::Accepted && !chosen.isEmpty()) {
            a.accepted = true;
            a.path = chosen.first();
        }
        return a;
    }

    bool ask(QWidget* owner, const QString& title, const QString& question) override {
        auto* box = new QMessageBox(QMessageBox::Question, title, question,
                                    QMessageBox::Yes | QMessageBox::No, owner);
        box->setDefaultButton(QMessageBox::No);
        return runForOwner(box, owner) == QMessageBox::Yes;
    }
    void warn(QWidget* owner, const QString& title, const QString& text) override {
        runForOwner(new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, owner),
                    owner);
    }
};

DialogPresenter*& override() {
    static DialogPresenter* p = nullptr;
    return p;
}

} // namespace

DialogPresenter& DialogPresenter::current() {
    static QtDialogs qt;
    return override() ? *override() : qt;
}

void DialogPresenter::setForTesting(DialogPresenter* presenter) {
    override() = presenter;
}
