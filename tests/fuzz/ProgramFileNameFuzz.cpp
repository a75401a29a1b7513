// FILENAME from a vendor's settings file: a name taken as inside the working
// folder stays inside it however it is read here (as it stands, with '\' as
// a separator, read as CP932), and a CP932 reading is well-formed UTF-8.

#include "connection/ProgramFile.h"
#include "platform/CodePage.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Whether folder joined with name, its "." and ".." resolved by the path
// library, is still below folder.
bool staysBelow(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path folder("/work");
    const std::filesystem::path joined = (folder / name).lexically_normal();
    const auto relative = joined.lexically_relative(folder);
    return !name.empty() && name.front() != '/' && !relative.empty() && *relative.begin() != "..";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> cp932 = Cp932ToUtf8(name);
    if (cp932)
        FUZZ_CHECK(IsValidUtf8(*cp932));
    if (IsInsideWorkingFolder(name)) {
        FUZZ_CHECK(staysBelow(name));
        if (cp932)
            FUZZ_CHECK(staysBelow(*cp932));
    }
    return 0;
}
