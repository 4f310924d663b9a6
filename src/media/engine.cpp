#include "media/engine.h"

#include "platform/engine_library.h"

#include <QPromise>
#include <QThreadPool>

#include <memory>

namespace {

CreateEngineFn createFn() {
    static const auto fn =
        reinterpret_cast<CreateEngineFn>(platform::engineLibrarySymbol(kCreateEngineSymbol));
    return fn;
}

} // namespace

Engine::Engine(const Options& options, QObject* parent)
    : QObject(parent)
    , options_(options) {
    if (CreateEngineFn create = createFn())
        backend_.reset(create(&options_, this));
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

void Engine::load(const QString& path) {
    if (backend_)
        backend_->load(path);
}
bool Engine::queueNext(const QString& path) {
    return backend_ && backend_->queueNext(path);
}
bool Engine::hasNext() const {
    return backend_ && backend_->hasNext();
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
bool Engine::idle() const {
    return !backend_ || backend_->idle();
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
void Engine::setRepeats(int repeats) {
    if (backend_)
        backend_->setRepeats(repeats);
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
    auto probe = [promise, path] {
        Facts facts;
        if (auto fn =
                reinterpret_cast<ProbeMediaFn>(platform::engineLibrarySymbol(kProbeMediaSymbol)))
            fn(&path, &facts);
        promise->addResult(facts);
        promise->finish();
    };
    // The pool's threads are waited for at the program's end: no probe
    // outlives the engine library it runs in.
    QThreadPool::globalInstance()->start(probe);
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
