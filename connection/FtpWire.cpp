#include "connection/FtpWire.h"

#include "connection/ControlBytes.h"

#include <charconv>

namespace ftp_detail {

namespace {

bool namesAFile(std::string_view path)
{
    return !path.empty() && path.back() != '/';
}

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '~';
}

// Every byte except A-Z a-z 0-9 - _ ~ written as %XX. After
// "ftp://host:port/", with the no-CWD file method, libcurl decodes it back
// and sends exactly these bytes after STOR, a leading '/' (%2F) included.
std::string percentEncoded(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size() * 3);
    for (char c : path) {
        if (isUnreserved(c)) {
            encoded += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

} // namespace

std::optional<FtpWireRequest> toWire(FtpOperation operation, std::string_view remotePath)
{
    if (hasControlByte(remotePath))
        return std::nullopt;
    switch (operation) {
    case FtpOperation::Store:
        if (!namesAFile(remotePath))
            return std::nullopt;
        // The '*' keeps the connection when the unit refuses SIZE.
        return FtpWireRequest{percentEncoded(remotePath), "*SIZE " + std::string(remotePath)};
    case FtpOperation::Remove:
        if (!namesAFile(remotePath))
            return std::nullopt;
        // The '*' tells libcurl that a refused DELE is no failure of the
        // connection, which it then keeps.
        return FtpWireRequest{{}, "*DELE " + std::string(remotePath)};
    case FtpOperation::List:
        return FtpWireRequest{
            {}, remotePath.empty() ? std::string("NLST") : "NLST " + std::string(remotePath)};
    }
    return std::nullopt;
}

bool isSendableCredential(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool parseDottedIPv4(std::string_view text, std::string& normalised)
{
    std::string result;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
        std::size_t end = pos;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        // At most three digits, so that "0000001" is not taken for 1.
        if (end == pos || end - pos > 3)
            return false;
        unsigned value = 0;
        std::from_chars(text.data() + pos, text.data() + end, value);
        if (value > 255)
            return false;
        if (part > 0)
            result += '.';
        result += std::to_string(value);
        pos = end;
    }
    if (pos != text.size())
        return false;
    normalised = std::move(result);
    return true;
}

} // namespace ftp_detail
