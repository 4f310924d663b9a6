#include "platform/engine_library.h"

#include "platform/app_location.h"
#include "platform/install_layout.h"
#include "platform/timeline.h"

#include <QFile>
#include <QPromise>

#include <dlfcn.h>

#include <memory>
#include <thread>

namespace platform {
namespace {

constexpr char kLibrary[] = "libsonoquill_engine.so";

void* library() {
    static void* handle = [] {
        const QByteArray beside = QFile::encodeName(executableFolder()) + '/' + kLibrary;
        void* h = dlopen(beside.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!h)
            h = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL); // the executable's run path
        // A system install's private folder, named outright too: a sanitizer's
        // or a wrapper's dlopen does not see the executable's run path.
        if (const QByteArray folder = installedEngineFolder(); !h && !folder.isEmpty())
            h = dlopen((folder + '/' + kLibrary).constData(), RTLD_NOW | RTLD_LOCAL);
        return h;
    }();
    return handle;
}

} // namespace

QFuture<void> loadEngineLibrary() {
    static const QFuture<void> loaded = [] {
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        // Detached: a process that ends meanwhile only waits for the loader.
        std::thread([promise] {
            timelineMark("engine library: loading");
            library();
            timelineMark("engine library: loaded");
            promise->finish();
        }).detach();
        return promise->future();
    }();
    return loaded;
}

void* engineLibrarySymbol(const char* name) {
    void* h = library();
    return h ? dlsym(h, name) : nullptr;
}

} // namespace platform
