#include "connection/FtpReplyLines.h"

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

} // namespace ftp_detail
