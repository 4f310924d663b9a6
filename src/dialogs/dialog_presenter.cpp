#include "dialogs/dialog_presenter.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

class QtDialogs final : public DialogPresenter {
public:
    FileAnswer askFile(const FileRequest& r) override {
        QFileDialog dialog(r.owner, r.title, r.initialDir);
        dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!r.confirmOverwrite)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        QStringList names;
        for (const auto& [description, patterns] : r.filters) {
            QString p = patterns;
            names << description + QStringLiteral(" (") + p.replace(u';', u' ') + u')';
        }
        if (!names.isEmpty()) {
            dialog.setNameFilters(names);
            dialog.selectNameFilter(names.value(std::max(0, r.filterIndex), names.first()));
        }
        if (!r.defaultExt.isEmpty())
            dialog.setDefaultSuffix(r.defaultExt);
        if (!r.fileName.isEmpty())
            dialog.selectFile(r.fileName);
        FileAnswer a;
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            a.accepted = true;
            a.path = dialog.selectedFiles().first();
        }
        return a;
    }

    bool ask(QWidget* owner, const QString& title, const QString& question) override {
        return QMessageBox::question(owner, title, question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
    void warn(QWidget* owner, const QString& title, const QString& text) override {
        QMessageBox::warning(owner, title, text);
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
