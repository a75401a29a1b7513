#include "platform/Profile.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sys/stat.h>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    auto lower = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

bool isRegularFile(const std::string& path)
{
    struct stat st
    {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The value of key in section, or nothing when the file, the section or the
// key is missing.
std::optional<std::string> findValue(const std::string& path, std::string_view section,
                                     std::string_view key)
{
    if (!isRegularFile(path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;

    bool inSection = false;
    bool firstLine = true;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view view(line);
        if (firstLine && view.starts_with("\xEF\xBB\xBF"))
            view.remove_prefix(3);
        firstLine = false;
        if (!view.empty() && view.back() == '\r')
            view.remove_suffix(1);
        view = trimmed(view);
        if (view.empty() || view.front() == ';')
            continue;
        if (view.front() == '[') {
            const auto close = view.find(']');
            inSection = close != std::string_view::npos &&
                        equalsIgnoringCase(trimmed(view.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const auto equals = view.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (!equalsIgnoringCase(trimmed(view.substr(0, equals)), key))
            continue;
        std::string_view value = trimmed(view.substr(equals + 1));
        // The value is handed on as a zero-terminated string.
        value = value.substr(0, value.find('\0'));
        return std::string(value);
    }
    return std::nullopt;
}

} // namespace

DWORD GetPrivateProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& returned, DWORD capacity,
                              const std::string& path)
{
    const std::optional<std::string> value = findValue(path, section, key);
    const std::string_view result = value ? std::string_view(*value) : defaultValue;
    const std::size_t room = capacity == 0 ? 0 : capacity - 1;
    returned.assign(result.substr(0, room));
    return static_cast<DWORD>(returned.size());
}
