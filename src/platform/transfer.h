#pragma once

#include <QString>
#include <optional>

namespace kelvara {

// The client's HTTP requests. A request blocks the calling thread until the
// reply arrives or the 60-second time-out passes; nothing else of the client
// runs meanwhile.
class Transfer {
public:
    virtual ~Transfer() = default;
    // GET `url`. The body (also of an HTTP error page) is read as GBK text.
    // Empty optional when the request failed or timed out.
    virtual std::optional<QString> open_url(const QString& url) = 0;
    virtual bool still_executing() const = 0;
    virtual void cancel() = 0;
};

} // namespace kelvara
