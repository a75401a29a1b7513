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
// A file that starts with a UTF-16 byte-order mark (little or big endian, as
// Windows's Notepad saves "Unicode") is read by the same rules, and its value
// is returned in codePage (an iconv name, such as "CP932"), as Windows
// returns it in the ANSI code page; the capacity counts those bytes. A value
// holding a character that codePage lacks, or half a surrogate pair, is
// returned as "" instead of with a stand-in character. A last odd byte is
// ignored. UTF-16 without a byte-order mark is not recognised.
DWORD GetPrivateProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& returned, DWORD capacity,
                              const std::string& path, const char* codePage);
