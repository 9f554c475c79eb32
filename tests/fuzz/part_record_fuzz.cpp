// The terminal's record of a partial download (<name>.kvpart), as a crash or
// another program may leave it, and the file names it makes of addresses.
//
// Input: the record's text.

#include "fuzz_support.h"
#include "part_file.h"

using namespace kelvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<PartRecord> record = parse_part_record(text)) {
        FUZZ_CHECK(record->size > 0);
        FUZZ_CHECK(record->pieces.file_size() == record->size);
        FUZZ_CHECK(record->pieces.have_bytes() <= record->size);
        // A record written and read back is the same.
        const std::string written = format_part_record(*record);
        const std::optional<PartRecord> again = parse_part_record(written);
        FUZZ_CHECK(again && format_part_record(*again) == written);
        FUZZ_CHECK(again->sha1 == record->sha1 && again->size == record->size &&
                   again->name == record->name &&
                   again->pieces.to_hex() == record->pieces.to_hex());
    }
    const std::string name = safe_file_name(text, "fallback");
    FUZZ_CHECK(!name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos);
    return 0;
}
