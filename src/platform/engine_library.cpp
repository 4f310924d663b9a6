#include "platform/engine_library.h"

#include "platform/app_location.h"
#include "platform/install_layout.h"

#include <QFile>

#include <dlfcn.h>

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

void* engineLibrarySymbol(const char* name) {
    void* h = library();
    return h ? dlsym(h, name) : nullptr;
}

} // namespace platform
