#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

#include <memory>
#include <thread>
#include <utility>

// Work that may wait on a stalled disk for as long as it stalls, run where
// nothing waits for it: a thread of its own that no one joins, neither the
// GUI thread nor the program's end. Its result comes back to the GUI thread.
namespace platform {

// An object of the GUI thread that is never deleted: results of work that
// outlives everything else still have somewhere harmless to go.
inline QObject* resultMailbox() {
    static QObject* const box = new QObject;
    return box;
}

// Runs work() on a thread of its own; done(result) then runs on the GUI
// thread, unless the receiver is gone by then. Call on the GUI thread.
template <typename Work, typename Done> void callDetached(QObject* receiver, Work work, Done done) {
    QObject* box = resultMailbox();
    QPointer<QObject> guard(receiver);
    std::thread([box, guard, work = std::move(work), done = std::move(done)]() mutable {
        auto result = std::make_shared<decltype(work())>(work());
        QMetaObject::invokeMethod(
            box,
            [guard, result, done = std::move(done)]() mutable {
                if (guard)
                    done(std::move(*result));
            },
            Qt::QueuedConnection);
    }).detach();
}

} // namespace platform
