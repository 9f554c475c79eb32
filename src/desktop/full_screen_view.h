#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace kelvara {

// Shows a widget alone on the whole screen: the widget moves into a
// full-screen window of its own and returns to its container, where it was,
// on Esc, a double-click, the window closing, or the owner hiding it.
// Other keys pressed meanwhile go on to the container, so that the window
// it sits in keeps its keyboard shortcuts.
class FullScreenView : public QObject {
    Q_OBJECT
public:
    explicit FullScreenView(QWidget* content);
    ~FullScreenView() override;

    void enter();
    void leave();
    bool active() const { return window_ != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> content_;
    QPointer<QWidget> home_;
    QRect home_geometry_;
    bool home_visible_ = false;
    QWidget* window_ = nullptr;
    bool moving_ = false;
};

} // namespace kelvara
