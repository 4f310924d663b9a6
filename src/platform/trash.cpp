#include "platform/trash.h"

#include "dialogs/dialog_presenter.h"

#include <QFile>
#include <QFileInfo>

namespace mdRecycled {
namespace {

std::function<bool(const QString&)>& confirmHook() {
    static std::function<bool(const QString&)> hook;
    return hook;
}
std::function<void(const QString&)>& reportHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

} // namespace

void setPromptsForTesting(std::function<bool(const QString&)> confirm,
                          std::function<void(const QString&)> report) {
    confirmHook() = std::move(confirm);
    reportHook() = std::move(report);
}

Outcome RecycleFile(QWidget* owner, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Outcome::Missing;
    if (!info.isFile())
        return Outcome::NotAFile;
    const QString question =
        QStringLiteral("ファイルをゴミ箱へ移動しますか？\n\n") + info.fileName();
    const QString title = QStringLiteral("ファイルの削除");
    const bool yes = confirmHook() ? confirmHook()(question)
                                   : DialogPresenter::current().ask(owner, title, question);
    if (!yes)
        return Outcome::Declined;
    QFile file(path);
    if (file.moveToTrash())
        return Outcome::Trashed;
    const QString message = QStringLiteral("ゴミ箱へ移動できませんでした。\n\n") + path +
                            QStringLiteral("\n") + file.errorString();
    if (reportHook())
        reportHook()(message);
    else
        DialogPresenter::current().warn(owner, title, message);
    return Outcome::Failed;
}

} // namespace mdRecycled
