#include "app/not_double.h"

#include "app/form1.h"
#include "app/mpris.h"
#include "platform/process_arguments.h"
#include "platform/single_instance.h"
#include "platform/termination.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace NotDouble {
namespace {

QPointer<QWidget>& lastActive() {
    static QPointer<QWidget> window;
    return window;
}

QPointer<Form1>& mainWindow() {
    static QPointer<Form1> window;
    return window;
}

} // namespace

bool ActivatePrevInstance(SingleInstance& instance) {
    return instance.anotherCopyRuns();
}

void RaiseLastActiveWindow() {
    Form1* main = mainWindow();
    if (main && main->isMinimized())
        main->showNormal();
    QWidget* w = lastActive();
    if (!w || !w->isVisible())
        w = main;
    if (!w)
        return;
    if (w->isMinimized())
        w->showNormal();
    w->raise();
    w->activateWindow();
}

int Main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonoquill"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.sonoquill.Sonoquill"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sonoquill.svg")));

    SingleInstance instance;
    if (ActivatePrevInstance(instance))
        return 0;

    QObject::connect(&app, &QApplication::focusChanged, [](QWidget*, QWidget* now) {
        if (now)
            lastActive() = now->window();
    });
    QObject::connect(&instance, &SingleInstance::activationRequested, &RaiseLastActiveWindow);

    Form1 form;
    mainWindow() = &form;
    // A copy started from now on waits for this one to end, then runs itself.
    QObject::connect(&form, &Form1::unloaded, &instance, &SingleInstance::stopAnswering);
    QObject::connect(&form, &Form1::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, &QWidget::close);
    platform::onTerminationRequest([&form] { form.close(); });
    form.Form_Load(platform::commandLineText(QApplication::arguments().mid(1)));
    // Only now: a copy that hangs while it loads keeps no one else from starting.
    if (!instance.becomeTheRunningCopy())
        return 0;
    form.show();
    // On the session bus once the window shows: media keys and sound menus.
    QTimer::singleShot(0, &form, [&form] { new Mpris(&form); });
    return app.exec();
}

} // namespace NotDouble
