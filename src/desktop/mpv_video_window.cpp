#include "desktop/mpv_video_window.h"

#include "desktop/player_log.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlatformSurfaceEvent>
#include <QWheelEvent>
#include <QWidget>
#include <memory>
#include <mpv/render_gl.h>

namespace kelvara {

namespace {

void* get_proc_address(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

// The input event as `widget` would have had it: positions in its own terms.
std::unique_ptr<QEvent> retargeted(QEvent* event, const QWidget& widget) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return std::unique_ptr<QEvent>(event->clone());
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto* m = static_cast<QMouseEvent*>(event);
        const QPointF global = m->globalPosition();
        const QPointF local = widget.mapFromGlobal(global);
        auto copy = std::make_unique<QMouseEvent>(
            m->type(), local, widget.mapTo(widget.window(), local), global, m->button(),
            m->buttons(), m->modifiers(), m->pointingDevice());
        copy->setTimestamp(m->timestamp());
        return copy;
    }
    case QEvent::Wheel: {
        const auto* w = static_cast<QWheelEvent*>(event);
        const QPointF global = w->globalPosition();
        auto copy = std::make_unique<QWheelEvent>(
            widget.mapFromGlobal(global), global, w->pixelDelta(), w->angleDelta(), w->buttons(),
            w->modifiers(), w->phase(), w->inverted(), w->source(), w->pointingDevice());
        copy->setTimestamp(w->timestamp());
        return copy;
    }
    default:
        return nullptr;
    }
}

} // namespace

MpvVideoWindow::MpvVideoWindow() {
    setSurfaceType(QSurface::OpenGLSurface);
}

MpvVideoWindow::~MpvVideoWindow() {
    free_render_context();
}

void MpvVideoWindow::attach(mpv_handle* mpv) {
    if (mpv_ || !mpv)
        return;
    mpv_ = mpv;
    context_.setFormat(requestedFormat());
    if (!context_.create()) {
        qCWarning(lc_player) << "cannot create an OpenGL context for the video";
        return;
    }
    offscreen_.setFormat(context_.format());
    offscreen_.create();
    create_render_context();
}

void MpvVideoWindow::create_render_context() {
    if (!mpv_ || !context_.makeCurrent(&offscreen_)) {
        qCWarning(lc_player) << "no OpenGL context for mpv's render context";
        return;
    }
    mpv_opengl_init_params gl_init{get_proc_address, nullptr};
    int advanced = 0;
    // The hardware decoders' OpenGL interop (VA-API through EGL) needs the X
    // display the context draws on.
    Display* x11 = nullptr;
    if (const auto* x11_app = qApp->nativeInterface<QNativeInterface::QX11Application>())
        x11 = x11_app->display();
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl_init},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
        {x11 ? MPV_RENDER_PARAM_X11_DISPLAY : MPV_RENDER_PARAM_INVALID, x11},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) {
        qCWarning(lc_player) << "cannot create mpv's OpenGL render context";
        render_ = nullptr;
    } else {
        mpv_render_context_set_update_callback(render_, &MpvVideoWindow::on_update, this);
        qCDebug(lc_player) << "render context created";
    }
    context_.doneCurrent();
}

void MpvVideoWindow::free_render_context() {
    if (!render_)
        return;
    // The offscreen surface, as the window may be gone already.
    context_.makeCurrent(&offscreen_);
    mpv_render_context_set_update_callback(render_, nullptr, nullptr);
    mpv_render_context_free(render_);
    render_ = nullptr;
    context_.doneCurrent();
    qCDebug(lc_player) << "render context freed";
}

// Called on one of mpv's threads: only posts the repaint.
void MpvVideoWindow::on_update(void* self) {
    auto* window = static_cast<MpvVideoWindow*>(self);
    if (window->update_posted_.exchange(true))
        return;
    QMetaObject::invokeMethod(window, &MpvVideoWindow::render_pending, Qt::QueuedConnection);
}

void MpvVideoWindow::render_pending() {
    update_posted_ = false;
    if (render_ && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME))
        requestUpdate();
}

void MpvVideoWindow::exposeEvent(QExposeEvent*) {
    render(); // mpv draws its last frame again
}

void MpvVideoWindow::render() {
    if (!render_ || !isExposed() || !context_.makeCurrent(this))
        return;
    const qreal ratio = devicePixelRatio();
    mpv_opengl_fbo fbo{static_cast<int>(context_.defaultFramebufferObject()),
                       static_cast<int>(width() * ratio), static_cast<int>(height() * ratio), 0};
    int flip_y = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip_y},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    context_.swapBuffers(this);
    ++frames_;
}

bool MpvVideoWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::UpdateRequest:
        render();
        return true;
    case QEvent::Resize:
        requestUpdate(); // a paused film is drawn again at the new size
        break;
    case QEvent::PlatformSurface:
        // The context must not stay current on a window that goes.
        if (static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed &&
            context_.surface() == this)
            context_.doneCurrent();
        break;
    default:
        if (forward_input(event))
            return true;
        break;
    }
    return QWindow::event(event);
}

bool MpvVideoWindow::forward_input(QEvent* event) {
    if (!forward_to_)
        return false;
    const std::unique_ptr<QEvent> copy = retargeted(event, *forward_to_);
    if (!copy)
        return false;
    QCoreApplication::sendEvent(forward_to_, copy.get());
    event->setAccepted(copy->isAccepted());
    return true;
}

} // namespace kelvara
