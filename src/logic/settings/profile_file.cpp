#include "logic/settings/profile_file.h"

#include "logic/text/text_files.h"
#include "shared/gbk.h"

#include <QFile>
#include <optional>
#include <vector>

namespace kelvara {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trim_blanks(const QByteArray& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && is_blank(s.at(b)))
        ++b;
    while (e > b && is_blank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

bool same_name(const QByteArray& a, const QString& b) {
    return QString::compare(from_gbk(a), b, Qt::CaseInsensitive) == 0;
}

// One physical line of the file, without its line end.
struct Line {
    qsizetype begin = 0; // offset of the line in the file
    qsizetype end = 0;   // offset of its line end (or of the file end)
    QByteArray text;
};

std::vector<Line> split_lines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype begin = 0;
    while (begin < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', begin);
        const qsizetype stop = nl < 0 ? bytes.size() : nl;
        qsizetype end = stop;
        if (end > begin && bytes.at(end - 1) == '\r')
            --end;
        lines.push_back({begin, end, bytes.mid(begin, end - begin)});
        begin = nl < 0 ? bytes.size() : nl + 1;
    }
    return lines;
}

std::optional<QByteArray> section_name(const QByteArray& line) {
    const QByteArray t = trim_blanks(line);
    if (!t.startsWith('['))
        return std::nullopt;
    qsizetype close = t.indexOf(']');
    if (close < 0)
        close = t.size();
    return trim_blanks(t.mid(1, close - 1));
}

struct KeyLine {
    QByteArray name;
    QByteArray value;
};

std::optional<KeyLine> key_line(const QByteArray& line) {
    const QByteArray t = trim_blanks(line);
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('['))
        return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq < 0)
        return KeyLine{t, QByteArray()};
    QByteArray value = trim_blanks(t.mid(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return KeyLine{trim_blanks(t.left(eq)), value};
}

// Where a section and a key sit in the file.
struct Location {
    std::optional<size_t> section;  // index of the header line
    std::optional<size_t> last_key; // last key line of that section
    std::optional<size_t> key;      // the key's line
    QByteArray value;
    QByteArray key_spelling;
};

Location locate(const std::vector<Line>& lines, const QString& section, const QString& key) {
    Location loc;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = section_name(lines[i].text)) {
            if (loc.section)
                break; // only the first matching section counts
            inside = same_name(*name, section);
            if (inside)
                loc.section = i;
            continue;
        }
        if (!inside)
            continue;
        const auto kl = key_line(lines[i].text);
        if (!kl)
            continue;
        loc.last_key = i;
        if (!loc.key && same_name(kl->name, key)) {
            loc.key = i;
            loc.value = kl->value;
            loc.key_spelling = kl->name;
        }
    }
    return loc;
}

// The number of bytes of `bytes` that fit in `limit` without cutting a
// double-byte character in two.
qsizetype whole_characters(const QByteArray& bytes, qsizetype limit) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int w = static_cast<unsigned char>(bytes.at(i)) < 0x80 ? 1 : 2;
        if (i + w > limit)
            break;
        i += w;
    }
    return std::min(i, bytes.size());
}

// Completes the line end of a file whose last line has none, or only a bare
// CR, so that what is appended starts on a line of its own.
void end_last_line(QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.endsWith('\n'))
        return;
    bytes.append(bytes.endsWith('\r') ? QByteArray("\n") : QByteArray("\r\n"));
}

} // namespace

QByteArray read_profile_file(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

int profile_string(const QByteArray& text, const QString& section, const QString& key,
                   const QString& default_value, QByteArray& buffer, int size) {
    buffer.clear();
    if (size <= 0)
        return 0;
    const Location loc = locate(split_lines(text), section, key);
    QByteArray value;
    if (loc.key) {
        value = loc.value;
    } else {
        value = to_gbk(default_value);
        while (!value.isEmpty() && is_blank(value.back()))
            value.chop(1);
    }
    buffer = value.left(whole_characters(value, size - 1));
    return static_cast<int>(buffer.size());
}

QByteArray with_profile_string(QByteArray text, const QString& section, const QString& key,
                               const QString& value) {
    const std::vector<Line> lines = split_lines(text);
    const Location loc = locate(lines, section, key);
    const QByteArray crlf("\r\n");
    if (loc.key) {
        const Line& line = lines[*loc.key];
        text.replace(line.begin, line.end - line.begin, loc.key_spelling + '=' + to_gbk(value));
    } else if (loc.section) {
        const Line& after = lines[loc.last_key.value_or(*loc.section)];
        const QByteArray new_line = to_gbk(key) + '=' + to_gbk(value);
        const qsizetype line_feed = text.indexOf('\n', after.end);
        if (line_feed >= 0) {
            text.insert(line_feed + 1, new_line + crlf);
        } else {
            // The last line of the file: end it first, then append.
            end_last_line(text);
            text.append(new_line + crlf);
        }
    } else {
        end_last_line(text);
        text.append('[' + to_gbk(section) + ']' + crlf + to_gbk(key) + '=' + to_gbk(value) + crlf);
    }
    return text;
}

int get_private_profile_string(const QString& section, const QString& key,
                               const QString& default_value, QByteArray& buffer, int size,
                               const QString& file) {
    buffer.clear();
    if (size <= 0)
        return 0;
    return profile_string(read_profile_file(file), section, key, default_value, buffer, size);
}

bool write_private_profile_string(const QString& section, const QString& key, const QString& value,
                                  const QString& file) {
    return write_bytes_atomically(
        file, with_profile_string(read_profile_file(file), section, key, value));
}

} // namespace kelvara
