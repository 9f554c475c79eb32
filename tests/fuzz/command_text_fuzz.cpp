// The command line a second instance hands the first one.
//
// Input: the bytes received.

#include "desktop/local_socket_channel.h"
#include "fuzz_support.h"

using namespace kelvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::input_bytes(data, size);
    const std::optional<QString> text = command_text(bytes);
    if (!text)
        return 0;
    // Taken only whole: the very bytes sent, no control characters.
    FUZZ_CHECK(text->toUtf8() == bytes);
    FUZZ_CHECK(bytes.size() <= kMaxCommandBytes);
    for (const QChar c : *text)
        FUZZ_CHECK(c.unicode() >= 0x20 || c == u'\t');
    return 0;
}
