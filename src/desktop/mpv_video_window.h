#pragma once

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPointer>
#include <QWindow>
#include <atomic>

struct mpv_handle;
struct mpv_render_context;

class QWidget;

namespace kelvara {

// Draws mpv's video through its render API into a native OpenGL window,
// which the player embeds in its container with createWindowContainer.
// The window keeps its own OpenGL context, made with mpv's render context
// when the player attaches mpv, on an offscreen surface: mpv can start a film
// while the window is hidden or not yet on the screen.
//
// A window rather than a QOpenGLWidget: a widget's framebuffer is composed
// into the top-level window by Qt on every frame, and under software OpenGL
// that costs nearly as much CPU again as mpv's own drawing; a window's
// frames go to the screen as they are.
//
// Being native, the window takes the mouse and keys over the video away from
// the widgets; it hands each one on to `forward_input_to` (the container), so
// the container and the window it sits in see them as they would over a
// widget.
class MpvVideoWindow : public QWindow {
    Q_OBJECT
public:
    MpvVideoWindow();
    ~MpvVideoWindow() override;

    // Makes the OpenGL context and mpv's render context: nothing is drawn
    // before. Once, before mpv opens its first file.
    void attach(mpv_handle* mpv);

    void forward_input_to(QWidget* widget) { forward_to_ = widget; }

    // Frames mpv rendered into the window so far.
    quint64 frames_rendered() const { return frames_; }

protected:
    bool event(QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;

private:
    void create_render_context();
    void free_render_context();
    static void on_update(void* self);
    void render_pending();
    void render();
    bool forward_input(QEvent* event);

    mpv_handle* mpv_ = nullptr;
    QOffscreenSurface offscreen_;
    QOpenGLContext context_;
    mpv_render_context* render_ = nullptr;
    QPointer<QWidget> forward_to_;
    std::atomic_bool update_posted_{false};
    quint64 frames_ = 0;
};

} // namespace kelvara
