// The reply-line tracker against reply sequences as real servers and
// libcurl's header callback deliver them.

#include "connection/FtpReplyLines.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

using ftp_detail::FtpReplyTracker;

struct ReplySample
{
    const char* name;
    std::vector<std::string> pieces; // as the header callback gets them
    int code;                        // of the last complete reply, 0 for none
    std::string line;
};

void PrintTo(const ReplySample& sample, std::ostream* out)
{
    *out << sample.name;
}

FtpReplyTracker fed(const std::vector<std::string>& pieces)
{
    FtpReplyTracker tracker;
    for (const std::string& piece : pieces)
        tracker.feed(piece);
    return tracker;
}

class ReplyCorpus : public ::testing::TestWithParam<ReplySample>
{};

TEST_P(ReplyCorpus, KeepsTheLastCompleteReply)
{
    const FtpReplyTracker tracker = fed(GetParam().pieces);
    EXPECT_EQ(tracker.lastCode(), GetParam().code);
    EXPECT_EQ(tracker.lastLine(), GetParam().line);
}

TEST_P(ReplyCorpus, GivesTheSameWhenTheBytesComeOneByOne)
{
    std::vector<std::string> bytes;
    for (const std::string& piece : GetParam().pieces) {
        for (char c : piece)
            bytes.emplace_back(1, c);
    }
    const FtpReplyTracker tracker = fed(bytes);
    EXPECT_EQ(tracker.lastCode(), GetParam().code);
    EXPECT_EQ(tracker.lastLine(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    RealSequences, ReplyCorpus,
    ::testing::Values(
        ReplySample{"StandInGreeting",
                    {"220 KELVOR unit stand-in ready.\r\n"},
                    220,
                    "220 KELVOR unit stand-in ready."},
        ReplySample{"VsftpdLogin",
                    {"220 (vsFTPd 3.0.3)\r\n", "331 Please specify the password.\r\n",
                     "230 Login successful.\r\n", "257 \"/\" is the current directory\r\n"},
                    257,
                    "257 \"/\" is the current directory"},
        ReplySample{
            "MultiLineGreeting",
            {"220-Welcome to the unit\r\n", "220-Authorised users only\r\n", "220 Ready\r\n"},
            220,
            "220 Ready"},
        ReplySample{"MultiLineWithPaddedLines",
                    {"211-Features:\r\n", " MDTM\r\n", " REST STREAM\r\n", " 200 padded\r\n",
                     "211 End\r\n"},
                    211,
                    "211 End"},
        ReplySample{"MultiLineStillOpen",
                    {"230 Login successful.\r\n", "250-Deleting\r\n"},
                    230,
                    "230 Login successful."},
        ReplySample{"UploadFinished",
                    {"150 File status okay. About to open data connection.\r\n",
                     "226 Transfer complete.\r\n"},
                    226,
                    "226 Transfer complete."},
        ReplySample{"RefusedDele",
                    {"550 No such file or directory.\r\n"},
                    550,
                    "550 No such file or directory."},
        ReplySample{"BareLf", {"250 File removed.\n"}, 250, "250 File removed."},
        ReplySample{"LibcurlsOwnLines",
                    {"213 42\r\n", "Content-Length: 42\r\n", "Accept-ranges: bytes\r\n"},
                    213,
                    "213 42"},
        ReplySample{"InPieces", {"25", "0 Del", "eted.\r", "\n"}, 250, "250 Deleted."},
        ReplySample{"CodeAloneEndsNothing", {"250\r\n"}, 0, ""},
        ReplySample{"NoLineEndYet", {"226 Transfer complete."}, 0, ""},
        ReplySample{"NotThreeDigits", {"2x0 odd\r\n", "abc def\r\n", "25 short\r\n"}, 0, ""},
        ReplySample{"CrInsideTheLine", {"250 ok\rDELE x\r\n"}, 250, "250 ok\rDELE x"},
        ReplySample{"UnpaddedCodeInsideAMultiLineReplyEndsIt",
                    {"250-Deleting\r\n", "550 failed\r\n", "250 done\r\n"},
                    250,
                    "250 done"},
        ReplySample{"EmptyLines", {"\r\n", "\n", "221 Goodbye.\r\n", "\r\n"}, 221, "221 Goodbye."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyTracker, ResetForgetsTheReplyAndAHalfLine)
{
    FtpReplyTracker tracker = fed({"250 ok\r\n", "55"});
    tracker.reset();
    EXPECT_EQ(tracker.lastCode(), 0);
    EXPECT_EQ(tracker.lastLine(), "");
    tracker.feed("0 no\r\n");
    EXPECT_EQ(tracker.lastCode(), 0); // "0 no" is no reply
}

TEST(ReplyTracker, CutsAnOverlongLine)
{
    const std::string text(3 * FtpReplyTracker::kMaxLineBytes, 'x');
    const FtpReplyTracker tracker = fed({"250 " + text, text, "\r\n", "226 ", "next\r\n"});
    EXPECT_EQ(tracker.lastCode(), 226);
    const FtpReplyTracker overlong = fed({"250 " + text + "\r\n"});
    EXPECT_EQ(overlong.lastCode(), 250);
    EXPECT_EQ(overlong.lastLine().size(), FtpReplyTracker::kMaxLineBytes);
}

} // namespace
