#include "connection/FtpReplyLines.h"

#include <charconv>

namespace ftp_detail {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "250 Deleted." ends a reply; "250-" opens or continues a multi-line one,
// "250" alone and text lines end nothing.
bool endsAReply(std::string_view line)
{
    return line.size() >= 4 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]) &&
           line[3] == ' ';
}

} // namespace

void FtpReplyTracker::feed(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (m_piece.size() < kMaxLineBytes)
            m_piece.append(part.substr(0, kMaxLineBytes - m_piece.size()));
        if (end == std::string_view::npos)
            return;
        bytes.remove_prefix(end + 1);
        std::string_view line(m_piece);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        onLine(line);
        m_piece.clear();
    }
}

void FtpReplyTracker::reset()
{
    m_piece.clear();
    m_lastCode = 0;
    m_lastLine.clear();
}

void FtpReplyTracker::onLine(std::string_view line)
{
    if (!endsAReply(line))
        return;
    m_lastCode = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    m_lastLine.assign(line);
}

std::optional<std::uint64_t> sizeInReply(std::string_view line)
{
    constexpr std::string_view kSizeReply = "213 ";
    if (line.substr(0, kSizeReply.size()) != kSizeReply)
        return std::nullopt;
    std::string_view number = line.substr(kSizeReply.size());
    while (!number.empty() && number.back() == ' ')
        number.remove_suffix(1);
    if (number.empty() || !isDigit(number.front()))
        return std::nullopt;
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), size);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return size;
}

} // namespace ftp_detail
