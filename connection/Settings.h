#pragma once

#include "platform/Types.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// KELVOR.INI, the program's only configuration: section KELVOR with the keys
// DEFAULTIP (address proposed by the connection dialog), PATH (directory on
// the unit) and FILENAME (program file). Every use reads the file afresh.
// Where the working directory has no KELVOR.INI, the one entry named so but
// for ASCII case (kelvor.ini) is the file; several such entries are none. A
// file saved as UTF-16 (with its byte-order mark) gives its values in CP932,
// as a KELVOR.INI written on a Japanese Windows PC holds them.

inline constexpr const char* kSettingsFileName = "KELVOR.INI";
inline constexpr const char* kSettingsSection = "KELVOR";
inline constexpr const char* kKeyDefaultIp = "DEFAULTIP";
inline constexpr const char* kKeyPath = "PATH";
inline constexpr const char* kKeyFileName = "FILENAME";

// Capacities of the receiving buffers, terminating zero included.
inline constexpr DWORD kDefaultIpCapacity = 17;
inline constexpr DWORD kValueCapacity = 256;

inline constexpr const char* kDefaultIpFallback = "192.168.1.1";
inline constexpr const char* kValueFallback = "ERROR";

using IPv4Address = std::array<BYTE, 4>;
inline constexpr IPv4Address kFallbackAddress{192, 168, 1, 1};

// The settings file as the connection dialog finds it: the absolute path of
// KELVOR.INI (or its one case variant) in the working directory, or "" when
// there is none.
std::string LocateSettingsFile();

// The settings file as the operations menu finds it: directory (the working
// directory, "" when it is unknown) joined with KELVOR.INI (or its one case
// variant), and whether an entry of that path exists.
struct SettingsFileCheck
{
    std::string path;
    bool exists = false;
};
SettingsFileCheck CheckSettingsFile(const std::string& directory);

// DEFAULTIP from the file at path (which may be "" for "no file"), as the
// private-profile read returns it: at most 16 bytes, "192.168.1.1" by default.
std::string ReadDefaultIpText(const std::string& path);

// Splits text at runs of spaces and full stops and converts each token like
// atoi; accepted only as exactly four numbers of 1 to 254. A token whose
// digits overflow an int is refused.
std::optional<IPv4Address> ParseDefaultIp(std::string_view text);

// The address the connection dialog proposes: DEFAULTIP of the located
// file, or 192.168.1.1 when the file, the key or a valid value is missing.
IPv4Address ProposedAddress();

// PATH or FILENAME from the file at path, with capacity 256 and default
// "ERROR". Returns the number of bytes read: 0 means the key is present with
// an empty value, which the caller treats as a settings error.
DWORD ReadSettingValue(const std::string& path, const char* key, std::string& value);
