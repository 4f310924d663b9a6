#include "dialogs/running_dialogs.h"

#include <QApplication>
#include <QDialog>

int CancelRunningDialogs() {
    int cancelled = 0;
    QWidget* previous = nullptr;
    while (true) {
        QWidget* w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        // One that stays after being asked is left alone rather than asked forever.
        if (!w || w == previous)
            break;
        previous = w;
        // A message box answers with its escape button; a dialog rejects.
        w->close();
        if (w->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            else
                w->hide();
        }
        ++cancelled;
    }
    return cancelled;
}
