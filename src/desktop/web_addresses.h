#pragma once

#include <QPoint>
#include <QString>
#include <QUrl>
#include <optional>

namespace kelvara {

// Between the client's addresses (text, local files as plain paths) and the
// engine's URLs, and the reports of the script every frame of a pane runs.

// The URL the engine loads for an address: an absolute path is a local file,
// "about:blank" and addresses with a scheme are taken as they are.
QUrl address_to_url(const QString& address);
// The address the client sees for an engine URL: local files as paths.
QString url_to_address(const QUrl& url);
// Whether the engine loads the scheme itself; the others are link schemes of
// the client, which are never handed to the engine or the desktop.
bool engine_loads(const QUrl& url);

// Chromium keeps a script navigation's address in its canonical form, with
// non-ASCII characters escaped as UTF-8 ("第" becomes "%E7%AC%AC"). This
// undoes exactly those escapes and leaves every other "%" sequence, such as
// "%u4E2D" or "%3A", as it is.
QString undo_non_ascii_escapes(const QString& address);

// Whether a URL the engine reports for a new window is the one a reported
// link resolved to. The engine gives an invalid, empty URL for addresses
// Qt cannot parse; such an URL matches a reported one Qt cannot parse either.
bool same_target(const QUrl& engine_url, const QString& reported_url);

// One report of the injected script.
struct PageReport {
    enum class Kind { Navigate, Popup, ContextMenu };
    Kind kind = Kind::Navigate;
    // Navigate: the address for the handler (the raw href of a clicked link).
    // Popup: the raw href. ContextMenu: the raw href under the pointer.
    QString address;
    // Popup: the URL the link resolved to, as the page's script saw it.
    QString resolved;
    // ContextMenu: the pointer in screen coordinates.
    QPoint screen_pos;
};

// Parses the text of a report (the fields the script joins with spaces,
// strings as four hex digits per UTF-16 code unit); nullopt when malformed.
std::optional<PageReport> parse_page_report(const QString& text);

// Four lower-case hex digits per UTF-16 code unit, as the script sends text.
QString hex_utf16(const QString& text);

// True for a web address holding a "%" that does not start a valid escape
// (the script escape "%u6D41" of a title): QUrl would rewrite it as "%25",
// while the engine itself keeps it as it is.
bool has_raw_percent(const QString& address);

} // namespace kelvara
