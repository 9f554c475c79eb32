#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace kelvara {

class Machine;

// config.ini: every value is text; on/off options are "2" (on) and "1" (off).

struct SettingKey {
    const char* section;
    const char* key;
    const char* initial; // written when the file is created; nullptr: never
};

// The keys written when the file is created, in the order they are written.
const std::vector<SettingKey>& initial_settings();

// The keys of section S_q that the repair rewrites with their initial value
// when they read as 0, in the order of the repair.
const std::vector<SettingKey>& repaired_settings();

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
