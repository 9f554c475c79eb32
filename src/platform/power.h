#pragma once

namespace kelvara {

// Powering the computer off.
class Power {
public:
    virtual ~Power() = default;
    // Asks for a forced power-off; false when the request could not be made.
    virtual bool power_off() = 0;
};

} // namespace kelvara
