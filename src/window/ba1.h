#pragma once

#include <QWidget>

namespace kelvara {

struct Platform;

// The main window.
class BA1 : public QWidget {
    Q_OBJECT
public:
    BA1(Platform& platform, QString app_dir, QString base_url, QWidget* parent = nullptr);
    ~BA1() override;

    const QString& app_dir() const { return app_dir_; }
    const QString& ini_path() const { return ini_path_; }
    const QString& base_url() const { return base_url_; }

    // Quits the client.
    void ttt_v();

private:
    Platform& platform_;
    QString app_dir_;
    QString ini_path_;
    QString base_url_;
};

} // namespace kelvara
