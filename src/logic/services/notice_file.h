#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kelvara {

// The server's notice file "lib/wen.txt": fields separated by "====".
//   0 quit action: flag "****" address     3 floating-ad switch
//   1 text-ad switch                       4 QVOD-ad switch
//   2 text ads: "text****link" items separated by "@@@@@"
//   5 newest version
struct Notice {
    QStringList fields; // always at least six; missing fields are empty

    QString field(int i) const { return fields.value(i); }
};

// Empty when the body is missing, empty or holds no "====".
std::optional<Notice> parse_notice(const std::optional<QString>& body);

struct TextAd {
    QString text;
    QString link;
};
// The first four items of the text-ad field.
std::vector<TextAd> text_ads(const QString& field);

// A switch or version field read as a number: blanks and line breaks around
// it are ignored; anything that is not a number reads as 0.
double notice_number(const QString& field);

// The newest version without its line breaks.
QString clean_version(const QString& field);

// The start-up offer: a version that is not empty, not a number equal to 0,
// and differs from the running one.
bool offer_at_start(const QString& new_version, const QString& running_version);
// The on-demand check has no number test.
bool offer_on_demand(const QString& new_version, const QString& running_version);

// The address of a quit action "1****address"; empty when the flag is not
// "1" or there is no "****".
QString quit_action_address(const QString& exit_action);

} // namespace kelvara
