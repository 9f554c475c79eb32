#pragma once

#include <cstdint>
#include <string>

namespace kelvara::demo {

// How to answer a request for a body of `size` bytes given its Range header.
struct RangeAnswer {
    int status = 200;        // 200 the whole body, 206 one range, 416 none satisfiable
    std::int64_t offset = 0; // first byte sent
    std::int64_t length = 0; // bytes sent
};

// Single ranges "bytes=a-b", "bytes=a-" and "bytes=-n" are honoured (an end
// past the body is cut to it); a start past the body, or an empty suffix, is
// unsatisfiable. An empty, malformed or multi-range header gets the whole body.
RangeAnswer answer_range(const std::string& header, std::int64_t size);

// "bytes a-b/size" for a 206 answer, "bytes */size" for 416.
std::string content_range(const RangeAnswer& answer, std::int64_t size);

} // namespace kelvara::demo
