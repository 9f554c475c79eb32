#include "logic/tray/tray_text.h"
#include "shared/gbk.h"

#include <gtest/gtest.h>

using namespace kelvara;

TEST(TrayText, FieldsAreCutToTheirBytesAtAWholeCharacter) {
    EXPECT_EQ(fit_field(QStringLiteral("Kelvara提示:"), balloon_title_bytes),
              QStringLiteral("Kelvara提示:"));
    // 127 ASCII bytes leave one byte: too little for a double-byte character.
    const QString ascii(127, QLatin1Char('a'));
    EXPECT_EQ(fit_field(ascii + QStringLiteral("中文"), 128), ascii);
    EXPECT_EQ(fit_field(ascii + QStringLiteral("bc"), 128), ascii + QStringLiteral("b"));
    // 200 Chinese characters are 400 bytes; 256 bytes hold 128 of them.
    const QString chinese = QString(QStringLiteral("播放")).repeated(100);
    const QString cut = fit_field(chinese, balloon_text_bytes);
    EXPECT_EQ(cut.size(), 128);
    EXPECT_EQ(to_gbk(cut).size(), 256);
    EXPECT_EQ(fit_field(QStringLiteral("下一集"), 5), QStringLiteral("下一"));
    EXPECT_EQ(fit_field({}, 64), QString());
}
