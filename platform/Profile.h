#pragma once

#include "platform/Types.h"

#include <string>
#include <string_view>

// Reads one value from an INI-style settings file, with the classic
// private-profile rules:
// - a file that cannot be opened as a regular file, a missing section or a
//   missing key give defaultValue; a key with nothing after '=' gives "";
// - the result is cut to capacity - 1 bytes (capacity 0 gives "") and the
//   number of bytes placed in returned is the return value.
// Finer syntax: section and key names match without regard to ASCII case;
// spaces and tabs around names and values are dropped; LF and CRLF line ends;
// a UTF-8 byte-order mark is ignored; lines starting with ';' are comments;
// the first occurrence of a key wins. Values are kept byte for byte, up to
// the first NUL byte if there is one.
DWORD GetPrivateProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& returned, DWORD capacity,
                              const std::string& path);
