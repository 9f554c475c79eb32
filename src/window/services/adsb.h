#pragma once

#include "platform/timers.h"
#include "window/controls.h"

#include <memory>

namespace kelvara {

struct Platform;
class WebPane;

// The floating advertisement window: it rises out of its bottom edge at the
// bottom right of the screen's work area, shows the server's page, and sinks
// again when it closes.
class adsb : public QWidget {
    Q_OBJECT
public:
    adsb(Platform& platform, const QString& base_url);
    ~adsb() override;

    // Places the window, shows its bottom row and starts rising.
    void Form_Load();
    // Closes the window, sinking from the current edge.
    void unload();
    void Picture1_Click();

    // The top edge of the visible part, in pixels.
    int edge() const { return edge_; }
    bool rising() const { return Timer1->enabled(); }

    PictureBox* Pc1 = nullptr;
    PictureBox* Picture1 = nullptr; // the close picture
    std::unique_ptr<WebPane> ad_pane;
    std::unique_ptr<Timer> Timer1;

    static constexpr int kStep = 3;

Q_SIGNALS:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Timer1_Timer();
    void show_from(int edge);

    Platform& platform_;
    QString base_url_;
    int edge_ = 0;
    bool unloading_ = false;
};

} // namespace kelvara
