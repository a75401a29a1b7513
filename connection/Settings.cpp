#include "connection/Settings.h"

#include "platform/FileFind.h"
#include "platform/Profile.h"

#include <climits>
#include <vector>

namespace {

bool isAddressSeparator(char c)
{
    return c == ' ' || c == '.';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Converts like atoi: leading white space, an optional sign, then the digits up
// to the first other character; no digits count as 0. Digits beyond the range
// of an int give nothing instead of an undefined value.
std::optional<long long> toNumber(std::string_view token)
{
    std::size_t i = 0;
    while (i < token.size() && isSpace(token[i]))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        value = value * 10 + (token[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return value;
}

// The code page of the Japanese Windows PCs that vendors write KELVOR.INI
// on: a UTF-16 file's values are read in it, as the vendor's tool read them,
// so that the unit gets the same bytes.
constexpr const char* kVendorCodePage = "CP932";

// The name under which directory holds the settings file: KELVOR.INI, else
// the one entry that equals it but for ASCII case (an archive made on
// Windows, whose file systems ignore case, may hold kelvor.ini). With no
// such entry, or several, KELVOR.INI, which is then not there.
std::string settingsFileName(const std::string& directory)
{
    return FindNameIgnoringAsciiCase(directory, kSettingsFileName).value_or(kSettingsFileName);
}

} // namespace

std::string LocateSettingsFile()
{
    CFileFind finder;
    std::string path;
    if (finder.FindFile(settingsFileName(GetCurrentDirectory()))) {
        BOOL more = TRUE;
        while (more) {
            more = finder.FindNextFile();
            path = finder.GetFilePath();
        }
    }
    return path;
}

SettingsFileCheck CheckSettingsFile(const std::string& directory)
{
    SettingsFileCheck check;
    if (directory.empty())
        return check;
    check.path = JoinPath(directory, settingsFileName(directory));
    check.exists = FileExists(check.path);
    return check;
}

std::string ReadDefaultIpText(const std::string& path)
{
    std::string text;
    GetPrivateProfileString(kSettingsSection, kKeyDefaultIp, kDefaultIpFallback, text,
                            kDefaultIpCapacity, path, kVendorCodePage);
    return text;
}

std::optional<IPv4Address> ParseDefaultIp(std::string_view text)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isAddressSeparator(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !isAddressSeparator(text[i]))
            ++i;
        if (i > start)
            tokens.push_back(text.substr(start, i - start));
    }
    if (tokens.size() != 4)
        return std::nullopt;

    IPv4Address address{};
    for (std::size_t k = 0; k < 4; ++k) {
        const std::optional<long long> number = toNumber(tokens[k]);
        if (!number || *number <= 0 || *number >= 255)
            return std::nullopt;
        address[k] = static_cast<BYTE>(*number);
    }
    return address;
}

IPv4Address ProposedAddress()
{
    return ParseDefaultIp(ReadDefaultIpText(LocateSettingsFile())).value_or(kFallbackAddress);
}

DWORD ReadSettingValue(const std::string& path, const char* key, std::string& value)
{
    return GetPrivateProfileString(kSettingsSection, key, kValueFallback, value, kValueCapacity,
                                   path, kVendorCodePage);
}
