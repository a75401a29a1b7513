#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace {

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// bytes converted from one code page to another, or nothing when a character
// does not convert or the C library cannot convert between the two. Code
// pages without shift states only: nothing is flushed at the end.
std::optional<std::string> convertAll(std::string_view bytes, const char* from, const char* to)
{
    const iconv_t converter = ::iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(bytes);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    std::string out(bytes.size() * 2 + 16, '\0');
    std::size_t used = 0;
    bool converted = false;
    for (;;) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t result = ::iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (result != static_cast<std::size_t>(-1)) {
            converted = inLeft == 0;
            break;
        }
        if (errno != E2BIG)
            break;
        out.resize(out.size() * 2);
    }
    ::iconv_close(converter);
    if (!converted)
        return std::nullopt;
    out.resize(used);
    return out;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        // The smallest value each length may carry, to refuse overlong forms.
        char32_t value = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if (!isContinuation(c))
                return false;
            value = (value << 6) | (c & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::optional<std::string> Cp932ToUtf8(std::string_view bytes)
{
    // glibc's CP932 is Microsoft's table: 0x5C stays a backslash and 0x7E a
    // tilde, as on the PCs that write these texts.
    return convertAll(bytes, "CP932", "UTF-8");
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, const char* codePage)
{
    if (!IsValidUtf8(utf8))
        return std::nullopt;
    return convertAll(utf8, "UTF-8", codePage);
}
