#include "logic/settings/settings.h"

#include "logic/services/machine_identity.h"
#include "logic/settings/profile_file.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "shared/gbk.h"

#include <array>

namespace kelvara {

namespace {

// In the order of the enum. Sections are matched without regard to case, so
// "User" and "Ver" are also the sections read as "user" and "ver".
constexpr std::array<SettingKey, 17> kSettingKeys = {{
    {Setting::ProductName, "main", "Name", "Kelvara"},
    {Setting::Identity, "User", "Name", ""},
    {Setting::Skin, "Skin", "Num", "0"},
    {Setting::Version, "Ver", "Name", "2.1"},
    {Setting::ClosePrompt, "S_q", "ts", "3"},
    {Setting::CloseAction, "S_q", "quit", "2"},
    {Setting::QuitEndsQvod, "S_q", "qvodk", "2"},
    {Setting::RestoreSize, "S_q", "s_size", "2"},
    {Setting::Width, "S_q", "h_w", "13560"},
    {Setting::Height, "S_q", "h_h", "8475"},
    {Setting::BufferNext, "S_q", "s_h", "2"},
    {Setting::PlayNext, "S_q", "s_bo", "2"},
    {Setting::RecordProgress, "S_q", "s_jd", "2"},
    {Setting::QvodCheckAtStart, "S_q", "qvodqi", "2"},
    {Setting::BalloonTips, "S_q", "s_pao", "2"},
    {Setting::QvodProgramFolder, "S_q", "qvodw", nullptr},
    {Setting::CompactLayout, "S_q", "s_jj", nullptr},
}};

const QLatin1String kOn("2");
const QString kCurrentVersion = QStringLiteral("2.1");

QString section_of(Setting setting) {
    return QString::fromLatin1(setting_key(setting).section);
}
QString key_of(Setting setting) {
    return QString::fromLatin1(setting_key(setting).key);
}

} // namespace

const SettingKey& setting_key(Setting setting) {
    const SettingKey& entry = kSettingKeys[static_cast<size_t>(setting)];
    Q_ASSERT(entry.setting == setting);
    return entry;
}

const std::vector<Setting>& initial_settings() {
    static const std::vector<Setting> keys = {
        Setting::ProductName,    Setting::Identity,         Setting::Skin,
        Setting::Version,        Setting::ClosePrompt,      Setting::CloseAction,
        Setting::QuitEndsQvod,   Setting::RestoreSize,      Setting::Width,
        Setting::Height,         Setting::BufferNext,       Setting::PlayNext,
        Setting::RecordProgress, Setting::QvodCheckAtStart, Setting::BalloonTips,
    };
    return keys;
}

const std::vector<Setting>& repaired_settings() {
    static const std::vector<Setting> keys = {
        Setting::CloseAction, Setting::QuitEndsQvod,   Setting::RestoreSize,
        Setting::Width,       Setting::Height,         Setting::BufferNext,
        Setting::PlayNext,    Setting::RecordProgress, Setting::QvodCheckAtStart,
        Setting::BalloonTips,
    };
    return keys;
}

Settings::Settings(QString file) : file_(std::move(file)) {}

QString Settings::text(Setting setting) const {
    return ini_read(file_, section_of(setting), key_of(setting));
}

qint64 Settings::number(Setting setting) const {
    return ini_number(text(setting));
}

void Settings::write(Setting setting, const QString& value) const {
    ini_write(file_, section_of(setting), key_of(setting), value);
}

QString Settings::identity() const {
    return text(Setting::Identity);
}

void Settings::set_identity(const QString& identity) const {
    write(Setting::Identity, identity);
}

QString Settings::version() const {
    return text(Setting::Version);
}

int Settings::skin() const {
    return static_cast<int>(number(Setting::Skin));
}

void Settings::set_skin(int skin) const {
    write(Setting::Skin, QString::number(skin));
}

bool Settings::close_asks() const {
    return number(Setting::ClosePrompt) == 3;
}

void Settings::set_close_answered() const {
    write(Setting::ClosePrompt, QStringLiteral("1"));
}

bool Settings::close_quits() const {
    return number(Setting::CloseAction) == 1;
}

void Settings::set_close_quits(bool quits) const {
    write(Setting::CloseAction, quits ? QStringLiteral("1") : QString(kOn));
}

bool Settings::quit_ends_qvod() const {
    return number(Setting::QuitEndsQvod) == 2;
}

bool Settings::restores_size() const {
    return number(Setting::RestoreSize) == 2;
}

int Settings::saved_width() const {
    return static_cast<int>(number(Setting::Width));
}

int Settings::saved_height() const {
    return static_cast<int>(number(Setting::Height));
}

void Settings::save_size(int width, int height) const {
    write(Setting::Width, QString::number(width));
    write(Setting::Height, QString::number(height));
}

bool Settings::buffers_next_episode() const {
    return number(Setting::BufferNext) == 2;
}

// Compared as text: " 2" or "02" do not count.
bool Settings::plays_next_episode() const {
    return text(Setting::PlayNext) == kOn;
}

bool Settings::checks_qvod_at_start() const {
    return number(Setting::QvodCheckAtStart) != 1;
}

bool Settings::shows_balloons() const {
    return number(Setting::BalloonTips) == 2;
}

QString Settings::qvod_program_folder() const {
    return text(Setting::QvodProgramFolder);
}

void Settings::set_qvod_program_folder(const QString& folder) const {
    write(Setting::QvodProgramFolder, folder);
}

QString ini_read(const QString& file, const QString& section, const QString& key,
                 const QString& default_value) {
    return ini_read_text(read_profile_file(file), section, key, default_value);
}

QString ini_read_text(const QByteArray& text, const QString& section, const QString& key,
                      const QString& default_value) {
    QByteArray buffer;
    const int copied = profile_string(text, section, key, default_value, buffer, 255);
    if (copied == 0)
        return {};
    const qsizetype nul = buffer.indexOf('\0');
    return from_gbk(nul < 0 ? buffer : buffer.left(nul));
}

bool ini_write(const QString& file, const QString& section, const QString& key,
               const QString& value) {
    return write_private_profile_string(section, key, value, file);
}

qint64 ini_number(const QString& value) {
    return to_number(value);
}

namespace {

QString read_in(const QByteArray& text, Setting setting) {
    return ini_read_text(text, section_of(setting), key_of(setting));
}

QByteArray with_value(const QByteArray& text, Setting setting, const QString& value) {
    return with_profile_string(text, section_of(setting), key_of(setting), value);
}

} // namespace

// The values are set one after another in the text read once, and the file
// is written once: the same bytes as one write a value, without rereading and
// replacing the whole file for each.
void create_settings(const QString& file, Machine& machine) {
    QByteArray text = read_profile_file(file);
    for (const Setting setting : initial_settings()) {
        const QString value = setting == Setting::Identity
                                  ? machine_identity(machine)
                                  : QString::fromUtf8(setting_key(setting).initial);
        text = with_value(text, setting, value);
    }
    write_bytes_atomically(file, text);
}

void repair_settings(const QString& file, Machine& machine) {
    // Everything is read before anything is written.
    const QByteArray before = read_profile_file(file);
    const QString identity = read_in(before, Setting::Identity);
    const QString version = read_in(before, Setting::Version);
    const qint64 close_prompt = ini_number(read_in(before, Setting::ClosePrompt));
    std::vector<qint64> values;
    for (const Setting setting : repaired_settings())
        values.push_back(ini_number(read_in(before, setting)));

    QByteArray text = before;
    if (identity == QLatin1String("0") || identity.isEmpty())
        text = with_value(text, Setting::Identity, machine_identity(machine));
    if (version != kCurrentVersion)
        text = with_value(text, Setting::Version, kCurrentVersion);
    if (close_prompt != 1 && close_prompt != 2)
        text = with_value(text, Setting::ClosePrompt, QStringLiteral("3"));
    for (size_t i = 0; i < values.size(); ++i) {
        const Setting setting = repaired_settings()[i];
        if (values[i] == 0)
            text = with_value(text, setting, QString::fromLatin1(setting_key(setting).initial));
    }
    // A file already whole is left as it is.
    if (text != before)
        write_bytes_atomically(file, text);
}

} // namespace kelvara
