// The reply-line tracker on any bytes the control connection may carry, in
// pieces cut anywhere.

#include "connection/FtpReplyLines.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says where the rest is cut in two.
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);

    ftp_detail::FtpReplyTracker whole;
    whole.feed(bytes);
    ftp_detail::FtpReplyTracker pieces;
    pieces.feed(bytes.substr(0, cut));
    pieces.feed(bytes.substr(cut));
    FUZZ_CHECK(whole.lastCode() == pieces.lastCode());
    FUZZ_CHECK(whole.lastLine() == pieces.lastLine());

    const std::string& line = whole.lastLine();
    FUZZ_CHECK(whole.lastCode() >= 0 && whole.lastCode() <= 999);
    FUZZ_CHECK(line.size() <= ftp_detail::FtpReplyTracker::kMaxLineBytes);
    FUZZ_CHECK(line.find('\n') == std::string::npos);
    if (!line.empty()) {
        FUZZ_CHECK(line.size() >= 4 && line[3] == ' ');
        FUZZ_CHECK(std::stoi(line.substr(0, 3)) == whole.lastCode());
    } else {
        FUZZ_CHECK(whole.lastCode() == 0);
    }

    whole.reset();
    FUZZ_CHECK(whole.lastCode() == 0 && whole.lastLine().empty());
    return 0;
}
