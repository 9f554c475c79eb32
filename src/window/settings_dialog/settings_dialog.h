#pragma once

#include "logic/settings/qvod_settings.h"
#include "logic/settings/settings.h"
#include "window/controls.h"

#include <QString>
#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kelvara {

class MainWindow;

// The settings dialog "软件设置": the on/off options of config.ini, the QVOD
// player's download folder and the about page. Modeless, owned by the main
// window; it deletes itself when it is unloaded. The old program's `BA3`.
class SettingsDialog : public QWidget {
    Q_OBJECT
public:
    explicit SettingsDialog(MainWindow& main);
    ~SettingsDialog() override;

    // Reads config.ini and QvodPlayer.xml afresh and fills the controls.
    void Form_Load();
    // Selects a page: 0 about, 1 options, 2 download folder.
    void d_z_Click(int index);
    // "浏览": the folder chooser.
    void Command1_Click();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // The page shown (0 to 2).
    int page() const { return page_; }

    // ---- Controls (names as the dialog's own) ----
    std::array<Label*, 3> d_z{};        // tabs
    Label* bb = nullptr;                // heading of the page
    std::array<PictureBox*, 3> p1{};    // pages
    std::array<QCheckBox*, 9> Check1{}; // there is no box 4
    QGroupBox* Frame1 = nullptr;        // "播放设置", boxes 0 to 3
    QGroupBox* Frame2 = nullptr;        // "关于"
    std::array<Label*, 7> about_labels{};
    Label* Label1 = nullptr; // "设置影片接收下载路径："
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* share_box = nullptr; // sharing in the swarm (QvodPlayer.xml Share)
    Label* upload_label = nullptr;
    QSpinBox* upload_box = nullptr; // upload cap, KB/s (Uploadrate)
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    // ---- Dialog state ----
    QString ini_path;
    QString qvod_folder;   // the QVOD program folder, ending in "/"
    QString loaded_folder; // Defaultsavepath as read at load or last applied
    QString qvod_settings; // QvodPlayer.xml as read at load, CR LF after each line

Q_SIGNALS:
    // The dialog closed; it is deleted soon after.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void create_controls();
    void create_pages();
    void Form_Resize();
    void change_qvod_settings(bool folder_changed);
    QvodSharing shown_sharing() const;
    void stop_qvod_processes();
    QString settings_file() const;

    MainWindow& main_;
    int page_ = 0;
    // The folder the box showed at load or last apply: Apply touches the QVOD
    // settings only when the box differs from it.
    QString shown_folder_;
    QvodSharing loaded_sharing_;
};

// The on/off options and their boxes, in the order Apply writes them.
struct OptionBox {
    int box;
    Setting setting;
};
extern const std::array<OptionBox, 8> kOptionBoxes;

} // namespace kelvara
