// config.ini as the user or a crash may leave it: reading, writing one value
// and the repair run at every start.
//
// Input: the file's bytes, NUL, a section, NUL, a key, NUL, a value.

#include "fuzz_support.h"
#include "logic/settings/profile_file.h"
#include "logic/settings/settings.h"
#include "platform/machine.h"
#include "shared/gbk.h"

#include <QFile>

using namespace kelvara;

namespace {

class FixedMachine : public Machine {
public:
    QString first_ip_adapter_mac() override { return QStringLiteral("00:1a:2b:3c:4d:5e"); }
    QDateTime local_now() override { return QDateTime(QDate(2010, 10, 9), QTime(15, 30, 25)); }
    double random_fraction() override { return 0.5; }
};

// A name a write can create and a read find again.
bool usable_name(const QString& name) {
    if (name.trimmed() != name || name.isEmpty() || name.startsWith(u';'))
        return false;
    for (const QChar c : name) {
        if (c == u'[' || c == u']' || c == u'=' || c.unicode() < 0x20)
            return false;
    }
    return from_gbk(to_gbk(name)) == name;
}

// A value that reads back as written: no line break or NUL, no blanks
// around it, not enclosed in quotes, GBK and short enough for the buffer.
bool usable_value(const QString& value) {
    if (value.trimmed() != value || value.contains(u'\r') || value.contains(u'\n') ||
        value.contains(QChar(0)))
        return false;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return false;
    const QByteArray gbk = to_gbk(value);
    return gbk.size() < 250 && from_gbk(gbk) == value;
}

QString read_value(const QString& file, const QString& section, const QString& key) {
    QByteArray buffer;
    get_private_profile_string(section, key, QStringLiteral("\x01missing"), buffer, 255, file);
    return from_gbk(buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fuzz::input_parts(data, size, 4);
    const QString file = fuzz::scratch_folder() + QStringLiteral("/config.ini");
    {
        QFile out(file);
        FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(parts[0]);
    }
    const QString section = QString::fromUtf8(parts[1]);
    const QString key = QString::fromUtf8(parts[2]);
    const QString value = QString::fromUtf8(parts[3]);

    QByteArray buffer;
    const int copied = get_private_profile_string(section, key, value, buffer, 255, file);
    FUZZ_CHECK(copied == buffer.size() && copied <= 254);

    // A write changes that one value: it reads back, and a value of another
    // section stays what it was.
    const QString other_section = QStringLiteral("S_q");
    const QString other_key = QStringLiteral("ts");
    if (usable_name(section) && usable_name(key) && usable_value(value) &&
        section.compare(other_section, Qt::CaseInsensitive) != 0) {
        const QString other_before = read_value(file, other_section, other_key);
        FUZZ_CHECK(write_private_profile_string(section, key, value, file));
        FUZZ_CHECK(read_value(file, section, key) == value);
        FUZZ_CHECK(read_value(file, other_section, other_key) == other_before);
    }

    // After the repair the client finds every value it relies on.
    {
        FixedMachine machine;
        repair_settings(file, machine);
        const QByteArray repaired = read_profile_file(file);
        FUZZ_CHECK(ini_read_text(repaired, QStringLiteral("Ver"), QStringLiteral("Name")) ==
                   QLatin1String("2.1"));
        const QString user =
            ini_read_text(repaired, QStringLiteral("User"), QStringLiteral("Name"));
        FUZZ_CHECK(!user.isEmpty() && user != QLatin1String("0"));
        const qint64 ts =
            ini_number(ini_read_text(repaired, QStringLiteral("S_q"), QStringLiteral("ts")));
        FUZZ_CHECK(ts >= 1 && ts <= 3);
        for (const Setting setting : repaired_settings()) {
            const SettingKey& k = setting_key(setting);
            FUZZ_CHECK(ini_number(ini_read_text(repaired, QString::fromLatin1(k.section),
                                                QString::fromLatin1(k.key))) != 0);
        }
    }
    return 0;
}
