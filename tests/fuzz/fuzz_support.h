#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: the entry point libFuzzer calls, a check
// that stops the run with the failed condition, and the input cut into parts.

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace kelvara::fuzz {

inline QByteArray input_bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input's parts between NUL bytes; missing parts are empty, so every
// target can ask for as many as it uses.
inline QList<QByteArray> input_parts(const uint8_t* data, size_t size, int count) {
    QList<QByteArray> parts = input_bytes(data, size).split('\0');
    while (parts.size() < count)
        parts.append(QByteArray());
    return parts;
}

// A folder of its own for the targets that read and write files, on a
// memory file system where there is one.
QString scratch_folder();

} // namespace kelvara::fuzz
