// The NLST splitter against listings as real servers send them.

#include "connection/FtpListing.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct ListingSample
{
    const char* name;
    std::string data;
    std::vector<std::string> names;
};

void PrintTo(const ListingSample& sample, std::ostream* out)
{
    *out << sample.name;
}

class NameListCorpus : public ::testing::TestWithParam<ListingSample>
{};

TEST_P(NameListCorpus, SplitsIntoBareNamesInServerOrder)
{
    EXPECT_EQ(ftp_detail::splitNameList(GetParam().data), GetParam().names);
}

using Names = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    RealServers, NameListCorpus,
    ::testing::Values(
        // pyftpdlib: bare names, sorted, CRLF.
        ListingSample{"PyftpdlibBareCrlf", "KELVOR.bin\r\nreadme.txt\r\n",
                      Names{"KELVOR.bin", "readme.txt"}},
        // A unit: the dot entries first, then the program.
        ListingSample{"UnitDotsFirstCrlf", ".\r\n..\r\nKELVOR.bin\r\n",
                      Names{".", "..", "KELVOR.bin"}},
        ListingSample{"UnitProgramBeforeDots", "KELVOR.bin\r\n.\r\n..\r\n",
                      Names{"KELVOR.bin", ".", ".."}},
        // vsftpd in binary mode: the argument in front, LF only.
        ListingSample{"VsftpdAbsolutePrefixLf", "/prog/x.bin\n/prog/y.bin\n",
                      Names{"x.bin", "y.bin"}},
        ListingSample{"VsftpdRelativePrefixLf", "prog/x.bin\n", Names{"x.bin"}},
        // vsftpd in ASCII mode: the same with CRLF.
        ListingSample{"VsftpdRelativePrefixCrlf", "prog/x.bin\r\nprog/y.bin\r\n",
                      Names{"x.bin", "y.bin"}},
        // A prefixing server that also lists the dot entries.
        ListingSample{"PrefixedDots", "/prog/.\r\n/prog/..\r\n/prog/KELVOR.bin\r\n",
                      Names{".", "..", "KELVOR.bin"}},
        ListingSample{"DoubleSlashPrefix", "/prog//x.bin\r\n", Names{"x.bin"}},
        ListingSample{"NoFinalLineEnd", "a.bin\r\nb.bin", Names{"a.bin", "b.bin"}},
        ListingSample{"MixedLineEnds", "a\nb\r\nc", Names{"a", "b", "c"}},
        ListingSample{"EmptyListing", "", Names{}},
        ListingSample{"BlankLinesOnly", "\r\n\n\r\n", Names{}},
        ListingSample{"BlankLinesBetween", "a\r\n\r\nb\r\n", Names{"a", "b"}},
        // Some servers mark folders with a trailing '/'.
        ListingSample{"FolderWithSlash", "sub/\r\nfile\r\n", Names{"sub", "file"}},
        ListingSample{"SpacesAndUtf8",
                      "a b.bin\r\n\xE3\x83\x97\xE3\x83\xAD\xE3\x82\xB0\xE3\x83\xA9\xE3\x83\xA0."
                      "bin\r\n",
                      Names{"a b.bin", "\xE3\x83\x97\xE3\x83\xAD\xE3\x82\xB0\xE3\x83\xA9\xE3\x83"
                                       "\xA0.bin"}},
        ListingSample{"ThreeDotsIsAName", "...\r\n", Names{"..."}},
        // Lines end at CRLF or LF and nowhere else; a line holding any other
        // control byte stays one entry, prefix and all, which no removal
        // will send.
        ListingSample{"BareCrInAName", ".\r\n..\r\nunit\rDELE x.bin\r\n",
                      Names{".", "..", "unit\rDELE x.bin"}},
        ListingSample{"NulInAName", "KELVOR\0.BIN\r\nb\r\n"s, Names{"KELVOR\0.BIN"s, "b"}},
        ListingSample{"CrNulAndLoneLfBesideCrlf", "a\r\nunit\rDELE x\r\nn\0ul\r\nlf\nz\r\n"s,
                      Names{"a", "unit\rDELE x", "n\0ul"s, "lf", "z"}},
        ListingSample{"ControlByteKeepsThePrefix", "/prog/a\r/etc/b\r\n", Names{"/prog/a\r/etc/b"}},
        ListingSample{"TabInAName", "a\tb\n", Names{"a\tb"}},
        ListingSample{"CrCrLf", "a\r\r\n", Names{"a\r"}},
        ListingSample{"CrAtTheVeryEnd", "a\r\nb\r", Names{"a", "b\r"}},
        ListingSample{"LoneCr", "\r", Names{"\r"}},
        ListingSample{"DelByte", "a\x7f\r\n", Names{"a\x7f"}}),
    [](const ::testing::TestParamInfo<ListingSample>& info) { return info.param.name; });

TEST(NameListBareName, KeepsDotEntriesAsTheyAre)
{
    EXPECT_EQ(ftp_detail::bareName("."), ".");
    EXPECT_EQ(ftp_detail::bareName(".."), "..");
    EXPECT_EQ(ftp_detail::bareName("/prog/.."), "..");
}

TEST(NameListBareName, TakesThePartAfterTheLastSlash)
{
    EXPECT_EQ(ftp_detail::bareName("a/b/c.bin"), "c.bin");
    EXPECT_EQ(ftp_detail::bareName("/c.bin"), "c.bin");
    EXPECT_EQ(ftp_detail::bareName("c.bin"), "c.bin");
    EXPECT_EQ(ftp_detail::bareName("/"), "");
}

} // namespace
