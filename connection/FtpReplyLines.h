#pragma once

// Follows the server's replies on the control connection, as libcurl hands
// them to its header callback, to keep the last one where a test or a
// debugger can see it.
//
// What arrives: reply lines, in pieces or whole, ended by CRLF or a bare LF;
// the lines of a multi-line reply ("150-..." up to "150 ..."); and lines
// libcurl makes itself ("Content-Length: 42" after a size query), which are
// no replies at all. A reply ends with a line of three digits and a space,
// which is also the rule by which libcurl takes a reply as final, so the
// tracker and libcurl always agree on which reply an operation ended with. In
// a well-formed multi-line reply that is its closing "150 ..." line: lines
// inside it never start with three digits and a space.
//
// No libcurl here; pure text handling.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ftp_detail {

class FtpReplyTracker
{
public:
    // A longer line is kept only up to this many bytes; what follows up to
    // its end is dropped.
    static constexpr std::size_t kMaxLineBytes = 4096;

    // Bytes as the header callback receives them.
    void feed(std::string_view bytes);

    // Forgets everything seen, for the next operation.
    void reset();

    // The code of the last complete reply; 0 when none has completed.
    int lastCode() const { return m_lastCode; }
    // Its final line, without the line end; "" when none has completed.
    const std::string& lastLine() const { return m_lastLine; }

private:
    void onLine(std::string_view line);

    std::string m_piece; // the line being received, up to kMaxLineBytes
    int m_lastCode = 0;
    std::string m_lastLine;
};

// The size a reply to SIZE gives: "213 1048576" (spaces after the number
// allowed), else nothing: another code, no number, anything after it, or a
// number past 64 bits.
std::optional<std::uint64_t> sizeInReply(std::string_view line);

} // namespace ftp_detail
