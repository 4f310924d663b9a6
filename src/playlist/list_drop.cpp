// Files, list files and folder trees dropped on the grid become entries.
#include "fs/file_search.h"
#include "fs/folder_walk.h"
#include "platform/path_separator.h"
#include "playlist/frm_list2.h"
#include "playlist/grid_view.h"
#include "playlist/m3u.h"

#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace {

bool isMediaName(const QString& low) {
    static const char* const fourCharacter[] = {".mid", ".wav", ".wma", ".wmv",
                                                ".avi", ".mpg", ".mp3"};
    if (low.endsWith(QLatin1String(".mpeg")))
        return true;
    for (const char* ext : fourCharacter)
        if (low.endsWith(QLatin1String(ext)))
            return true;
    return false;
}

} // namespace

void frmList2::Grid1_OLEDragDrop(const QMimeData* data) {
    view_->setVisible(false);
    // The grid and the pointer come back on every way out; the new rows reach
    // the view in one batch.
    struct Restore {
        frmList2* w;
        ~Restore() {
            w->grid_.endBatch();
            w->setBusy(false, true);
            emit w->entriesChanged();
        }
    } restore{this};
    grid_.beginBatch();

    QStringList files;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    if (!files.isEmpty()) {
        setBusy(true, true);
        for (const QString& name : files) {
            const QString low = name.toLower();
            if (isMediaName(low)) {
                grid_.appendPath(name);
            } else if (low.endsWith(QLatin1String(".m3u"))) {
                // A list file ends the drop: its entries are appended, the
                // items after it are not looked at, the caption stays.
                if (!ReadPlaylist(grid_, name, true))
                    qCInfo(lcList).noquote() << "list not read:" << name;
                return;
            } else {
                Search2::FolderWalk walk;
                const std::int32_t n = walk.ListFolders(name);
                list2_.Clear();
                for (std::int32_t b = 0; b <= n; ++b) {
                    list2_.AddItem(walk.FolderList[static_cast<size_t>(b)]);
                    searchFolder_ = walk.FolderList[static_cast<size_t>(b)];
                    AddFolderFiles();
                }
            }
            grid_.setHighLight(1);
        }
    }
    view_->setVisible(true);
    emit positionWanted();
}

void frmList2::AddFolderFiles() {
    clsFileSearch search;
    search.setSearchPath(searchFolder_);
    search.setFilter(text2_->text());
    if (search.Search() && search.FileCount() > 0) {
        const QString prefix = searchFolder_ + platform::kPathSeparator;
        for (std::int32_t i = 0; i < search.FileCount(); ++i)
            grid_.appendPath(prefix + search.FileName(i));
    } else {
        setWindowTitle(QStringLiteral("?"));
    }
}
