// A server that answers late, never, or drops the connection: each ends as
// the operation's ordinary failure within its bound, and the connection
// recovers for the next operation.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <curl/curl.h>

namespace kelvor::test {
namespace {

using namespace std::chrono_literals;

class ServerFault : public ::testing::Test
{
protected:
    void start(UnitStandIn::Options options)
    {
        unit = std::make_unique<UnitStandIn>(std::move(options));
        connection = connectTo(*unit);
    }

    std::filesystem::path file(const std::string& name, std::uint64_t size)
    {
        const auto path = local.path() / name;
        writePatternFile(path, size);
        return path;
    }

    void shortenResponses(std::chrono::milliseconds bound)
    {
        bounds = std::make_unique<ShortBounds>(boundsWith(&FtpBounds::serverResponse, bound));
    }

    std::unique_ptr<ShortBounds> bounds;
    TempDir local{"kelvor-fault"};
    std::unique_ptr<UnitStandIn> unit;
    std::unique_ptr<CFtpConnection> connection;
};

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
    EXPECT_EQ(connection->LastCurlCode(), CURLE_OPERATION_TIMEDOUT);
}

TEST_F(ServerFault, UnansweredStorFailsAndTheNextPutLogsInAgain)
{
    shortenResponses(1s);
    UnitStandIn::Options options;
    options.neverAnswer = {"STOR"};
    start(options);
    const auto source = file("a.bin", 1 << 10);
    EXPECT_EQ(connection->PutFile(source.string(), "a.bin"), FALSE);
    EXPECT_EQ(connection->LastCurlCode(), CURLE_OPERATION_TIMEDOUT);
    // libcurl gives up a connection that timed out; the next operation logs
    // in again by itself.
    writeFile(unit->localPath("x.bin"), "x");
    EXPECT_EQ(connection->Remove("x.bin"), TRUE);
    EXPECT_EQ(unit->commands("USER").size(), 2u);
}

class ServerFaultUnanswered : public ServerFault, public ::testing::WithParamInterface<CommandCase>
{};

TEST_P(ServerFaultUnanswered, FailsOnTheResponseBound)
{
    shortenResponses(1s);
    UnitStandIn::Options options;
    options.neverAnswer = {GetParam().verb};
    start(options);
    writeFile(unit->localPath("KELVOR.bin"), "x");
    EXPECT_EQ(GetParam().run(*connection, file("a.bin", 1 << 10).string()), FALSE);
    EXPECT_EQ(connection->LastCurlCode(), CURLE_OPERATION_TIMEDOUT);
}

INSTANTIATE_TEST_SUITE_P(Commands, ServerFaultUnanswered,
                         ::testing::Values(kRemoveCommand, kListCommand), commandCaseName);

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
    options.address = unit->address();
    unit.reset();
    unit = std::make_unique<UnitStandIn>(options);
    EXPECT_EQ(connection->Remove("x.bin"), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
    EXPECT_EQ(unit->commands("USER").size(), 1u);
}

} // namespace
} // namespace kelvor::test
