#include "window/services/adsb.h"

#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/web_pane.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QThread>

namespace kelvara {

namespace {

// 4020 × 3000 twips.
constexpr int kWidth = 268;
constexpr int kHeight = 200;

QPixmap close_picture() {
    QPixmap pic(14, 14);
    pic.fill(Qt::transparent);
    QPainter p(&pic);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 0, 0, 110));
    p.setPen(Qt::NoPen);
    p.drawEllipse(0, 0, 14, 14);
    p.setPen(QPen(Qt::white, 1.6));
    p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
    return pic;
}

} // namespace

adsb::adsb(Platform& platform, const QString& base_url)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      platform_(platform), base_url_(base_url) {
    setObjectName(QStringLiteral("adsb"));
    setWindowTitle(QStringLiteral("Form1"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(kWidth, kHeight);
    Pc1 = new PictureBox(this, QStringLiteral("Pc1"));
    Pc1->set_back_color(QColor(0x1b, 0x3a, 0x5c));
    ad_pane = platform_.panes.create_pane(Pc1, QStringLiteral("adsb.ad_pane"));
    Picture1 = new PictureBox(this, QStringLiteral("Picture1"));
    Picture1->set_picture(close_picture());
    Picture1->setCursor(Qt::PointingHandCursor);
    connect(Picture1, &PictureBox::clicked, this, [this] { Picture1_Click(); });
    ad_pane->download_begin = [pane = ad_pane.get()] { pane->set_silent(true); };
    // The advertisement opened a link in a window of its own: the user's
    // browser shows it, and this window goes.
    ad_pane->new_window = [this](const QString& address) {
        if (is_web_address(address))
            platform_.shell.open_url(address);
        unload();
    };
    ad_pane->context_menu = [](QPoint, const QString&) {};
    Timer1 = std::make_unique<Timer>(platform_.timers, 10, false, [this] { Timer1_Timer(); });
}

adsb::~adsb() {
    ad_pane.reset();
}

void adsb::Form_Load() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // 80 and 450 twips from the right and bottom of the work area.
    move(area.right() + 1 - width() - 80 / 15, area.bottom() + 1 - height() - 450 / 15);
    show_from(height() - 1);
    show();
    raise();
    Timer1->set_enabled(true);
    ad_pane->navigate(base_url_ + QLatin1String("/js/ads/fudong.html"));
}

void adsb::show_from(int edge) {
    edge_ = edge;
    setMask(QRegion(0, std::max(edge, 0), width(), std::max(height() - edge, 0)));
}

void adsb::Timer1_Timer() {
    show_from(edge_ - kStep);
    if (edge_ <= 0) {
        show_from(0);
        Timer1->set_enabled(false);
    }
}

void adsb::Picture1_Click() {
    unload();
}

void adsb::unload() {
    if (unloading_)
        return;
    unloading_ = true;
    Timer1->set_enabled(false);
    // The window sinks back into its bottom edge, blocking as it goes.
    while (edge_ < height()) {
        show_from(edge_ + kStep);
        repaint();
        QThread::msleep(3);
    }
    hide();
    Q_EMIT closed();
}

void adsb::resizeEvent(QResizeEvent*) {
    vb_move(Pc1, 1, 1, width() - 2, height() - 2);
    if (QWidget* page = ad_pane ? ad_pane->widget() : nullptr)
        vb_move(page, -2, -2, Pc1->width() + 4, Pc1->height() + 4);
    vb_move(Picture1, width() - 18, 4, 14, 14);
    Picture1->raise();
}

} // namespace kelvara
