// Paints the two skins of the main window, 21 strip images each, as PNG files:
//
//   skin_gen <out dir>              writes <out dir>/skin0/101.png ... skin1/221.png
//   skin_gen --preview <dir>        writes contact sheets and window mock-ups
//   skin_gen --icons <name> <dir>   writes the client's icon into the hicolor
//                                   theme below <dir>: <dir>/hicolor/16x16/apps/
//                                   <name>.png ... 256x256, scalable/<name>.svg
//
// --font <file> names the font file to letter the art with (default: the
// WenQuanYi Zen Hei of Debian's fonts-wqy-zenhei), so that the pictures do
// not depend on what the font configuration would fall back to.
#include "app_icon.h"
#include "palette.h"
#include "preview.h"
#include "strips.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

using namespace kelvara::skin_gen;

namespace {

const char* const default_font = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

bool load_fonts(const QString& file, Fonts& fonts) {
    const int id = QFontDatabase::addApplicationFont(file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty())
        return false;
    // The collection's first face is the proportional one.
    fonts.cjk = families.first();
    fonts.latin = families.first();
    return true;
}

bool write_skins(const QString& out_dir, const Fonts& fonts) {
    for (int skin = 0; skin < 2; ++skin) {
        const Palette p = palette_for(skin);
        const QString dir = QDir(out_dir).filePath(QStringLiteral("skin%1").arg(skin));
        if (!QDir().mkpath(dir))
            return false;
        for (int strip = 0; strip < strip_count; ++strip) {
            const QString file =
                QDir(dir).filePath(QStringLiteral("%1.png").arg(resource_number(skin, strip)));
            if (!paint_strip(p, fonts, strip).save(file, "PNG")) {
                std::fprintf(stderr, "skin_gen: cannot write %s\n", qPrintable(file));
                return false;
            }
        }
    }
    return true;
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        return true;
    std::fprintf(stderr, "skin_gen: cannot write %s\n", qPrintable(path));
    return false;
}

// The sizes the desktops look for in the hicolor theme.
constexpr int icon_sizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool write_icons(const QString& out_dir, const QString& name) {
    const QDir theme(QDir(out_dir).filePath(QStringLiteral("hicolor")));
    for (int size : icon_sizes) {
        const QString dir = theme.filePath(QStringLiteral("%1x%1/apps").arg(size));
        const QString file = dir + u'/' + name + QLatin1String(".png");
        if (!QDir().mkpath(dir) || !paint_app_icon(size).save(file, "PNG")) {
            std::fprintf(stderr, "skin_gen: cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    const QString scalable = theme.filePath(QStringLiteral("scalable/apps"));
    return QDir().mkpath(scalable) &&
           write_file(scalable + u'/' + name + QLatin1String(".svg"), app_icon_svg());
}

int usage() {
    std::fprintf(stderr,
                 "usage: skin_gen [--font <file>] [--preview | --icons <name>] <out dir>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Painting needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString font_file = QString::fromLatin1(default_font);
    bool preview = false;
    QString icon_name;
    QString out_dir;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--font") && !args.isEmpty())
            font_file = args.takeFirst();
        else if (arg == QLatin1String("--preview"))
            preview = true;
        else if (arg == QLatin1String("--icons") && !args.isEmpty())
            icon_name = args.takeFirst();
        else if (out_dir.isEmpty() && !arg.startsWith(QLatin1Char('-')))
            out_dir = arg;
        else
            return usage();
    }
    if (out_dir.isEmpty())
        return usage();
    if (!icon_name.isEmpty())
        return write_icons(out_dir, icon_name) ? 0 : 1;
    Fonts fonts;
    if (!load_fonts(font_file, fonts)) {
        std::fprintf(stderr, "skin_gen: cannot load the font %s\n", qPrintable(font_file));
        return 1;
    }
    const bool ok = preview ? write_previews(out_dir, fonts) : write_skins(out_dir, fonts);
    return ok ? 0 : 1;
}
