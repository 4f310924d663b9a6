#include "app/not_double.h"

#include "app/command_line.h"
#include "app/form1.h"
#include "app/mpris.h"
#include "app/wiring.h"
#include "platform/engine_library.h"
#include "platform/process_arguments.h"
#include "platform/single_instance.h"
#include "platform/timeline.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <cstdio>

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
    platform::timelineMark("main");
    const CommandLine command = ParseCommandLine(platform::processArguments(argc, argv));
    if (command.request != CommandLine::Request::Play) {
        // No window and no single-instance lock: a text, and the program ends.
        const QString text = command.request == CommandLine::Request::Help
                                 ? UsageText()
                                 : QStringLiteral("Sonoquill " SONOQUILL_VERSION "\n");
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // Qt takes its options from what it is given: only the program's name,
    // so every argument stays a file name ("-style", "-reverse", ...).
    char fallbackName[] = "sonoquill";
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int qtArgc = 1;
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Sonoquill"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.sonoquill.Sonoquill"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sonoquill.svg")));
    platform::timelineMark("application and display connection");

    QStringList names;
    for (const QString& name : command.names)
        if (const QString local = platform::localName(name); !local.isEmpty())
            names << local;
    SingleInstance instance;
    instance.setFilesToHandOver(names);
    if (ActivatePrevInstance(instance))
        return 0;
    // A file is named: the engine's libraries load beside the window. Not
    // before Qt has loaded its display plugin (the loader holds the dynamic
    // linker's lock for its whole run), nor in a copy that hands its files
    // over.
    if (!names.isEmpty())
        platform::loadEngineLibrary();

    QObject::connect(&app, &QApplication::focusChanged, [](QWidget*, QWidget* now) {
        if (now)
            lastActive() = now->window();
    });
    Form1 form;
    mainWindow() = &form;
    wireProcess(app, instance, form);
    form.Form_Load(names);
    // Only now: a copy that hangs while it loads keeps no one else from starting.
    if (!instance.becomeTheRunningCopy())
        return 0;
    form.show();
    platform::timelineMarkOnExpose(form.windowHandle(), "main window mapped");
    // On the session bus once the window shows: media keys and sound menus.
    QTimer::singleShot(0, &form, [&form] { new Mpris(&form); });
    return app.exec();
}

} // namespace NotDouble
