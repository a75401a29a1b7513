#include "connection/ProgramFile.h"

#include "platform/CodePage.h"
#include "platform/FileFind.h"

#include <algorithm>
#include <vector>

namespace {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool hasDrive(std::string_view name)
{
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

} // namespace

bool IsInsideWorkingFolder(std::string_view fileName)
{
    if (fileName.empty() || isSeparator(fileName.front()) || hasDrive(fileName))
        return false;
    // The bytes are looked at as they stand, whatever their code page: in
    // CP932 a 0x5C may also be the second byte of a character, so this
    // splits at least wherever the name really has a separator, and a ".."
    // component always shows.
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = fileName.find_first_of("/\\", start);
        if (fileName.substr(start, end - start) == "..")
            return false;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return true;
}

std::string LocalProgramPath(const std::string& folder, const std::string& fileName)
{
    std::vector<std::string> names{fileName};
    std::string text = fileName;
    if (!IsValidUtf8(fileName)) {
        const auto converted = Cp932ToUtf8(fileName);
        if (!converted)
            return JoinPath(folder, fileName);
        text = *converted;
        names.push_back(text);
    }
    // Only now: in UTF-8 a 0x5C byte is always the backslash itself.
    if (text.find('\\') != std::string::npos) {
        std::replace(text.begin(), text.end(), '\\', '/');
        names.push_back(text);
    }
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
        if (FileExists(path))
            return path;
    }
    return JoinPath(folder, fileName);
}
