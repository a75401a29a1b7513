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
