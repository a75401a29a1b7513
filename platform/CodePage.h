#pragma once

#include <optional>
#include <string>
#include <string_view>

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// bytes read in the Japanese Windows code page 932 and written as UTF-8, or
// nothing when they are not valid CP932 (or the C library cannot convert).
std::optional<std::string> Cp932ToUtf8(std::string_view bytes);

// utf8 written in codePage (the C library's name of a code page without
// shift states, such as "CP932"), or nothing when it is not valid UTF-8 or a
// character has no form in that code page. Characters that the code page
// gives as another one (glibc's CP932 writes U+00A5 YEN SIGN as 0x5C, as
// Windows does) are written so.
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, const char* codePage);
