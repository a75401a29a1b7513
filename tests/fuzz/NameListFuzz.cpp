// The NLST splitter on any listing data a unit may send.

#include "connection/FtpListing.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool holdsControlByte(const std::string& name)
{
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view listing(reinterpret_cast<const char*>(data), size);
    const auto names = ftp_detail::splitNameList(listing);
    std::size_t joined = 0;
    for (const std::string& name : names) {
        // Lines end at LF; no entry holds one, and none is empty.
        FUZZ_CHECK(name.find('\n') == std::string::npos);
        FUZZ_CHECK(!name.empty());
        // An entry with a control byte is one line of the listing as sent;
        // any other is a bare name, without a folder in front.
        if (holdsControlByte(name))
            FUZZ_CHECK(listing.find(name) != std::string_view::npos);
        else
            FUZZ_CHECK(name.find('/') == std::string::npos);
        joined += name.size();
    }
    // Names joined back, one line end between each, never exceed the input.
    if (!names.empty())
        FUZZ_CHECK(joined + names.size() - 1 <= size);
    return 0;
}
