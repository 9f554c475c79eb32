#include "desktop/full_screen_view.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>

namespace kelvara {

FullScreenView::FullScreenView(QWidget* content) : content_(content) {}

FullScreenView::~FullScreenView() {
    leave();
}

void FullScreenView::enter() {
    if (window_ || !content_)
        return;
    home_ = content_->parentWidget();
    home_geometry_ = content_->geometry();
    home_visible_ = content_->isVisibleTo(home_);

    window_ = new QWidget(nullptr, Qt::Window);
    window_->setWindowTitle(content_->window()->windowTitle());
    window_->setStyleSheet(QStringLiteral("background: black;"));
    window_->setCursor(Qt::BlankCursor);
    if (QScreen* screen = content_->screen())
        window_->setGeometry(screen->geometry());
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);

    moving_ = true;
    layout->addWidget(content_);
    content_->show();
    moving_ = false;

    window_->installEventFilter(this);
    content_->installEventFilter(this);
    window_->showFullScreen();
    window_->activateWindow();
    window_->setFocus();
}

void FullScreenView::leave() {
    if (!window_)
        return;
    QWidget* window = window_;
    window_ = nullptr;
    window->removeEventFilter(this);
    if (content_) {
        content_->removeEventFilter(this);
        moving_ = true;
        content_->setParent(home_);
        content_->setGeometry(home_geometry_);
        content_->setVisible(home_ && home_visible_);
        moving_ = false;
    }
    // Not deleted at once: leave() may run inside the window's own events.
    window->hide();
    window->deleteLater();
    // The keys go back to the window the content came from.
    if (home_)
        home_->window()->activateWindow();
}

bool FullScreenView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            leave();
            return true;
        }
        [[fallthrough]];
    case QEvent::KeyRelease:
        // Keys reach the content first and then the window; pass them on once.
        if (watched == window_ && home_) {
            const std::unique_ptr<QEvent> copy(event->clone());
            QCoreApplication::sendEvent(home_, copy.get());
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        leave();
        return true;
    case QEvent::Close:
        if (watched == window_) {
            leave();
            return true;
        }
        break;
    case QEvent::Hide:
        // The owner hid the video (nothing plays): back to the container.
        if (watched == content_ && !moving_) {
            home_visible_ = false;
            leave();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kelvara
