// QvodPlayer.xml as the settings dialog and the terminal read it, and the
// dialog's change of its download folder.
//
// Input: the file's bytes, NUL, the folder typed into the dialog.

#include "fuzz_support.h"
#include "logic/settings/qvod_settings.h"
#include "shared/gbk.h"
#include "terminal_settings.h"

using namespace kelvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fuzz::input_parts(data, size, 2);
    const std::string qvod_folder = "/home/用户/.local/share/kelvara/Qvod/";

    const TerminalSettings read = parse_settings(parts[0], qvod_folder);
    FUZZ_CHECK(!read.save_folder.empty() && read.save_folder.back() == '/');
    for (const std::string& source : read.sources) {
        const QString scheme = QString::fromStdString(source).section(u':', 0, 0).toLower();
        FUZZ_CHECK(scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    }

    const QString settings = from_gbk(parts[0]);
    qvod_save_path(settings);

    // The folder the dialog stores is the one both sides read back.
    const QString folder = download_folder(QString::fromUtf8(parts[1]));
    FUZZ_CHECK(folder.startsWith(u'/') && folder.endsWith(u'/'));
    const QString changed = with_qvod_save_path(settings, folder);
    if (changed == settings && !settings.trimmed().isEmpty())
        return 0; // a text the dialog does not know how to change
    if (from_gbk(to_gbk(folder)) != folder || folder.contains(u'\n') || folder.contains(u'\r'))
        return 0;
    FUZZ_CHECK(qvod_save_path(changed) == folder);
    FUZZ_CHECK(parse_settings(to_gbk(changed), qvod_folder).save_folder == folder.toStdString());
    return 0;
}
