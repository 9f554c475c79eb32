#pragma once

#include "platform/transfer.h"

namespace kelvara {

// Blocking libcurl GET on the calling thread.
class CurlTransfer : public Transfer {
public:
    explicit CurlTransfer(int timeout_seconds = 60);
    ~CurlTransfer() override;
    std::optional<QString> open_url(const QString& url) override;
    bool still_executing() const override { return executing_; }
    void cancel() override { cancel_ = true; }

private:
    int timeout_seconds_;
    bool executing_ = false;
    bool cancel_ = false;
};

} // namespace kelvara
