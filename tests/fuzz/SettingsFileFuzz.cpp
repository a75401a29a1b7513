// A whole KELVOR.INI, as a vendor or an editor may have written it, through
// the read rule and the DEFAULTIP rule, as the connection dialog and the
// operations menu read it.

#include "connection/Settings.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& settingsPath()
{
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder != nullptr ? folder : "/tmp") + "/kelvor-fuzz-" +
               std::to_string(::getpid()) + ".ini";
    }();
    return path;
}

bool holdsLineEndOrNul(const std::string& value)
{
    return value.find_first_of(std::string("\n\0", 2)) != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = settingsPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    const std::string text = ReadDefaultIpText(path);
    FUZZ_CHECK(text.size() < kDefaultIpCapacity);
    FUZZ_CHECK(!holdsLineEndOrNul(text));
    if (const auto address = ParseDefaultIp(text)) {
        for (BYTE number : *address)
            FUZZ_CHECK(number >= 1 && number <= 254);
    }

    for (const char* key : {kKeyPath, kKeyFileName}) {
        std::string value;
        const DWORD count = ReadSettingValue(path, key, value);
        FUZZ_CHECK(count == value.size());
        FUZZ_CHECK(count < kValueCapacity);
        FUZZ_CHECK(!holdsLineEndOrNul(value));
    }
    ::unlink(path.c_str());
    return 0;
}
