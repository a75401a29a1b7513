// The address the connection dialog hands the FTP layer: only four decimal
// numbers of 0 to 255 pass, in their plain form, and that form passes again
// unchanged.

#include "connection/FtpWire.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string host = "unchanged";
    if (!ftp_detail::parseDottedIPv4(text, host)) {
        FUZZ_CHECK(host == "unchanged");
        return 0;
    }
    FUZZ_CHECK(host.size() <= 15);
    FUZZ_CHECK(host.find_first_not_of("0123456789.") == std::string::npos);
    FUZZ_CHECK(text.find_first_not_of("0123456789.") == std::string_view::npos);
    std::string again;
    FUZZ_CHECK(ftp_detail::parseDottedIPv4(host, again) && again == host);
    return 0;
}
