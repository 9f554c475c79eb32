#include "platform/desktop/mpv_video_widget.h"

#include "platform/desktop/player_log.h"

#include <QOpenGLContext>
#include <mpv/render_gl.h>

namespace kelvara {

namespace {

void* get_proc_address(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

} // namespace

MpvVideoWidget::MpvVideoWidget(mpv_handle* mpv, QWidget* parent)
    : QOpenGLWidget(parent), mpv_(mpv) {
    // mpv paints every pixel of each frame; Qt need not clear first.
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
}

MpvVideoWidget::~MpvVideoWidget() {
    disconnect(context_watch_);
    makeCurrent();
    free_render_context();
    doneCurrent();
}

void MpvVideoWidget::initializeGL() {
    // Should Qt ever replace the widget's context, mpv's render context must
    // go with it; initializeGL then makes a new one.
    disconnect(context_watch_);
    context_watch_ = connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this,
        [this] {
            makeCurrent();
            free_render_context();
            doneCurrent();
        },
        Qt::DirectConnection);
    if (render_ || !mpv_)
        return;
    mpv_opengl_init_params gl_init{get_proc_address, nullptr};
    int advanced = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl_init},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) {
        qCWarning(lc_player) << "cannot create mpv's OpenGL render context";
        render_ = nullptr;
        return;
    }
    mpv_render_context_set_update_callback(render_, &MpvVideoWidget::on_update, this);
    qCDebug(lc_player) << "render context created";
}

void MpvVideoWidget::free_render_context() {
    if (!render_)
        return;
    mpv_render_context_set_update_callback(render_, nullptr, nullptr);
    mpv_render_context_free(render_);
    render_ = nullptr;
    qCDebug(lc_player) << "render context freed";
}

// Called on one of mpv's threads: only posts the repaint.
void MpvVideoWidget::on_update(void* self) {
    auto* widget = static_cast<MpvVideoWidget*>(self);
    if (widget->update_posted_.exchange(true))
        return;
    QMetaObject::invokeMethod(widget, &MpvVideoWidget::render_pending, Qt::QueuedConnection);
}

void MpvVideoWidget::render_pending() {
    update_posted_ = false;
    if (render_ && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME))
        update();
}

void MpvVideoWidget::paintGL() {
    if (!render_)
        return;
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()),
                       static_cast<int>(width() * ratio), static_cast<int>(height() * ratio), 0};
    int flip_y = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip_y},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    ++frames_;
}

} // namespace kelvara
