#include "window/settings_dialog/settings_dialog.h"

#include "logic/settings/qvod_settings.h"
#include "logic/settings/settings.h"
#include "logic/startup/qvod_processes.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/processes.h"
#include "shared/qvod_terminal_api.h"
#include "window/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <algorithm>

namespace kelvara {

const std::array<OptionBox, 8> kOptionBoxes = {{{5, Setting::CloseAction},
                                                {6, Setting::QuitEndsQvod},
                                                {0, Setting::RestoreSize},
                                                {1, Setting::BufferNext},
                                                {2, Setting::PlayNext},
                                                {3, Setting::RecordProgress},
                                                {7, Setting::QvodCheckAtStart},
                                                {8, Setting::BalloonTips}}};

namespace {

Q_LOGGING_CATEGORY(lc_settings, "kelvara.settings", QtWarningMsg)

const char* const kPageNames[3] = {"关于软件", "软件设置", "缓存设置"};

const char* const kBoxCaptions[9] = {"保存软件界面大小",
                                     "自动缓冲下一集",
                                     "自动播放下一集",
                                     "记录影片播放进度",
                                     nullptr,
                                     "关闭软件最小化到托盘",
                                     "关闭软件同时关闭快播(Qvod)",
                                     "启动软件不启动快播(Qvod)",
                                     "托盘显示气泡提示"};

const char* const kAboutTexts[7] = {
    "Kelvara",      "版本 3.0    发布日期 2010.10.1",       "Kelvara是一款以快播QVOD为核心",
    "的播放软件。", "软件以搜索引擎的方式整合了互联网上的", "QVOD媒体资源。为用户提供方便快捷的浏",
    "览体验。"};

const QString kQvodProcesses[2] = {QStringLiteral("QvodPlayer.exe"),
                                   QStringLiteral("QvodTerminal.exe")};

void set_tab_colors(Label* tab, const QColor& back, const QColor& fore) {
    // Labels are see-through by default; a tab paints its own background.
    tab->setAttribute(Qt::WA_TranslucentBackground, false);
    tab->setAttribute(Qt::WA_NoSystemBackground, false);
    tab->setAutoFillBackground(true);
    QPalette pal = tab->palette();
    pal.setColor(QPalette::Window, back);
    tab->setPalette(pal);
    tab->set_fore_color(fore);
}

// The lines of a file, each with CR LF after it; empty optional when the file
// cannot be read.
std::optional<QString> read_crlf_lines(const QString& path) {
    const std::optional<QStringList> lines = read_lines(path);
    if (!lines)
        return std::nullopt;
    QString text;
    for (const QString& line : *lines)
        text += line + QLatin1String("\r\n");
    return text;
}

} // namespace

SettingsDialog::SettingsDialog(MainWindow& main) : QWidget(&main, Qt::Dialog), main_(main) {
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("软件设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(330, 300);
    create_controls();
    Form_Resize();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::create_controls() {
    for (int i = 0; i < 3; ++i) {
        d_z[i] = new Label(this, QStringLiteral("d_z"), QString::fromUtf8(kPageNames[i]), i);
        d_z[i]->setAlignment(Qt::AlignCenter);
        d_z[i]->setGeometry(16 + i * 72, 8, 68, 30);
        connect(d_z[i], &Label::clicked, this, [this](int index) { d_z_Click(index); });
        p1[i] = new PictureBox(this, QStringLiteral("p1"), i);
    }
    bb = new Label(this, QStringLiteral("bb"));
    bb->setGeometry(240, 14, 80, 20);
    QFont heading = bb->font();
    heading.setBold(true);
    bb->setFont(heading);
    create_pages();

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdApply = new QPushButton(QStringLiteral("应用(&A)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdOK->setGeometry(100, 266, 66, 24);
    cmdCancel->setGeometry(174, 266, 66, 24);
    cmdApply->setGeometry(248, 266, 66, 24);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
}

void SettingsDialog::create_pages() {
    Frame2 = new QGroupBox(QStringLiteral("关于"), p1[0]);
    Frame2->setGeometry(8, 4, 282, 206);
    for (int i = 0; i < 7; ++i) {
        about_labels[i] =
            new Label(Frame2, QStringLiteral("about"), QString::fromUtf8(kAboutTexts[i]), i);
        about_labels[i]->setGeometry(16, i < 2 ? 28 + i * 26 : 60 + i * 24, 256, 20);
    }
    QFont product = about_labels[0]->font();
    product.setBold(true);
    about_labels[0]->setFont(product);

    Frame1 = new QGroupBox(QStringLiteral("播放设置"), p1[1]);
    Frame1->setGeometry(8, 100, 282, 112);
    for (int i = 0; i < 9; ++i) {
        if (!kBoxCaptions[i])
            continue;
        QWidget* parent = i < 4 ? static_cast<QWidget*>(Frame1) : p1[1];
        Check1[i] = new QCheckBox(QString::fromUtf8(kBoxCaptions[i]), parent);
        Check1[i]->setObjectName(QStringLiteral("Check1(%1)").arg(i));
        if (i < 4)
            Check1[i]->setGeometry(14, 22 + i * 22, 260, 20);
        else
            Check1[i]->setGeometry(12, 6 + (i - 5) * 23, 276, 20);
    }

    Label1 = new Label(p1[2], QStringLiteral("Label1"), QStringLiteral("设置影片接收下载路径："));
    Label1->setGeometry(10, 16, 270, 20);
    Text1 = new QLineEdit(p1[2]);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(10, 42, 212, 24);
    Command1 = new QPushButton(QStringLiteral("浏览"), p1[2]);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(228, 42, 60, 24);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    share_box = new QCheckBox(QStringLiteral("观看时与其他观众共享影片(P2P)"), p1[2]);
    share_box->setObjectName(QStringLiteral("share_box"));
    share_box->setGeometry(10, 84, 276, 20);
    upload_label = new Label(p1[2], QStringLiteral("upload_label"),
                             QStringLiteral("上传速度上限(KB/s，0为不限)："));
    upload_label->setGeometry(10, 112, 200, 20);
    upload_box = new QSpinBox(p1[2]);
    upload_box->setObjectName(QStringLiteral("upload_box"));
    upload_box->setRange(0, terminal_api::kMostUploadKbs);
    upload_box->setGeometry(210, 110, 78, 24);
    connect(share_box, &QCheckBox::toggled, upload_box, &QWidget::setEnabled);
}

void SettingsDialog::resizeEvent(QResizeEvent*) {
    Form_Resize();
}

void SettingsDialog::Form_Resize() {
    for (PictureBox* page : p1)
        vb_move(page, 240 / 15, 600 / 15, 4476 / 15, 3275 / 15);
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    // The close box drops the changes like Cancel.
    event->accept();
    Q_EMIT unloaded();
}

QString SettingsDialog::settings_file() const {
    return qvod_folder + QLatin1String(terminal_api::kSettingsFile);
}

void SettingsDialog::Form_Load() {
    setWindowIcon(main_.windowIcon());
    ini_path = main_.ini_path;
    for (Label* tab : d_z)
        tab->set_caption(tab->caption() + QLatin1String("\r\n"));
    d_z_Click(0);

    const Settings settings(ini_path);
    for (const OptionBox& option : kOptionBoxes)
        Check1[option.box]->setChecked(option_checked(settings.text(option.setting)));
    qvod_folder = main_.qvod_program_folder();

    qvod_settings = read_crlf_lines(settings_file()).value_or(QString());
    loaded_folder = qvod_save_path(qvod_settings);
    Text1->setText(loaded_folder.isEmpty() ? download_folder({}) : loaded_folder);
    shown_folder_ = Text1->text();
    loaded_sharing_ = qvod_sharing(qvod_settings);
    share_box->setChecked(loaded_sharing_.on);
    upload_box->setValue(loaded_sharing_.upload_kbs);
    upload_box->setEnabled(loaded_sharing_.on);
}

QvodSharing SettingsDialog::shown_sharing() const {
    return {share_box->isChecked(), upload_box->value()};
}

void SettingsDialog::d_z_Click(int index) {
    if (index < 0 || index > 2)
        return;
    for (Label* tab : d_z)
        set_tab_colors(tab, Qt::white, Qt::black);
    set_tab_colors(d_z[index], palette().color(QPalette::Highlight), Qt::white);
    for (PictureBox* page : p1)
        page->hide();
    p1[index]->show();
    page_ = index;
    bb->set_caption(QString::fromUtf8(kPageNames[index]));
}

void SettingsDialog::Command1_Click() {
    const QString before = Text1->text();
    QString folder = main_.platform().dialogs.browse_folder(
        before, QStringLiteral("请选择影片下载存放的文件夹"));
    // Cancelled: the folder of the QVOD settings comes back; with none, what
    // the box held, so that a lone "/" (the root) never becomes the folder.
    if (folder.isEmpty())
        folder = loaded_folder.isEmpty() ? before : loaded_folder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    Text1->setText(folder);
}

void SettingsDialog::cmdApply_Click() {
    const Settings settings(ini_path);
    for (const OptionBox& option : kOptionBoxes)
        settings.write(option.setting, option_value(Check1[option.box]->isChecked()));
    const bool folder_changed = Text1->text() != shown_folder_;
    if (!folder_changed && shown_sharing() == loaded_sharing_)
        return;
    change_qvod_settings(folder_changed);
}

// The terminal reads its settings at start: it is stopped, the file changed
// and the terminal started again.
void SettingsDialog::change_qvod_settings(bool folder_changed) {
    stop_qvod_processes();
    if (folder_changed)
        Text1->setText(download_folder(Text1->text()));

    // The file as it is now, so that what the terminal wrote since the
    // dialog opened is kept; only what the user changed changes.
    const QString path = settings_file();
    QDir().mkpath(qvod_folder);
    qvod_settings = read_crlf_lines(path).value_or(qvod_settings);
    if (folder_changed)
        qvod_settings = with_qvod_save_path(qvod_settings, Text1->text());
    if (shown_sharing() != loaded_sharing_) {
        qvod_settings = with_qvod_sharing(qvod_settings, shown_sharing());
        loaded_sharing_ = shown_sharing();
    }
    if (!write_text_atomically(path, qvod_settings))
        qCWarning(lc_settings) << "cannot write" << path;

    main_.platform().events.do_events();
    main_.platform().processes.start_detached(qvod_folder + QLatin1String("QvodTerminal.exe"), {},
                                              true);
    if (!folder_changed)
        return;
    loaded_folder = Text1->text();
    shown_folder_ = loaded_folder;
    main_.platform().dialogs.message_box(
        QStringLiteral("接受路径修改成功，可能部分电脑需要重启才能生效！"),
        QStringLiteral("Kelvara"), MsgButtons::Ok, MsgIcon::None);
}

void SettingsDialog::stop_qvod_processes() {
    Processes& processes = main_.platform().processes;
    std::vector<qint64> stopped;
    for (const QString& name : kQvodProcesses) {
        for (const ProcessInfo& p : processes.list()) {
            if (p.name.compare(name, Qt::CaseInsensitive) == 0 &&
                runs_from(processes, p, qvod_folder) && processes.terminate(p.pid))
                stopped.push_back(p.pid);
        }
    }
    // A terminated process ends a moment after its signal: wait for it, so
    // that the terminal neither writes its settings over ours nor meets the
    // new one, for at most two seconds.
    QElapsedTimer waited;
    waited.start();
    while (!stopped.empty() && waited.elapsed() < 2000) {
        std::vector<qint64> alive;
        for (const ProcessInfo& p : processes.list()) {
            if (std::find(stopped.begin(), stopped.end(), p.pid) != stopped.end())
                alive.push_back(p.pid);
        }
        stopped = alive;
        if (!stopped.empty())
            QThread::msleep(20);
    }
}

void SettingsDialog::cmdOK_Click() {
    cmdApply_Click();
    close();
}

void SettingsDialog::cmdCancel_Click() {
    close();
}

// ---- Opening the dialog (the tray menu shows the main window first) ----

void MainWindow::open_settings(int section) {
    if (!settings_dialog) {
        settings_dialog = new SettingsDialog(*this);
        connect(settings_dialog, &SettingsDialog::unloaded, this,
                [this] { settings_dialog = nullptr; });
        settings_dialog->Form_Load();
    }
    settings_dialog->show();
    settings_dialog->d_z_Click(section);
    settings_dialog->raise();
    settings_dialog->activateWindow();
}

} // namespace kelvara
