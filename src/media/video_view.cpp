#include "media/video_view.h"

#include "media/engine.h"
#include "platform/native_display.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

class SoftwareView final : public QWidget, public VideoView {
public:
    explicit SoftwareView(QWidget* parent)
        : QWidget(parent) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QWidget* widget() override { return this; }
    bool attach(Engine* engine) override {
        if (!engine->attachSoftwareOutput())
            return false; // stays black
        engine_ = engine;
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

// A native child window of its own with its own OpenGL context: unlike an
// OpenGL widget, it leaves the main window's surface alone, so the main
// window never has to be re-created (nor pay for OpenGL at start).
class GlWindow final : public QWindow {
public:
    std::function<void(QEvent::Type, QPoint)> onLeftButton;
    std::function<void(QPoint)> onContextMenu;
    std::function<void(QEvent*)> onDrag;

    // Never the focus window: the keys go on to the player around it.
    GlWindow() {
        setSurfaceType(QSurface::OpenGLSurface);
        setFlag(Qt::WindowDoesNotAcceptFocus);
    }
    ~GlWindow() override { detach(); }

    bool attach(Engine* engine) {
        create();
        context_.setFormat(requestedFormat());
        if (!context_.create() || !context_.makeCurrent(this))
            return false;
        const bool ok = engine->attachOpenGlOutput(
            [](void*, const char* name) -> void* {
                auto* ctx = QOpenGLContext::currentContext();
                return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
            },
            nullptr, platform::waylandDisplay());
        context_.doneCurrent();
        if (!ok)
            return false;
        engine_ = engine;
        QObject::connect(engine, &Engine::frameReady, this, [this] { requestUpdate(); });
        return true;
    }

    void detach() {
        if (!engine_)
            return;
        if (context_.makeCurrent(this)) {
            engine_->detachOutput();
            context_.doneCurrent();
        }
        engine_ = nullptr;
    }

protected:
    bool event(QEvent* e) override {
        switch (e->type()) {
        case QEvent::UpdateRequest:
            render();
            return true;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
            if (onDrag) {
                onDrag(e);
                return true;
            }
            break;
        default:
            break;
        }
        return QWindow::event(e);
    }
    void exposeEvent(QExposeEvent*) override { render(); }
    void mouseReleaseEvent(QMouseEvent* e) override { leftButton(e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { leftButton(e); }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::RightButton && onContextMenu)
            onContextMenu(e->globalPosition().toPoint());
        leftButton(e);
    }

private:
    void leftButton(QMouseEvent* e) {
        if (e->button() == Qt::LeftButton && onLeftButton)
            onLeftButton(e->type(), e->position().toPoint());
    }
    void render() {
        if (!isExposed() || !context_.makeCurrent(this))
            return;
        const qreal dpr = devicePixelRatio();
        if (engine_) {
            engine_->renderOpenGl(static_cast<int>(context_.defaultFramebufferObject()),
                                  static_cast<int>(width() * dpr),
                                  static_cast<int>(height() * dpr));
        } else {
            auto* f = context_.functions();
            f->glClearColor(0, 0, 0, 1);
            f->glClear(GL_COLOR_BUFFER_BIT);
        }
        context_.swapBuffers(this);
    }

    QOpenGLContext context_;
    QPointer<Engine> engine_;
};

class OpenGlView final : public VideoView {
public:
    explicit OpenGlView(QWidget* parent)
        : window_(new GlWindow)
        , container_(QWidget::createWindowContainer(window_, parent)) {
        container_->setObjectName(QStringLiteral("openGlPicture"));
        // The container would hand drags to the native window; the window
        // around it takes them instead.
        container_->setAcceptDrops(false);
        // A press gives the player the focus, a release plays or pauses, a
        // double-click goes full screen: as on a picture of widgets. (A press
        // made up here would end the pointer's double-click timing.)
        window_->onLeftButton = [this](QEvent::Type type, QPoint pos) {
            if (type == QEvent::MouseButtonPress)
                focusAsClicked();
            else
                sendToContainer(type, pos);
        };
        window_->onContextMenu = [this](QPoint global) {
            QContextMenuEvent e(QContextMenuEvent::Mouse, container_->mapFromGlobal(global),
                                global);
            QCoreApplication::sendEvent(container_, &e);
        };
        window_->onDrag = [this](QEvent* e) {
            forwardDrag(e);
        };
    }
    QWidget* widget() override { return container_; }
    bool attach(Engine* engine) override { return window_->attach(engine); }
    void detach() override { window_->detach(); }

private:
    // The player watches its picture widget; clicks in the native window
    // reach it as clicks on the container.
    void sendToContainer(QEvent::Type type, QPoint pos) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, container_->mapToGlobal(pos), Qt::LeftButton, held,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(container_, &e);
    }

    // What the window system does for a press on widgets: the focus goes to
    // the first one around that takes it by a click.
    void focusAsClicked() {
        for (QWidget* w = container_; w; w = w->isWindow() ? nullptr : w->parentWidget())
            if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) {
                w->setFocus(Qt::MouseFocusReason);
                return;
            }
    }

    // The native window takes drags of its own; they go on to the top-level
    // window at the same place, so a drop on the picture is a drop anywhere
    // else on the window, with that window's answer.
    void forwardDrag(QEvent* e) {
        QWindow* top = container_->window()->windowHandle();
        if (!top)
            return;
        if (e->type() == QEvent::DragLeave) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(top, &leave);
            return;
        }
        auto* d = static_cast<QDropEvent*>(e);
        const QPoint at = top->mapFromGlobal(window_->mapToGlobal(d->position().toPoint()));
        std::unique_ptr<QDropEvent> forwarded;
        const auto actions = d->possibleActions();
        if (e->type() == QEvent::DragEnter)
            forwarded = std::make_unique<QDragEnterEvent>(at, actions, d->mimeData(), d->buttons(),
                                                          d->modifiers());
        else if (e->type() == QEvent::DragMove)
            forwarded = std::make_unique<QDragMoveEvent>(at, actions, d->mimeData(), d->buttons(),
                                                         d->modifiers());
        else
            forwarded = std::make_unique<QDropEvent>(at, actions, d->mimeData(), d->buttons(),
                                                     d->modifiers());
        QCoreApplication::sendEvent(top, forwarded.get());
        d->setDropAction(forwarded->dropAction());
        d->setAccepted(forwarded->isAccepted());
    }

    GlWindow* window_;
    QWidget* container_;
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
