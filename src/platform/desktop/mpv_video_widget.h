#pragma once

#include <QOpenGLWidget>
#include <atomic>

struct mpv_handle;
struct mpv_render_context;

namespace kelvara {

// Draws mpv's video through its render API into a Qt OpenGL widget: mpv
// renders each frame into the widget's framebuffer, Qt composes it with the
// rest of the window.
class MpvVideoWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    MpvVideoWidget(mpv_handle* mpv, QWidget* parent);
    ~MpvVideoWidget() override;

    // Frames mpv rendered into the widget so far.
    quint64 frames_rendered() const { return frames_; }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    static void on_update(void* self);
    void render_pending();
    void free_render_context();

    mpv_handle* mpv_;
    mpv_render_context* render_ = nullptr;
    QMetaObject::Connection context_watch_;
    std::atomic_bool update_posted_{false};
    quint64 frames_ = 0;
};

} // namespace kelvara
