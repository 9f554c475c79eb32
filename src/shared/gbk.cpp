#include "shared/gbk.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>

namespace kelvara {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // The descriptor back in its initial state.
    iconv_t get() const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

const char kCodePage[] = "CP936";

// Opening a converter loads and looks up the code page's tables: each thread
// opens its two once, not once a text (the profile reader converts every
// section and key name it passes).
Converter& utf8_to_gbk() {
    thread_local Converter conv(kCodePage, "UTF-8");
    return conv;
}

Converter& gbk_to_utf8() {
    thread_local Converter conv("UTF-8", kCodePage);
    return conv;
}

// Length of the UTF-8 sequence that starts with `lead` (QString::toUtf8()
// writes only whole, valid sequences).
int utf8_length(unsigned char lead) {
    if (lead < 0xC0)
        return 1;
    if (lead < 0xE0)
        return 2;
    return lead < 0xF0 ? 3 : 4;
}

// The UTF-8 text in GBK, each character GBK cannot hold as "?". Returns the
// number of such characters, or nothing when no converter could be opened.
std::optional<int> encode(const QByteArray& utf8, QByteArray& out) {
    Converter& conv = utf8_to_gbk();
    if (!conv.ok())
        return std::nullopt;
    int replaced = 0;
    out.resize(utf8.size() + 16);
    char* in = const_cast<char*>(utf8.constData());
    size_t in_left = utf8.size();
    char* o = out.data();
    size_t out_left = out.size();
    iconv_t cd = conv.get();
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1))
            break;
        if (errno != E2BIG && out_left > 0) {
            // A character GBK has no code for: "?" in its place.
            const size_t skipped = std::min<size_t>(utf8_length(*in), in_left);
            *o++ = '?';
            --out_left;
            ++replaced;
            in += skipped;
            in_left -= skipped;
            cd = conv.get();
            continue;
        }
        // GBK never takes more bytes than UTF-8, but leave room anyway.
        const auto used = o - out.data();
        out.resize(out.size() * 2);
        o = out.data() + used;
        out_left = out.size() - used;
    }
    out.resize(o - out.data());
    return replaced;
}

// Whether GBK holds every character of `text` (a lone surrogate counts as
// "?", which it holds).
bool gbk_holds(const QString& text) {
    QByteArray unused;
    return encode(text.toUtf8(), unused) == 0;
}

// The number of UTF-16 units of the character at `i`.
qsizetype character_length(const QString& text, qsizetype i) {
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
               ? 2
               : 1;
}

} // namespace

QByteArray to_gbk(const QString& text) {
    QByteArray out;
    if (encode(text.toUtf8(), out))
        return out;
    // Without a converter only ASCII is written as it is.
    out.clear();
    for (qsizetype i = 0; i < text.size(); i += character_length(text, i)) {
        const char16_t c = text.at(i).unicode();
        out.append(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

QString from_gbk(const QByteArray& bytes) {
    Converter& conv = gbk_to_utf8();
    if (!conv.ok())
        return QString::fromLatin1(bytes);
    QByteArray utf8;
    utf8.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t in_left = bytes.size();
    char* out = utf8.data();
    size_t out_left = utf8.size();
    iconv_t cd = conv.get();
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &out, &out_left) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            const auto used = out - utf8.data();
            utf8.resize(utf8.size() * 2);
            out = utf8.data() + used;
            out_left = utf8.size() - used;
            continue;
        }
        // An invalid or cut-off sequence: one replacement character per
        // offending byte, then go on with the next byte.
        if (out_left < 3) {
            const auto used = out - utf8.data();
            utf8.resize(utf8.size() + 64);
            out = utf8.data() + used;
            out_left = utf8.size() - used;
        }
        *out++ = '\xEF';
        *out++ = '\xBF';
        *out++ = '\xBD';
        out_left -= 3;
        ++in;
        --in_left;
        cd = conv.get();
    }
    utf8.resize(out - utf8.data());
    return QString::fromUtf8(utf8);
}

QString replace_outside_gbk(const QString& text,
                            const std::function<QString(const QString&)>& replace) {
    if (gbk_holds(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = character_length(text, i);
        const QString character = text.mid(i, length);
        if (character.front().unicode() < 0x80 || gbk_holds(character))
            out += character;
        else
            out += replace(character);
        i += length;
    }
    return out;
}

int gbk_width(const QString& text, qsizetype i) {
    if (text.at(i).unicode() < 0x80)
        return 1;
    const QByteArray encoded = to_gbk(text.mid(i, character_length(text, i)));
    return encoded == "?" ? 1 : static_cast<int>(encoded.size());
}

} // namespace kelvara
