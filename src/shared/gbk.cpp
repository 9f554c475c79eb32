#include "shared/gbk.h"

#include <cerrno>
#include <iconv.h>

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
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

const char kCodePage[] = "CP936";

// Converts one UTF-8 encoded character; false when GBK has no such character.
bool encode_one(Converter& conv, const QByteArray& utf8, QByteArray& out) {
    char buf[8];
    char* in = const_cast<char*>(utf8.constData());
    size_t in_left = utf8.size();
    char* o = buf;
    size_t out_left = sizeof buf;
    iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(conv.get(), &in, &in_left, &o, &out_left) == static_cast<size_t>(-1))
        return false;
    out.append(buf, o - buf);
    return true;
}

} // namespace

QByteArray to_gbk(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    Converter conv(kCodePage, "UTF-8");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out.append(static_cast<char>(c.unicode()));
            continue;
        }
        qsizetype len = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            len = 2;
        const QByteArray utf8 = text.mid(i, len).toUtf8();
        if (!conv.ok() || !encode_one(conv, utf8, out))
            out.append('?');
        i += len - 1;
    }
    return out;
}

QString from_gbk(const QByteArray& bytes) {
    Converter conv("UTF-8", kCodePage);
    if (!conv.ok())
        return QString::fromLatin1(bytes);
    QByteArray utf8;
    utf8.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t in_left = bytes.size();
    char* out = utf8.data();
    size_t out_left = utf8.size();
    while (in_left > 0) {
        if (iconv(conv.get(), &in, &in_left, &out, &out_left) != static_cast<size_t>(-1))
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
        iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    utf8.resize(out - utf8.data());
    return QString::fromUtf8(utf8);
}

QString replace_outside_gbk(const QString& text,
                            const std::function<QString(const QString&)>& replace) {
    QString out;
    out.reserve(text.size());
    Converter conv(kCodePage, "UTF-8");
    QByteArray unused;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out += c;
            continue;
        }
        qsizetype len = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            len = 2;
        const QString character = text.mid(i, len);
        unused.clear();
        if (conv.ok() && encode_one(conv, character.toUtf8(), unused))
            out += character;
        else
            out += replace(character);
        i += len - 1;
    }
    return out;
}

int gbk_width(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    if (c.unicode() < 0x80)
        return 1;
    qsizetype len = 1;
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        len = 2;
    const QByteArray encoded = to_gbk(text.mid(i, len));
    return encoded == "?" ? 1 : static_cast<int>(encoded.size());
}

} // namespace kelvara
