#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace kelvara {

class Machine;

// config.ini: every value is text; on/off options are "2" (on) and "1" (off).

// Every key of config.ini.
enum class Setting {
    ProductName,       // main/Name, never read
    Identity,          // User/Name: this installation's machine identity
    Skin,              // Skin/Num
    Version,           // Ver/Name
    ClosePrompt,       // S_q/ts: 3 asks at the next close, 1 was answered
    CloseAction,       // S_q/quit: 1 quits, anything else hides to the tray
    QuitEndsQvod,      // S_q/qvodk: 2 ends the QVOD programs on quit
    RestoreSize,       // S_q/s_size: 2 restores the saved size at start
    Width,             // S_q/h_w, twips
    Height,            // S_q/h_h, twips
    BufferNext,        // S_q/s_h: 2 buffers the next episode
    PlayNext,          // S_q/s_bo: "2" plays the next episode
    RecordProgress,    // S_q/s_jd: shown and stored by the settings dialog only
    QvodCheckAtStart,  // S_q/qvodqi: anything but 1 checks the QVOD programs
    BalloonTips,       // S_q/s_pao: 2 shows balloons at the tray icon
    QvodProgramFolder, // S_q/qvodw: written by the QVOD process check
    CompactLayout,     // S_q/s_jj: read by the compact layout, written by nothing
};

struct SettingKey {
    Setting setting;
    const char* section;
    const char* key;
    const char* initial; // written when the file is created; nullptr: never
};

// The one table of sections and keys.
const SettingKey& setting_key(Setting setting);

// The keys written when the file is created, in the order they are written.
const std::vector<Setting>& initial_settings();

// The keys of section S_q that the repair rewrites with their initial value
// when they read as 0, in the order of the repair.
const std::vector<Setting>& repaired_settings();

// The values of config.ini by name. Nothing is cached: each read goes to the
// file, each write changes one value in it at once, so that what another
// window wrote takes effect at the next use.
class Settings {
public:
    explicit Settings(QString file);
    const QString& file() const { return file_; }

    // Any key: its text (a missing key reads as "0"), its number (0 when it
    // is not a number), and one write whose result nobody needs.
    QString text(Setting setting) const;
    qint64 number(Setting setting) const;
    void write(Setting setting, const QString& value) const;

    QString identity() const;
    void set_identity(const QString& identity) const;
    QString version() const;
    int skin() const;
    void set_skin(int skin) const;

    // The close button: whether it asks before it acts, and whether it
    // quits (else it hides the window to the tray).
    bool close_asks() const;
    void set_close_answered() const;
    bool close_quits() const;
    void set_close_quits(bool quits) const;

    bool quit_ends_qvod() const;
    bool restores_size() const;
    int saved_width() const;
    int saved_height() const;
    void save_size(int width, int height) const;
    bool buffers_next_episode() const;
    bool plays_next_episode() const;
    bool checks_qvod_at_start() const;
    bool shows_balloons() const;
    QString qvod_program_folder() const;
    void set_qvod_program_folder(const QString& folder) const;

private:
    QString file_;
};

// Reads one value with a 255-byte buffer: the value cut to 254 bytes, up to
// its first NUL; the empty text when nothing was copied (an empty value, or a
// missing key with an empty default).
QString ini_read(const QString& file, const QString& section, const QString& key,
                 const QString& default_value = QStringLiteral("0"));

// The same on the text of the file in memory.
QString ini_read_text(const QByteArray& text, const QString& section, const QString& key,
                      const QString& default_value = QStringLiteral("0"));

// Writes one value; the result is ignored by every caller in the client.
bool ini_write(const QString& file, const QString& section, const QString& key,
               const QString& value);

// Numeric reading of a settings value (0 when it is not a number).
qint64 ini_number(const QString& value);

// First run: writes the initial values in their order.
void create_settings(const QString& file, Machine& machine);

// Run at every start: rewrites the identity, the version and every value that
// is missing or reads as 0.
void repair_settings(const QString& file, Machine& machine);

} // namespace kelvara
