// The server's notice file lib/wen.txt.
//
// Input: the file as text.

#include "fuzz_support.h"
#include "logic/services/notice_file.h"

#include <cmath>

using namespace kelvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<QString> body = QString::fromUtf8(fuzz::input_bytes(data, size));
    const std::optional<Notice> notice = parse_notice(body);
    if (!notice)
        return 0;
    FUZZ_CHECK(notice->fields.size() >= 6);
    FUZZ_CHECK(text_ads(notice->field(2)).size() <= 4);
    for (int i : {1, 3, 4, 5})
        FUZZ_CHECK(std::isfinite(notice_number(notice->field(i))));
    const QString version = clean_version(notice->field(5));
    FUZZ_CHECK(!version.contains(u'\r') && !version.contains(u'\n'));
    offer_at_start(version, QStringLiteral("2.1"));
    offer_on_demand(version, QStringLiteral("2.1"));
    const QString quit = quit_action_address(notice->field(0));
    if (!quit.isEmpty())
        FUZZ_CHECK(notice->field(0).startsWith(u'1'));
    return 0;
}
