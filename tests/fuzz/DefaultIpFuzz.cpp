// The DEFAULTIP rule on any text: an accepted address is four numbers of 1
// to 254, and written back in dots it is accepted again as the same.

#include "connection/Settings.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto address = ParseDefaultIp(text);
    if (!address)
        return 0;
    std::string dotted;
    for (BYTE number : *address) {
        FUZZ_CHECK(number >= 1 && number <= 254);
        if (!dotted.empty())
            dotted += '.';
        dotted += std::to_string(number);
    }
    const auto again = ParseDefaultIp(dotted);
    FUZZ_CHECK(again && *again == *address);
    return 0;
}
