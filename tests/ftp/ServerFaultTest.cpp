// A server that answers late, never, or drops the connection: each ends as
// the operation's ordinary failure within its bound, and the connection
// recovers for the next operation.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

namespace kelvor::test {
namespace {

using namespace std::chrono_literals;

class ServerFault : public ::testing::Test
{
protected:
    void start(UnitStandIn::Options options)
    {
        unit = std::make_unique<UnitStandIn>(std::move(options));
        connection = connectTo(unit->address(), unit->port(), unit->user(), unit->password());
    }

    std::filesystem::path file(const std::string& name, std::uint64_t size)
    {
        const auto path = local.path() / name;
        writePatternFile(path, size);
        return path;
    }

    static void shortenResponses(std::chrono::milliseconds bound)
    {
        auto bounds = ftp_test_seams::DefaultTimeouts();
        bounds.serverResponse = bound;
        ftp_test_seams::SetTimeouts(bounds);
    }

    SeamReset seams;
    TempDir local{"kelvor-fault"};
    std::unique_ptr<UnitStandIn> unit;
    std::unique_ptr<CFtpConnection> connection;
};

TEST_F(ServerFault, FinalReplyBoundIsWellAboveAMinute)
{
    // libcurl on its own waits only 60 s for the reply after the last byte
    // of an upload; a unit writing its flash may take longer. Checked on the
    // configuration rather than by waiting minutes.
    const auto defaults = ftp_test_seams::DefaultTimeouts();
    EXPECT_GE(defaults.serverResponse, 120s);
    EXPECT_GE(defaults.stalledTransfer, 60s);
    EXPECT_GE(defaults.connectAndLogin, 10s);
    EXPECT_LE(defaults.connectAndLogin, 30s);
    const auto current = ftp_test_seams::CurrentTimeouts();
    EXPECT_EQ(current.serverResponse, defaults.serverResponse);
    EXPECT_EQ(current.stalledTransfer, defaults.stalledTransfer);
    EXPECT_EQ(current.connectAndLogin, defaults.connectAndLogin);
}

TEST_F(ServerFault, LateFinalReplyWithinTheBoundIsSuccess)
{
    UnitStandIn::Options options;
    options.late226Seconds = 3;
    start(options);
    const auto source = file("a.bin", 1 << 20);
    EXPECT_EQ(connection->PutFile(source.string(), "a.bin"), TRUE)
        << "curl " << connection->LastCurlCode();
    EXPECT_EQ(connection->LastReplyCode(), 226);
}

TEST_F(ServerFault, LateFinalReplyBeyondTheBoundFails)
{
    shortenResponses(1s);
    UnitStandIn::Options options;
    options.late226Seconds = 6;
    start(options);
    const auto source = file("a.bin", 1 << 20);
    EXPECT_EQ(connection->PutFile(source.string(), "a.bin"), FALSE);
    EXPECT_EQ(connection->LastCurlCode(), 28);
}

TEST_F(ServerFault, UnansweredStorFailsAndTheNextPutLogsInAgain)
{
    shortenResponses(1s);
    UnitStandIn::Options options;
    options.neverAnswer = {"STOR"};
    start(options);
    const auto source = file("a.bin", 1 << 10);
    EXPECT_EQ(connection->PutFile(source.string(), "a.bin"), FALSE);
    EXPECT_EQ(connection->LastCurlCode(), 28);
    // libcurl gives up a connection that timed out; the next operation logs
    // in again by itself.
    writeFile(unit->localPath("x.bin"), "x");
    EXPECT_EQ(connection->Remove("x.bin"), TRUE);
    EXPECT_EQ(unit->commands("USER").size(), 2u);
}

TEST_F(ServerFault, UnansweredDeleFails)
{
    shortenResponses(1s);
    UnitStandIn::Options options;
    options.neverAnswer = {"DELE"};
    start(options);
    writeFile(unit->localPath("x.bin"), "x");
    EXPECT_EQ(connection->Remove("x.bin"), FALSE);
}

TEST_F(ServerFault, UnansweredListingFails)
{
    shortenResponses(1s);
    UnitStandIn::Options options;
    options.neverAnswer = {"NLST"};
    start(options);
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/"), FALSE);
}

TEST_F(ServerFault, DroppedControlConnectionMidTransferFailsAndTheNextPutWorks)
{
    UnitStandIn::Options options;
    options.dropAfter = 1 << 20;
    start(options);
    const auto source = file("a.bin", 32ULL << 20);
    EXPECT_EQ(connection->PutFile(source.string(), "a.bin"), FALSE);
    ASSERT_TRUE(unit->waitForRecord("dropped", 10s));

    // The stand-in drops every STOR at 1 MiB; a smaller file gets through
    // on a new login.
    const auto small = file("small.bin", 1000);
    EXPECT_EQ(connection->PutFile(small.string(), "small.bin"), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
    EXPECT_EQ(sha256OfFile(unit->localPath("small.bin")), sha256OfFile(small));
    EXPECT_EQ(unit->commands("USER").size(), 2u);
}

TEST_F(ServerFault, ServerClosingTheIdleConnectionIsSurvived)
{
    // The stand-in has gone away between operations (an idle time-out on
    // the unit's side): the next operation logs in again.
    TempDir served{"kelvor-served"};
    UnitStandIn::Options options;
    options.root = served.path();
    start(options);
    writeFile(unit->localPath("x.bin"), "x");
    options.port = unit->port();
    unit.reset();
    unit = std::make_unique<UnitStandIn>(options);
    EXPECT_EQ(connection->Remove("x.bin"), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
    EXPECT_EQ(unit->commands("USER").size(), 1u);
}

} // namespace
} // namespace kelvor::test
