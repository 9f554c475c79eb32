#include "byte_ranges.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace kelvara::demo {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A non-negative decimal number filling the whole text.
std::optional<std::int64_t> number(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

RangeAnswer whole(std::int64_t size) {
    return {200, 0, size};
}

RangeAnswer unsatisfiable() {
    return {416, 0, 0};
}

} // namespace

RangeAnswer answer_range(const std::string& header, std::int64_t size) {
    const std::string text = trimmed(header);
    const std::string unit = "bytes=";
    if (text.compare(0, unit.size(), unit) != 0)
        return whole(size);
    const std::string set = trimmed(text.substr(unit.size()));
    const auto dash = set.find('-');
    if (dash == std::string::npos || set.find(',') != std::string::npos)
        return whole(size);
    const std::string first_text = trimmed(set.substr(0, dash));
    const std::string last_text = trimmed(set.substr(dash + 1));

    if (first_text.empty()) {
        const auto suffix = number(last_text);
        if (!suffix)
            return whole(size);
        if (*suffix == 0 || size == 0)
            return unsatisfiable();
        const std::int64_t length = std::min(*suffix, size);
        return {206, size - length, length};
    }

    const auto first = number(first_text);
    if (!first)
        return whole(size);
    std::int64_t last = size - 1;
    if (!last_text.empty()) {
        const auto end = number(last_text);
        if (!end || *end < *first)
            return whole(size);
        last = std::min(*end, size - 1);
    }
    if (*first >= size)
        return unsatisfiable();
    return {206, *first, last - *first + 1};
}

std::string content_range(const RangeAnswer& answer, std::int64_t size) {
    if (answer.status == 416)
        return "bytes */" + std::to_string(size);
    return "bytes " + std::to_string(answer.offset) + '-' +
           std::to_string(answer.offset + answer.length - 1) + '/' + std::to_string(size);
}

} // namespace kelvara::demo
