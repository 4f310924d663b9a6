#include "media/engine.h"

#include "platform/engine_library.h"

#include <QPromise>

#include <memory>
#include <thread>

namespace {

CreateEngineFn createFn() {
    static const auto fn =
        reinterpret_cast<CreateEngineFn>(platform::engineLibrarySymbol(kCreateEngineSymbol));
    return fn;
}

} // namespace

std::unique_ptr<EngineBackend> Engine::createBackend(const Options& options) {
    CreateEngineFn create = createFn();
    return std::unique_ptr<EngineBackend>(create ? create(&options, nullptr) : nullptr);
}

Engine::Engine(std::unique_ptr<EngineBackend> backend, QObject* parent)
    : QObject(parent)
    , backend_(std::move(backend)) {
    if (backend_)
        backend_->setEvents(this);
}

Engine::~Engine() {
    backend_.reset();
}

// From the engine's threads: queue one drain, nothing else.
void Engine::wakeup() {
    if (!wakeupQueued_.exchange(true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                wakeupQueued_ = false;
                if (backend_)
                    backend_->drainEvents();
            },
            Qt::QueuedConnection);
}

void Engine::renderUpdate() {
    if (!renderQueued_.exchange(true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                renderQueued_ = false;
                if (backend_ && backend_->takeFrame())
                    emit frameReady();
            },
            Qt::QueuedConnection);
}

void Engine::load(platform::PlayableFile file, const QString& name, Tag tag) {
    if (backend_)
        backend_->load(file.release(), file.size(), name, tag);
}
void Engine::queue(platform::PlayableFile file, const QString& name, Tag tag) {
    if (backend_)
        backend_->queue(file.release(), file.size(), name, tag);
}
bool Engine::dropQueued() {
    return !backend_ || backend_->dropQueued();
}
void Engine::stop() {
    if (backend_)
        backend_->stop();
}
void Engine::setPaused(bool paused) {
    if (backend_)
        backend_->setPaused(paused);
}
bool Engine::paused() const {
    return backend_ && backend_->paused();
}
void Engine::seek(double seconds) {
    if (backend_)
        backend_->seek(seconds);
}
void Engine::setVolume(double engineVolume) {
    if (backend_)
        backend_->setVolume(engineVolume);
}
void Engine::setMute(bool mute) {
    if (backend_)
        backend_->setMute(mute);
}
double Engine::position() const {
    return backend_ ? backend_->position() : 0;
}
double Engine::duration() const {
    return backend_ ? backend_->duration() : 0;
}
QString Engine::property(const char* name) const {
    return backend_ ? backend_->property(name) : QString();
}

void Engine::prepareFile(const QString& path) {
    if (auto fn =
            reinterpret_cast<PrepareFileFn>(platform::engineLibrarySymbol(kPrepareFileSymbol)))
        fn(&path);
}

QFuture<Engine::Facts> Engine::probeAsync(const QString& path) {
    auto promise = std::make_shared<QPromise<Facts>>();
    promise->start();
    QFuture<Facts> future = promise->future();
    const QString local = platform::localPath(path);
    auto probe = [promise, local] {
        Facts facts;
        platform::OpenedFile opened = platform::openPlayable(local);
        auto fn = reinterpret_cast<ProbeMediaFn>(platform::engineLibrarySymbol(kProbeMediaSymbol));
        if (opened.file.isOpen() && fn)
            fn(opened.file.release(), opened.file.size(), &local, &facts);
        promise->addResult(facts);
        promise->finish();
    };
    // Not on Qt's pool, which the program's end waits for: a probe of a file
    // on a stalled disk must not hold the end. The thread does not outlive
    // the engine library, which is never unloaded.
    std::thread(probe).detach();
    return future;
}

bool Engine::attachSoftwareOutput() {
    return backend_ && backend_->attachSoftwareOutput();
}
bool Engine::attachOpenGlOutput(void* (*getProcAddress)(void*, const char*), void* ctx,
                                void* waylandDisplay) {
    return backend_ && backend_->attachOpenGlOutput(getProcAddress, ctx, waylandDisplay);
}
void Engine::renderSoftware(QImage& target) {
    if (backend_)
        backend_->renderSoftware(target);
}
void Engine::renderOpenGl(int fbo, int width, int height) {
    if (backend_)
        backend_->renderOpenGl(fbo, width, height);
}
void Engine::detachOutput() {
    if (backend_)
        backend_->detachOutput();
}
