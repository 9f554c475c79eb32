#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace kelvara {

// Sets a control's left, top, width and height in pixels; a negative width or
// height leaves that value unchanged. Sizes below 0 become 0.
void vb_move(QWidget* control, int x, int y, int w = -1, int h = -1);

// A picture box: a plain control that shows a picture drawn onto it (cells
// copied from the skin strips), holds children, and reports the mouse with its
// own coordinates. Several carry a state in their tool-tip text.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent, const QString& name, int index = -1);

    int index() const { return index_; }

    // The tool-tip text, which several buttons use as their state. With
    // `system_tip` off the text is kept but the desktop shows no tool-tip
    // (the window shows its own panel instead).
    QString tip() const { return tip_; }
    void set_tip(const QString& text);
    void set_system_tip(bool on);

    // Copies a cell of a strip onto the picture at (dx, dy).
    void paint_cell(const QPixmap& strip, int sx, int sy, int w, int h, int dx = 0, int dy = 0);
    // Stretched copy of a strip rectangle into a picture rectangle.
    void stretch_cell(const QPixmap& strip, const QRect& source, const QRect& target);
    // The whole picture, shown at (0, 0).
    void set_picture(const QPixmap& picture);
    const QPixmap& picture() const { return picture_; }
    void clear_picture();

    void set_back_color(const QColor& color);
    QColor back_color() const { return back_; }

Q_SIGNALS:
    void mouse_down(int index, Qt::MouseButton button, int x, int y);
    void mouse_move(int index, Qt::MouseButtons buttons, int x, int y);
    void mouse_up(int index, Qt::MouseButton button, int x, int y);
    // A press and release of the left button inside the control.
    void clicked(int index);
    void double_clicked(int index);
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensure_picture_size(int w, int h);

    int index_;
    QString tip_;
    bool system_tip_ = true;
    QPixmap picture_;
    QColor back_;
    bool pressed_ = false;
};

// A text label with the behaviour of a window label: caption, text colour,
// automatic sizing, word wrap, click and mouse-move events.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent, const QString& name, const QString& caption = {},
                   int index = -1);

    int index() const { return index_; }
    QString caption() const { return text(); }
    void set_caption(const QString& caption);
    void set_fore_color(const QColor& color);
    QColor fore_color() const { return fore_; }
    // Automatic sizing fits the label to its caption at every change.
    void set_auto_size(bool on);
    bool auto_size() const { return auto_size_; }
    void set_word_wrap(bool on);

Q_SIGNALS:
    void clicked(int index);
    void mouse_move(int index, Qt::MouseButtons buttons, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void fit();

    int index_;
    QColor fore_;
    bool auto_size_ = false;
    bool pressed_ = false;
};

} // namespace kelvara
