#pragma once

#include <QString>
#include <cstddef>
#include <string>

namespace kelvara {

// The value of one hexadecimal digit (either case), or -1.
constexpr int hex_digit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The value of `count` hexadecimal digits of `text` at `at`, or -1 when they
// are not all there.
inline int hex_at(const QString& text, qsizetype at, int count) {
    if (at < 0 || at + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const int digit = hex_digit(text.at(at + i).unicode());
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

// `size` bytes from `bytes` as lower-case hexadecimal digits, two a byte.
inline std::string hex_of(const void* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const auto* byte = static_cast<const unsigned char*>(bytes);
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[byte[i] >> 4];
        text += kDigits[byte[i] & 15];
    }
    return text;
}

} // namespace kelvara
