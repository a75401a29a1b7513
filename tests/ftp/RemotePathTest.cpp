// What reaches the wire for a remote path, a login and an address: the one
// road (toWire) with its check, and the refusals.

#include "connection/FtpWire.h"
#include "tests/ftp/ParamNames.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

using namespace std::string_literals;
using ftp_detail::FtpOperation;
using ftp_detail::toWire;
using kelvor::test::ReadableStringName;

std::string operationName(FtpOperation operation)
{
    switch (operation) {
    case FtpOperation::Store:
        return "Store";
    case FtpOperation::Remove:
        return "Remove";
    case FtpOperation::List:
        return "List";
    }
    return "?";
}

struct StoreUrl
{
    std::string path;
    std::string url;
};

class StoreWire : public ::testing::TestWithParam<StoreUrl>
{};

TEST_P(StoreWire, EncodesEveryByteButUnreservedLettersDigitsAndMarks)
{
    const auto request = toWire(FtpOperation::Store, GetParam().path);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->urlPath, GetParam().url);
    EXPECT_EQ(request->command, "*SIZE " + GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StoreWire,
    ::testing::Values(StoreUrl{"AZaz09-_~", "AZaz09-_~"},
                      StoreUrl{"/prog/a b%#?.bin", "%2Fprog%2Fa%20b%25%23%3F%2Ebin"},
                      StoreUrl{"\xE3\x81\x82", "%E3%81%82"}, StoreUrl{"\xFF", "%FF"},
                      // A leading slash stays part of the path.
                      StoreUrl{"/x", "%2Fx"}, StoreUrl{"x", "x"}),
    [](const auto& info) { return std::to_string(info.index); });

class RemoveWire : public ::testing::TestWithParam<std::string>
{};

TEST_P(RemoveWire, QuotesDeleWithThePathAsItIs)
{
    const auto request = toWire(FtpOperation::Remove, GetParam());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->urlPath, "");
    EXPECT_EQ(request->command, "*DELE " + GetParam());
    EXPECT_TRUE(toWire(FtpOperation::Store, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(OddButHarmless, RemoveWire,
                         ::testing::Values("a"s, "/prog/KELVOR.bin"s, "a b"s, "100%"s, "#?*[]"s,
                                           "\xE3\x81\x82.bin"s, "\x80\xFF"s, "-leading-dash"s,
                                           "../up"s),
                         ReadableStringName());

TEST(ListWire, NamesThePathInTheRequestAndAcceptsFoldersAndNoPath)
{
    EXPECT_EQ(toWire(FtpOperation::List, "/prog/")->command, "NLST /prog/");
    EXPECT_EQ(toWire(FtpOperation::List, "prog")->command, "NLST prog");
    EXPECT_EQ(toWire(FtpOperation::List, "")->command, "NLST");
    EXPECT_EQ(toWire(FtpOperation::List, "/prog/")->urlPath, "");
}

class UnsendablePath : public ::testing::TestWithParam<std::tuple<FtpOperation, std::string>>
{};

TEST_P(UnsendablePath, IsRefused)
{
    EXPECT_FALSE(toWire(std::get<0>(GetParam()), std::get<1>(GetParam())));
}

const auto kControlBytes =
    ::testing::Values("a\rb"s, "a\nb"s, "a\r\nDELE b"s, "a\0b"s, "a\x01"s, "\tname"s, "a\x1f"s,
                      "a\x7f"s, "/prog/\r\nDELE x"s, "unit\rDELE x.bin"s);

std::string caseName(const ::testing::TestParamInfo<std::tuple<FtpOperation, std::string>>& info)
{
    const ::testing::TestParamInfo<std::string> path(std::get<1>(info.param), info.index);
    return operationName(std::get<0>(info.param)) + "_" + ReadableStringName()(path);
}

INSTANTIATE_TEST_SUITE_P(ControlBytes, UnsendablePath,
                         ::testing::Combine(::testing::Values(FtpOperation::Store,
                                                              FtpOperation::Remove,
                                                              FtpOperation::List),
                                            kControlBytes),
                         caseName);

INSTANTIATE_TEST_SUITE_P(NoFileNamed, UnsendablePath,
                         ::testing::Combine(::testing::Values(FtpOperation::Store,
                                                              FtpOperation::Remove),
                                            ::testing::Values(""s, "/"s, "prog/"s)),
                         caseName);

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
