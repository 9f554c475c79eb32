#include "window/controls.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelvara {

void vb_move(QWidget* control, int x, int y, int w, int h) {
    if (!control)
        return;
    if (w < 0)
        w = control->width();
    if (h < 0)
        h = control->height();
    control->setGeometry(x, y, std::max(0, w), std::max(0, h));
}

PictureBox::PictureBox(QWidget* parent, const QString& name, int index)
    : QWidget(parent), index_(index) {
    setObjectName(index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index));
    setMouseTracking(true);
}

void PictureBox::set_tip(const QString& text) {
    tip_ = text;
    setToolTip(system_tip_ ? text : QString());
}

void PictureBox::set_system_tip(bool on) {
    system_tip_ = on;
    setToolTip(on ? tip_ : QString());
}

void PictureBox::ensure_picture_size(int w, int h) {
    w = std::max({w, width(), 1});
    h = std::max({h, height(), 1});
    if (!picture_.isNull() && picture_.width() >= w && picture_.height() >= h)
        return;
    QPixmap grown(std::max(w, picture_.width()), std::max(h, picture_.height()));
    grown.fill(Qt::transparent);
    if (!picture_.isNull()) {
        QPainter p(&grown);
        p.drawPixmap(0, 0, picture_);
    }
    picture_ = grown;
}

void PictureBox::paint_cell(const QPixmap& strip, int sx, int sy, int w, int h, int dx, int dy) {
    if (strip.isNull() || w <= 0 || h <= 0)
        return;
    ensure_picture_size(dx + w, dy + h);
    QPainter p(&picture_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawPixmap(dx, dy, strip, sx, sy, w, h);
    update();
}

void PictureBox::stretch_cell(const QPixmap& strip, const QRect& source, const QRect& target) {
    if (strip.isNull() || target.width() <= 0 || target.height() <= 0)
        return;
    ensure_picture_size(target.right() + 1, target.bottom() + 1);
    QPainter p(&picture_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawPixmap(target, strip, source);
    update();
}

void PictureBox::set_picture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void PictureBox::clear_picture() {
    picture_ = QPixmap();
    update();
}

void PictureBox::set_back_color(const QColor& color) {
    back_ = color;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (back_.isValid())
        p.fillRect(rect(), back_);
    if (!picture_.isNull())
        p.drawPixmap(0, 0, picture_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    Q_EMIT mouse_down(index_, event->button(), pos.x(), pos.y());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    Q_EMIT mouse_move(index_, event->buttons(), pos.x(), pos.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(pos);
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    Q_EMIT mouse_up(index_, event->button(), pos.x(), pos.y());
    if (click)
        Q_EMIT clicked(index_);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT double_clicked(index_);
}

void PictureBox::resizeEvent(QResizeEvent*) {
    Q_EMIT resized();
}

Label::Label(QWidget* parent, const QString& name, const QString& caption, int index)
    : QLabel(caption, parent), index_(index) {
    setObjectName(index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index));
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setTextFormat(Qt::PlainText);
}

void Label::set_caption(const QString& caption) {
    setText(caption);
    fit();
}

void Label::set_fore_color(const QColor& color) {
    fore_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void Label::set_auto_size(bool on) {
    auto_size_ = on;
    fit();
}

void Label::set_word_wrap(bool on) {
    setWordWrap(on);
}

void Label::fit() {
    if (auto_size_)
        adjustSize();
}

void Label::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT clicked(index_);
}

void Label::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    Q_EMIT mouse_move(index_, event->buttons(), pos.x(), pos.y());
}

} // namespace kelvara
