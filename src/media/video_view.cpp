#include "media/video_view.h"

#include "media/engine.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPointer>

namespace {

class SoftwareView final : public QWidget, public VideoView {
public:
    explicit SoftwareView(QWidget* parent)
        : QWidget(parent) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QWidget* widget() override { return this; }
    bool attach(Engine* engine) override {
        engine_ = engine;
        if (!engine->attachSoftwareOutput())
            return false;
        QObject::connect(engine, &Engine::frameReady, this, [this] { update(); });
        return true;
    }
    void detach() override {
        if (engine_)
            engine_->detachOutput();
        engine_ = nullptr;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QSize size = this->size() * devicePixelRatio();
        if (!engine_ || size.isEmpty()) {
            p.fillRect(rect(), Qt::black);
            return;
        }
        if (frame_.size() != size)
            frame_ = QImage(size, QImage::Format_RGBX8888);
        engine_->renderSoftware(frame_);
        frame_.setDevicePixelRatio(devicePixelRatio());
        p.drawImage(0, 0, frame_);
    }

private:
    QPointer<Engine> engine_;
    QImage frame_;
};

class OpenGlView final : public QOpenGLWidget, public VideoView {
public:
    explicit OpenGlView(QWidget* parent)
        : QOpenGLWidget(parent) {}
    ~OpenGlView() override { detach(); }
    QWidget* widget() override { return this; }
    bool attach(Engine* engine) override {
        engine_ = engine;
        makeCurrent();
        const bool ok = engine->attachOpenGlOutput(
            [](void*, const char* name) -> void* {
                auto* ctx = QOpenGLContext::currentContext();
                return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
            },
            nullptr);
        doneCurrent();
        if (ok)
            QObject::connect(engine, &Engine::frameReady, this, [this] { update(); });
        return ok;
    }
    void detach() override {
        if (!engine_)
            return;
        makeCurrent();
        engine_->detachOutput();
        doneCurrent();
        engine_ = nullptr;
    }

protected:
    void paintGL() override {
        if (!engine_) {
            auto* f = context()->functions();
            f->glClearColor(0, 0, 0, 1);
            f->glClear(GL_COLOR_BUFFER_BIT);
            return;
        }
        const qreal dpr = devicePixelRatio();
        engine_->renderOpenGl(static_cast<int>(defaultFramebufferObject()),
                              static_cast<int>(width() * dpr), static_cast<int>(height() * dpr));
    }

private:
    QPointer<Engine> engine_;
};

bool openGlAvailable() {
    if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
        QGuiApplication::platformName() == QLatin1String("minimal"))
        return false;
    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.create();
    return context.create() && context.makeCurrent(&surface);
}

} // namespace

VideoView* VideoView::create(QWidget* parent) {
    static const bool gl = openGlAvailable();
    if (gl)
        return new OpenGlView(parent);
    return new SoftwareView(parent);
}
