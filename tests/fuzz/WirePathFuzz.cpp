// The one road to the wire on any remote path or login: what libcurl is
// given never holds a control byte, and it says exactly the path.

#include "connection/FtpWire.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using ftp_detail::FtpOperation;

bool holdsControlByte(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// libcurl's reading of a URL path.
std::string percentDecoded(const std::string& text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            FUZZ_CHECK(i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                       hexValue(text[i + 2]) >= 0);
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses what the rest is.
    const std::string_view path(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool namesAFile = !path.empty() && path.back() != '/';

    switch (data[0] % 4) {
    case 0: {
        const auto request = ftp_detail::toWire(FtpOperation::Store, path);
        FUZZ_CHECK(request.has_value() == (!holdsControlByte(path) && namesAFile));
        if (request) {
            FUZZ_CHECK(!holdsControlByte(request->urlPath) &&
                       request->command == "*SIZE " + std::string(path));
            FUZZ_CHECK(request->urlPath.find('/') == std::string::npos);
            FUZZ_CHECK(percentDecoded(request->urlPath) == path);
        }
        break;
    }
    case 1: {
        const auto request = ftp_detail::toWire(FtpOperation::Remove, path);
        FUZZ_CHECK(request.has_value() == (!holdsControlByte(path) && namesAFile));
        if (request) {
            FUZZ_CHECK(!holdsControlByte(request->command) && request->urlPath.empty());
            FUZZ_CHECK(request->command == "*DELE " + std::string(path));
        }
        break;
    }
    case 2: {
        const auto request = ftp_detail::toWire(FtpOperation::List, path);
        FUZZ_CHECK(request.has_value() == !holdsControlByte(path));
        if (request) {
            FUZZ_CHECK(!holdsControlByte(request->command) && request->urlPath.empty());
            FUZZ_CHECK(request->command ==
                       (path.empty() ? std::string("NLST") : "NLST " + std::string(path)));
        }
        break;
    }
    default: {
        const bool sendable = ftp_detail::isSendableCredential(path);
        FUZZ_CHECK(sendable ==
                   (path.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos));
        break;
    }
    }
    return 0;
}
