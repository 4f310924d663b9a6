#include "platform/trash.h"

#include "dialogs/dialog_presenter.h"

#include <QFile>
#include <QFileInfo>

namespace mdRecycled {

Outcome RecycleFile(QWidget* owner, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Outcome::Missing;
    if (!info.isFile())
        return Outcome::NotAFile;
    const QString question =
        QStringLiteral("ファイルをゴミ箱へ移動しますか？\n\n") + info.fileName();
    const QString title = QStringLiteral("ファイルの削除");
    if (!DialogPresenter::current().ask(owner, title, question))
        return Outcome::Declined;
    QFile file(path);
    if (file.moveToTrash())
        return Outcome::Trashed;
    const QString message = QStringLiteral("ゴミ箱へ移動できませんでした。\n\n") + path +
                            QStringLiteral("\n") + file.errorString();
    DialogPresenter::current().warn(owner, title, message);
    return Outcome::Failed;
}

} // namespace mdRecycled
