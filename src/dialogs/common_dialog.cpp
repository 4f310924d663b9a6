#include "dialogs/common_dialog.h"

#include "dialogs/dialog_presenter.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The flag bits the file dialogs act on.
constexpr std::int32_t OFN_OVERWRITEPROMPT = 0x2;
constexpr std::int32_t OFN_FILEMUSTEXIST = 0x1000;

} // namespace

cCommonDlg::cCommonDlg()
    : filterBuffer_(QStringLiteral("All Files (*.*)") + QChar(u'\0') + QStringLiteral("*.*") +
                    QChar(u'\0'))
    , initDir_(QDir::currentPath()) {}

void cCommonDlg::setFilter(const QString& filter) {
    filter_ = filter;
    QString buffer = filter;
    buffer.replace(u'|', QChar(u'\0'));
    if (!buffer.endsWith(QChar(u'\0')))
        buffer += QChar(u'\0');
    filterBuffer_ = buffer;
}

void cCommonDlg::setAction(std::int16_t action) {
    action_ = action;
    switch (action) {
    case 1:
        ShowOpen();
        break;
    case 2:
        ShowSave();
        break;
    default:
        break;
    }
}

void cCommonDlg::ShowFileDialog(int kind) {
    action_ = static_cast<std::int16_t>(kind);
    lastResult_ = 0;
    errNumber_ = 0;
    if (kind != 1 && kind != 2)
        return;

    DialogPresenter::FileRequest r;
    r.owner = form_;
    r.save = kind == 2;
    r.title = dialogTitle_;
    const QStringList items = filterBuffer_.split(QChar(u'\0'));
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        if (!items[i].isEmpty() || !items[i + 1].isEmpty())
            r.filters.append({items[i], items[i + 1]});
    r.filterIndex = std::max(0, filterIndex_ - 1); // 0 and 1 both name the first
    r.initialDir = initDir_;
    r.fileName = fileName_;
    r.defaultExt = defaultExt_;
    r.confirmOverwrite = (flags_ & OFN_OVERWRITEPROMPT) != 0;
    r.mustExist = (flags_ & OFN_FILEMUSTEXIST) != 0;

    const DialogPresenter::FileAnswer a = DialogPresenter::current().askFile(r);
    lastResult_ = a.accepted ? 1 : 0;
    if (!a.accepted) {
        errNumber_ = 0; // a plain cancel; Qt's dialogs report no other failure
        if (cancelError_) {
            cancelButton_ = true;
            fileName_.clear();
        }
        return;
    }
    fileName_ = a.path; // whole, however long
    fileTitle_ = QFileInfo(a.path).fileName().trimmed();
    // As the system's dialog does: the chosen file's folder becomes current,
    // so relative entries of a list play from the list's folder.
    QDir::setCurrent(QFileInfo(a.path).absolutePath());
}
