#pragma once

#include <algorithm>
#include <string_view>

namespace ftp_detail {

// Whether text holds a control byte (below 0x20, or 0x7F): bytes that end a
// command line on the control connection (CR, LF), end a C string (NUL), or
// have no business in a name.
inline bool hasControlByte(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

} // namespace ftp_detail
