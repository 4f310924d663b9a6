#include "app/drop_hook.h"

#include "app/form1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace mdHeaven {
namespace {

QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

// The hook of the one hooked window; only the main window is ever hooked.
// It dies with its window.
QPointer<WindowProc> PrevWndProc;

} // namespace

WindowProc::WindowProc(Form1* window)
    : QObject(window)
    , window_(window) {}

bool WindowProc::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (localFiles(drag->mimeData()).isEmpty())
            return false;
        if (event->type() == QEvent::DragEnter)
            emit window_->filesOffered();
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = localFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        emit window_->filesDropped(files);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

void HookWindow(Form1* window) {
    if (PrevWndProc)
        return;
    PrevWndProc = new WindowProc(window);
    window->setAcceptDrops(true);
    window->installEventFilter(PrevWndProc);
}

void UnhookWindow(Form1* window) {
    if (!PrevWndProc)
        return;
    window->removeEventFilter(PrevWndProc);
    window->setAcceptDrops(false);
    delete PrevWndProc;
    PrevWndProc = nullptr;
}

} // namespace mdHeaven
