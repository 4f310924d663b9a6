#pragma once

#include <QObject>

class Form1;

// Files dropped on the main window play at once. The hook sees a drop before
// the window's own handling and lets every other event through; it is put in
// at the window's load and taken out at the first step of its close, after
// which drops are no longer handled.
namespace mdHeaven {

class WindowProc : public QObject {
public:
    explicit WindowProc(Form1* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form1* window_;
};

void HookWindow(Form1* window);
void UnhookWindow(Form1* window);

} // namespace mdHeaven
