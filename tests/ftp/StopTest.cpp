// Stopping a worker in the middle of an FTP operation: the operation ends
// at once, the worker commits nothing, and the stopping thread never waits.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/support/Poll.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <curl/curl.h>

namespace kelvor::test {
namespace {

using namespace std::chrono_literals;

// Far below the server's own fault (which lasts minutes), so a stop that
// did not work fails the wait instead of passing slowly.
constexpr auto kEndBound = 10s;

class StopFixture : public ::testing::Test
{
protected:
    void start(UnitStandIn::Options options)
    {
        unit = std::make_unique<UnitStandIn>(std::move(options));
        connection = connectTo(*unit);
    }

    // A local file much larger than what the kernel buffers hold.
    std::filesystem::path bigFile()
    {
        const auto path = local.path() / "program.bin";
        writePatternFile(path, 64ULL << 20);
        return path;
    }

    TempDir local{"kelvor-stop"};
    std::unique_ptr<UnitStandIn> unit;
    std::unique_ptr<CFtpConnection> connection;
};

TEST_F(StopFixture, StalledUploadEndsAtOnceAndCommitsNothing)
{
    UnitStandIn::Options options;
    options.stallStorAfter = 1 << 20;
    start(options);
    const std::string source = bigFile().string();
    WorkerOperation upload([&] { return connection->PutFile(source, "KELVOR.bin"); });

    ASSERT_TRUE(unit->waitForRecord("stalled", kServerBound)) << unit->serverOutput();
    EXPECT_FALSE(upload.waitForEnd(std::chrono::milliseconds(0)));
    upload.thread().RequestStop();
    ASSERT_TRUE(upload.waitForEnd(kEndBound));
    EXPECT_EQ(upload.result(), FALSE);
    EXPECT_FALSE(upload.committed());
    EXPECT_EQ(connection->LastCurlCode(), CURLE_ABORTED_BY_CALLBACK);
}

TEST_F(StopFixture, StallWithoutStopFailsOnTheStalledTransferBound)
{
    ShortBounds bounds(boundsWith(&FtpBounds::stalledTransfer, 1s));
    UnitStandIn::Options options;
    options.stallStorAfter = 1 << 20;
    start(options);
    EXPECT_EQ(connection->PutFile(bigFile().string(), "KELVOR.bin"), FALSE);
    EXPECT_EQ(connection->LastCurlCode(), CURLE_OPERATION_TIMEDOUT);
}

TEST_F(StopFixture, StopWhileWaitingForALateFinalReplyEnds)
{
    UnitStandIn::Options options;
    options.late226Seconds = 300;
    start(options);
    const auto source = local.path() / "small.bin";
    writeFile(source, "program");
    WorkerOperation upload([&] { return connection->PutFile(source.string(), "KELVOR.bin"); });
    ASSERT_TRUE(unit->waitForRecord("received", kServerBound));
    upload.thread().RequestStop();
    // libcurl waits for this reply in a blocking loop that looks at the
    // stop about once a second.
    ASSERT_TRUE(upload.waitForEnd(kEndBound));
    EXPECT_EQ(upload.result(), FALSE);
    EXPECT_FALSE(upload.committed());
}

class StopUnanswered : public StopFixture, public ::testing::WithParamInterface<CommandCase>
{};

// An upload waiting for the answer to its size question.
const CommandCase kSizeQuestion{"SIZE", kStoreCommand.run};

TEST_P(StopUnanswered, StopDuringItEndsAtOnceAndCommitsNothing)
{
    UnitStandIn::Options options;
    options.neverAnswer = {GetParam().verb};
    start(options);
    writeFile(unit->localPath("KELVOR.bin"), "program");
    const std::string source = bigFile().string();
    WorkerOperation operation([&] { return GetParam().run(*connection, source); });
    pollUntil([&] { return !unit->commands(GetParam().verb).empty(); }, kServerBound);
    ASSERT_EQ(unit->commands(GetParam().verb).size(), 1u);
    operation.thread().RequestStop();
    ASSERT_TRUE(operation.waitForEnd(kEndBound));
    EXPECT_EQ(operation.result(), FALSE);
    EXPECT_FALSE(operation.committed());
}

INSTANTIATE_TEST_SUITE_P(Commands, StopUnanswered,
                         ::testing::Values(kStoreCommand, kSizeQuestion, kRemoveCommand,
                                           kListCommand),
                         commandCaseName);

TEST_F(StopFixture, StoppedWorkerDoesNoFtpWorkAtAll)
{
    start({});
    writeFile(unit->localPath("KELVOR.bin"), "program");
    const auto source = local.path() / "small.bin";
    writeFile(source, "program");
    const std::size_t before = unit->commands().size();

    std::atomic<int> results{0};
    CFtpFileFind find(connection.get());
    WorkerOperation worker(
        [&] {
            results += connection->PutFile(source.string(), "new.bin");
            results += connection->Remove("KELVOR.bin");
            results += find.FindFile("/");
            return TRUE;
        },
        /*holdUntilReleased=*/true);
    worker.thread().RequestStop();
    worker.release();
    ASSERT_TRUE(worker.waitForEnd(kEndBound));
    EXPECT_EQ(results.load(), 0);
    EXPECT_FALSE(worker.committed());

    // Whatever the worker had sent would be in the log before this.
    EXPECT_EQ(connection->Remove("KELVOR.bin"), TRUE);
    const auto commands = unit->commands();
    ASSERT_EQ(commands.size(), before + 1) << describe(commands);
    EXPECT_EQ(commands.back().line, "DELE KELVOR.bin");
}

TEST_F(StopFixture, ConnectionWorksForTheNextWorkerAfterAStop)
{
    UnitStandIn::Options options;
    options.neverAnswer = {"NLST"};
    start(options);
    {
        CFtpFileFind find(connection.get());
        WorkerOperation listing([&] { return find.FindFile("/prog/"); });
        pollUntil([&] { return !unit->commands("NLST").empty(); }, kServerBound);
        listing.thread().RequestStop();
        ASSERT_TRUE(listing.waitForEnd(kEndBound));
    }
    writeFile(unit->localPath("KELVOR.bin"), "program");
    WorkerOperation removal([&] { return connection->Remove("KELVOR.bin"); });
    ASSERT_TRUE(removal.waitForEnd(kServerBound));
    EXPECT_EQ(removal.result(), TRUE);
    EXPECT_TRUE(removal.committed());
}

TEST_F(StopFixture, UnstoppedWorkerCommitsItsResult)
{
    start({});
    const auto source = local.path() / "small.bin";
    writeFile(source, "program");
    WorkerOperation upload([&] { return connection->PutFile(source.string(), "KELVOR.bin"); });
    ASSERT_TRUE(upload.waitForEnd(kServerBound));
    EXPECT_EQ(upload.result(), TRUE);
    EXPECT_TRUE(upload.committed());
    EXPECT_EQ(readFile(unit->localPath("KELVOR.bin")), "program");
}

} // namespace
} // namespace kelvor::test
