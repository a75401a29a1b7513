// Which names and paths may be sent, and how they are written into URLs.

#include "connection/FtpPaths.h"
#include "tests/ftp/ParamNames.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using namespace std::string_literals;
using kelvor::test::ReadableStringName;

TEST(RemotePathEncoding, EncodesEveryByteButUnreservedLettersDigitsAndMarks)
{
    EXPECT_EQ(ftp_detail::percentEncodePath("AZaz09-_~"), "AZaz09-_~");
    EXPECT_EQ(ftp_detail::percentEncodePath("/prog/a b%#?.bin"), "%2Fprog%2Fa%20b%25%23%3F%2Ebin");
    EXPECT_EQ(ftp_detail::percentEncodePath("\xE3\x81\x82"), "%E3%81%82");
    EXPECT_EQ(ftp_detail::percentEncodePath("\xFF"), "%FF");
    EXPECT_EQ(ftp_detail::percentEncodePath(""), "");
}

TEST(RemotePathEncoding, KeepsALeadingSlashAsPartOfThePath)
{
    EXPECT_EQ(ftp_detail::percentEncodePath("/x"), "%2Fx");
    EXPECT_EQ(ftp_detail::percentEncodePath("x"), "x");
}

class UnsendableFilePath : public ::testing::TestWithParam<std::string>
{};

TEST_P(UnsendableFilePath, IsRefused)
{
    EXPECT_FALSE(ftp_detail::isSendableFilePath(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(LineBreaksControlBytesAndFolders, UnsendableFilePath,
                         ::testing::Values(""s, "/"s, "prog/"s, "a\rb"s, "a\nb"s, "a\r\nDELE b"s,
                                           "a\0b"s, "a\x01"s, "\tname"s, "a\x1f"s, "a\x7f"s),
                         ReadableStringName());

class SendableFilePath : public ::testing::TestWithParam<std::string>
{};

TEST_P(SendableFilePath, IsAccepted)
{
    EXPECT_TRUE(ftp_detail::isSendableFilePath(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(OddButHarmless, SendableFilePath,
                         ::testing::Values("a"s, "/prog/KELVOR.bin"s, "a b"s, "100%"s, "#?*[]"s,
                                           "\xE3\x81\x82.bin"s, "\x80\xFF"s, "-leading-dash"s,
                                           "../up"s),
                         ReadableStringName());

TEST(RemotePathListing, AcceptsFoldersAndTheEmptyPath)
{
    EXPECT_TRUE(ftp_detail::isSendableListingPath("/prog/"));
    EXPECT_TRUE(ftp_detail::isSendableListingPath(""));
    EXPECT_TRUE(ftp_detail::isSendableListingPath("prog"));
}

TEST(RemotePathListing, RefusesLineBreaksAndControlBytes)
{
    EXPECT_FALSE(ftp_detail::isSendableListingPath("/prog/\r\nDELE x"));
    EXPECT_FALSE(ftp_detail::isSendableListingPath("a\nb"));
    EXPECT_FALSE(ftp_detail::isSendableListingPath("a\0b"s));
    EXPECT_FALSE(ftp_detail::isSendableListingPath("a\x7f"));
}

TEST(Credentials, RefuseCrLfAndNulOnly)
{
    EXPECT_TRUE(ftp_detail::isSendableCredential("kelvor"));
    EXPECT_TRUE(ftp_detail::isSendableCredential(""));
    EXPECT_TRUE(ftp_detail::isSendableCredential("p@ss:word with space\t"));
    EXPECT_FALSE(ftp_detail::isSendableCredential("p\r\nDELE f"));
    EXPECT_FALSE(ftp_detail::isSendableCredential("p\n"));
    EXPECT_FALSE(ftp_detail::isSendableCredential("p\r"));
    EXPECT_FALSE(ftp_detail::isSendableCredential("p\0q"s));
}

TEST(ServerAddress, AcceptsDottedIPv4AndNormalisesIt)
{
    std::string host;
    ASSERT_TRUE(ftp_detail::parseDottedIPv4("127.0.0.1", host));
    EXPECT_EQ(host, "127.0.0.1");
    ASSERT_TRUE(ftp_detail::parseDottedIPv4("192.168.001.010", host));
    EXPECT_EQ(host, "192.168.1.10");
    ASSERT_TRUE(ftp_detail::parseDottedIPv4("255.255.255.255", host));
    EXPECT_EQ(host, "255.255.255.255");
}

class BadServerAddress : public ::testing::TestWithParam<std::string>
{};

TEST_P(BadServerAddress, IsRefused)
{
    std::string host = "unchanged";
    EXPECT_FALSE(ftp_detail::parseDottedIPv4(GetParam(), host));
    EXPECT_EQ(host, "unchanged");
}

INSTANTIATE_TEST_SUITE_P(NotDottedIPv4, BadServerAddress,
                         ::testing::Values(""s, "1.2.3"s, "1.2.3.4.5"s, "256.1.1.1"s, "a.b.c.d"s,
                                           "localhost"s, " 1.2.3.4"s, "1.2.3.4 "s, "1..2.3"s,
                                           "0x7f.0.0.1"s, "1.2.3.-4"s, "1000.1.1.1"s,
                                           "127.0.0.1\r\nUSER x"s, "127.0.0.1:21"s, "::1"s),
                         ReadableStringName());

} // namespace
