// Opening a session and connecting: the two operations that throw.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/ftp/ParamNames.h"
#include "tests/support/Sockets.h"
#include "tests/support/SystemCallRefusal.h"
#include "tests/support/TestFiles.h"

#include <cstdlib>
#include <curl/curl.h>
#include <future>
#include <optional>

namespace kelvor::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

class ConnectToPeer : public PeerTest
{};

TEST_P(ConnectToPeer, GoodLoginGivesALoggedInConnection)
{
    auto connection = connectTo(*peer);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->LastCurlCode(), CURLE_OK);
    const auto commands = peer->commands();
    ASSERT_GE(commands.size(), 2u) << describe(commands);
    EXPECT_EQ(commands[0].line, "USER " + peer->user());
    EXPECT_EQ(commands[1].verb, "PASS");
    EXPECT_EQ(peer->logins(), 1u);
}

TEST_P(ConnectToPeer, WrongPasswordThrowsLoginFailure)
{
    EXPECT_EQ(connectError(peer->address(), peer->user(), "wrong"), ERROR_INTERNET_LOGIN_FAILURE);
}

INSTANTIATE_TEST_SUITE_P(Peers, ConnectToPeer,
                         ::testing::Values(PeerKind::StandIn, PeerKind::Vsftpd),
                         [](const auto& info) { return peerName(info.param); });

TEST(Connect, LoginTalksOnlyUserPassAndPwd)
{
    UnitStandIn unit;
    auto connection = connectTo(unit);
    // The connection is logged in when GetFtpConnection returns.
    std::vector<std::string> verbs;
    for (const auto& command : unit.commands())
        verbs.push_back(command.verb);
    EXPECT_EQ(verbs, (std::vector<std::string>{"USER", "PASS", "PWD"}));
}

TEST(Connect, RefusedLoginThrowsLoginFailure)
{
    UnitStandIn::Options options;
    options.refuseLogin = true;
    UnitStandIn unit(options);
    EXPECT_EQ(connectError(unit.address(), unit.user(), unit.password()),
              ERROR_INTERNET_LOGIN_FAILURE);
}

TEST(Connect, ClosedPortThrowsCannotConnect)
{
    RefusingPort nobody;
    EXPECT_EQ(connectError(nobody.address(), "kelvor", "kelvor"), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST(Connect, ServerThatNeverGreetsThrowsTimeout)
{
    ShortBounds bounds(boundsWith(&FtpBounds::connectAndLogin, 500ms));
    SilentServer silent;
    EXPECT_EQ(connectError(silent.address(), "kelvor", "kelvor"), ERROR_INTERNET_TIMEOUT);
}

TEST(Connect, ServerThatNeverAnswersPassThrowsTimeout)
{
    ShortBounds bounds(boundsWith(&FtpBounds::connectAndLogin, 1s));
    UnitStandIn::Options options;
    options.neverAnswer = {"PASS"};
    UnitStandIn unit(options);
    EXPECT_EQ(connectError(unit.address(), unit.user(), unit.password()), ERROR_INTERNET_TIMEOUT);
}

TEST(Connect, LoginBoundLeavesRoomForASlowRefusal)
{
    // Servers answer a refused login after about 3 s; the bound must not
    // turn that into a time-out.
    UnitStandIn::Options options;
    options.refuseLogin = true;
    options.refusedLoginDelaySeconds = 3;
    UnitStandIn unit(options);
    EXPECT_EQ(connectError(unit.address(), unit.user(), unit.password()),
              ERROR_INTERNET_LOGIN_FAILURE);
}

TEST(Connect, WithoutAPortItDialsPort21)
{
    // The unit answers on port 21 only, and so does the stand-in.
    UnitStandIn unit;
    CInternetSession session;
    std::unique_ptr<CFtpConnection> connection(
        session.GetFtpConnection(unit.address(), unit.user(), unit.password()));
    EXPECT_NE(connection, nullptr);
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

TEST(Connect, OtherLoopbackAddressesWork)
{
    UnitStandIn unit;
    EXPECT_NE(unit.address(), "127.0.0.1");
    EXPECT_NE(connectTo(unit), nullptr);
}

TEST(Connect, ProxiesFromTheEnvironmentAreNotUsed)
{
    RefusingPort deadProxy;
    const std::string proxy = "http://" + deadProxy.address() + ":21";
    for (const char* name : {"ftp_proxy", "FTP_PROXY", "all_proxy", "ALL_PROXY", "http_proxy"})
        ::setenv(name, proxy.c_str(), 1);
    UnitStandIn unit;
    std::unique_ptr<CFtpConnection> connection;
    EXPECT_NO_THROW(connection = connectTo(unit));
    for (const char* name : {"ftp_proxy", "FTP_PROXY", "all_proxy", "ALL_PROXY", "http_proxy"})
        ::unsetenv(name);
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

class BadServerText : public ::testing::TestWithParam<std::string>
{};

TEST_P(BadServerText, ThrowsInvalidUrlWithoutDialling)
{
    EXPECT_EQ(connectError(GetParam(), "kelvor", "kelvor"), ERROR_INTERNET_INVALID_URL);
}

INSTANTIATE_TEST_SUITE_P(NotDottedIPv4, BadServerText,
                         ::testing::Values(""s, "localhost"s, "127.0.0"s, "127.0.0.256"s,
                                           "127.0.0.1/x"s, "127.0.0.1\r\nUSER x"s),
                         ReadableStringName());

struct InjectedCredentials
{
    const char* name;
    std::string user;
    std::string password;
};

class CredentialInjection : public ::testing::TestWithParam<InjectedCredentials>
{};

TEST_P(CredentialInjection, IsRefusedAndNothingReachesTheServer)
{
    UnitStandIn unit;
    writeFile(unit.localPath("victim.bin"), "keep me");
    const std::string user = GetParam().user.empty() ? unit.user() : GetParam().user;
    const std::string password =
        GetParam().password.empty() ? unit.password() : GetParam().password;
    EXPECT_EQ(connectError(unit.address(), user, password), ERROR_INVALID_PARAMETER);

    // A proper login afterwards: whatever the refused attempt had sent would
    // be in the log before these commands.
    auto connection = connectTo(unit);
    const auto commands = unit.commands();
    ASSERT_EQ(commands.size(), 3u) << describe(commands);
    EXPECT_EQ(commands[0].line, "USER " + unit.user());
    EXPECT_EQ(commands[0].session, 1);
    EXPECT_TRUE(std::filesystem::exists(unit.localPath("victim.bin")));
}

INSTANTIATE_TEST_SUITE_P(
    LineBreaksAndNul, CredentialInjection,
    ::testing::Values(InjectedCredentials{"PasswordCrLf", "", "p\r\nDELE victim.bin"},
                      InjectedCredentials{"PasswordLf", "", "p\nDELE victim.bin"},
                      InjectedCredentials{"PasswordCr", "", "p\rDELE victim.bin"},
                      InjectedCredentials{"PasswordNul", "", "kelvor\0DELE victim.bin"s},
                      InjectedCredentials{"UserCrLf", "kelvor\r\nDELE victim.bin", ""},
                      InjectedCredentials{"UserNul", "kelvor\0x"s, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Session, OpenThrowsWhenTheSystemGivesNothingToWakeAConnectionWith)
{
    // As for a process that may open no more files: a connection's wake-up,
    // whatever libcurl makes it of, cannot be made.
    std::optional<CInternetException> failure;
    const int refusals = runWhereRefused(RefusedCall::WakeUpChannel, [&] {
        try {
            CInternetSession session;
        } catch (const CInternetException& e) {
            failure = e;
        }
    });
    ASSERT_GT(refusals, 0) << "the session open asked the system for no wake-up channel";
    ASSERT_TRUE(failure) << "the session opened";
    EXPECT_EQ(failure->m_dwError, ERROR_INTERNET_OUT_OF_HANDLES);
    EXPECT_EQ(failure->m_dwContext, 1u);
    EXPECT_NO_THROW(CInternetSession());
}

TEST(Session, OpensAndClosesRepeatedly)
{
    for (int i = 0; i < 3; ++i) {
        CInternetSession session;
        session.Close();
        session.Close();
    }
}

TEST(Session, ConnectAfterCloseThrows)
{
    UnitStandIn unit;
    CInternetSession session;
    session.Close();
    EXPECT_THROW(session.GetFtpConnection(unit.address(), unit.user(), unit.password(),
                                          INTERNET_DEFAULT_FTP_PORT, TRUE),
                 CInternetException);
    EXPECT_EQ(unit.sessions(), 0);
}

TEST(Session, ConnectionOutlivesItsSession)
{
    UnitStandIn unit;
    writeFile(unit.localPath("x.bin"), "x");
    auto connection = connectTo(unit);
    EXPECT_EQ(connection->Remove("x.bin"), TRUE);
}

TEST(Connection, DestroyingItSaysQuit)
{
    UnitStandIn unit;
    connectTo(unit).reset();
    ASSERT_TRUE(unit.waitForRecord("disconnect", 10s));
    EXPECT_EQ(unit.commands("QUIT").size(), 1u);
}

TEST(Connection, DestroyingItDoesNotWaitLongForAnUnansweredQuit)
{
    // The last operation allowed minutes for replies; closing must not.
    UnitStandIn::Options options;
    options.neverAnswer = {"QUIT"};
    UnitStandIn unit(options);
    auto connection = connectTo(unit);
    writeFile(unit.localPath("x.bin"), "x");
    ASSERT_EQ(connection->Remove("x.bin"), TRUE);
    auto closing = std::async(std::launch::async, [&] { connection.reset(); });
    EXPECT_EQ(closing.wait_for(30s), std::future_status::ready);
}

} // namespace
} // namespace kelvor::test
