#include "app/settings.h"

#include "app/profile_file.h"
#include "common/gbk.h"
#include "common/text_files.h"
#include "common/text_helpers.h"
#include "services/machine_identity.h"

namespace kelvara {

const std::vector<SettingKey>& initial_settings() {
    static const std::vector<SettingKey> keys = {
        {"main", "Name", "Kelvara"}, {"User", "Name", ""},   {"Skin", "Num", "0"},
        {"Ver", "Name", "2.1"},      {"S_q", "ts", "3"},     {"S_q", "quit", "2"},
        {"S_q", "qvodk", "2"},       {"S_q", "s_size", "2"}, {"S_q", "h_w", "13560"},
        {"S_q", "h_h", "8475"},      {"S_q", "s_h", "2"},    {"S_q", "s_bo", "2"},
        {"S_q", "s_jd", "2"},        {"S_q", "qvodqi", "2"}, {"S_q", "s_pao", "2"},
    };
    return keys;
}

const std::vector<SettingKey>& repaired_settings() {
    static const std::vector<SettingKey> keys = {
        {"S_q", "quit", "2"},    {"S_q", "qvodk", "2"},  {"S_q", "s_size", "2"},
        {"S_q", "h_w", "13560"}, {"S_q", "h_h", "8475"}, {"S_q", "s_h", "2"},
        {"S_q", "s_bo", "2"},    {"S_q", "s_jd", "2"},   {"S_q", "qvodqi", "2"},
        {"S_q", "s_pao", "2"},
    };
    return keys;
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

// The values are set one after another in the text read once, and the file
// is written once: the same bytes as a write a value, without rereading and
// replacing the whole file for each.
void create_settings(const QString& file, Machine& machine) {
    QByteArray text = read_profile_file(file);
    for (const SettingKey& k : initial_settings()) {
        const QString section = QString::fromLatin1(k.section);
        const QString key = QString::fromLatin1(k.key);
        const QString value = section == QLatin1String("User") ? machine_identity(machine)
                                                               : QString::fromUtf8(k.initial);
        text = with_profile_string(text, section, key, value);
    }
    write_bytes_atomically(file, text);
}

void repair_settings(const QString& file, Machine& machine) {
    const QByteArray before = read_profile_file(file);
    const auto read = [&before](const QString& section, const QString& key) {
        return ini_read_text(before, section, key);
    };
    const QString user = read(QStringLiteral("user"), QStringLiteral("Name"));
    const QString ver = read(QStringLiteral("ver"), QStringLiteral("Name"));
    const QString ts = read(QStringLiteral("S_q"), QStringLiteral("ts"));
    std::vector<QString> values;
    for (const SettingKey& k : repaired_settings())
        values.push_back(read(QString::fromLatin1(k.section), QString::fromLatin1(k.key)));

    QByteArray text = before;
    if (user == QLatin1String("0") || user.isEmpty())
        text = with_profile_string(text, QStringLiteral("User"), QStringLiteral("Name"),
                                   machine_identity(machine));
    if (ver != QLatin1String("2.1"))
        text = with_profile_string(text, QStringLiteral("Ver"), QStringLiteral("Name"),
                                   QStringLiteral("2.1"));
    const qint64 ts_number = ini_number(ts);
    if (ts_number != 1 && ts_number != 2)
        text = with_profile_string(text, QStringLiteral("S_q"), QStringLiteral("ts"),
                                   QStringLiteral("3"));
    for (size_t i = 0; i < values.size(); ++i) {
        const SettingKey& k = repaired_settings()[i];
        if (ini_number(values[i]) == 0)
            text = with_profile_string(text, QString::fromLatin1(k.section),
                                       QString::fromLatin1(k.key), QString::fromLatin1(k.initial));
    }
    // A file already whole is left as it is (a start with the default
    // "ts" of 3 sets it to 3 again).
    if (text != before)
        write_bytes_atomically(file, text);
}

} // namespace kelvara
