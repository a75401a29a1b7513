// Whatever one operation leaves behind in the FTP layer cannot change the
// next one on the same connection: every operation that can end badly is
// followed by each operation the program runs, and that one must reach the
// unit and succeed.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/support/Poll.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <curl/curl.h>
#include <tuple>

namespace kelvor::test {
namespace {

using namespace std::chrono_literals;

enum class First
{
    OversizedListing, // more than the listing bound, ended by the layer
    PathRefused,      // a path with a line break, refused before the wire
    ListingRefused,   // the unit answers the NLST with 550
    StoppedUpload,    // the worker stopped in the middle of a transfer
    FailedUpload,     // the unit answers the STOR with 553
};

enum class Second
{
    Upload,
    Remove,
    Listing,
};

std::string firstName(First first)
{
    switch (first) {
    case First::OversizedListing:
        return "OversizedListing";
    case First::PathRefused:
        return "PathRefused";
    case First::ListingRefused:
        return "ListingRefused";
    case First::StoppedUpload:
        return "StoppedUpload";
    case First::FailedUpload:
        return "FailedUpload";
    }
    return "?";
}

std::string secondName(Second second)
{
    switch (second) {
    case Second::Upload:
        return "Upload";
    case Second::Remove:
        return "Remove";
    case Second::Listing:
        return "Listing";
    }
    return "?";
}

void PrintTo(First first, std::ostream* out)
{
    *out << firstName(first);
}

void PrintTo(Second second, std::ostream* out)
{
    *out << secondName(second);
}

class OperationPair : public ::testing::TestWithParam<std::tuple<First, Second>>
{
protected:
    void SetUp() override
    {
        UnitStandIn::Options options;
        options.rawListing = std::string(5 << 20, 'x') + "\r\n";
        options.listingPath = "/endless/";
        if (first() == First::StoppedUpload)
            options.stallStorAfter = 1 << 20;
        if (first() == First::ListingRefused)
            options.refusals.push_back({"NLST", 550, 1});
        if (first() == First::FailedUpload)
            options.refusals.push_back({"STOR", 553, 1});
        unit = std::make_unique<UnitStandIn>(options);
        std::filesystem::create_directories(unit->root() / "prog");
        writeFile(unit->localPath("/prog/old.bin"), "old program");
        connection = connectTo(*unit);
    }

    First first() const { return std::get<0>(GetParam()); }
    Second second() const { return std::get<1>(GetParam()); }

    // Runs operation on a worker of its own, as the program runs each one,
    // and gives its result.
    static BOOL onWorker(std::function<BOOL()> operation)
    {
        WorkerOperation worker(std::move(operation));
        EXPECT_TRUE(worker.waitForEnd(kServerBound));
        return worker.result();
    }

    // Runs the first operation and checks that it went wrong the way it
    // should have.
    void runFirst()
    {
        switch (first()) {
        case First::OversizedListing: {
            CFtpFileFind find(connection.get());
            EXPECT_EQ(onWorker([&] { return find.FindFile("/endless/"); }), FALSE);
            // Ended by the layer for its size: a write the layer refused,
            // or the progress callback that saw the flag first.
            EXPECT_TRUE(connection->LastCurlCode() == CURLE_WRITE_ERROR ||
                        connection->LastCurlCode() == CURLE_ABORTED_BY_CALLBACK)
                << connection->LastCurlCode();
            EXPECT_EQ(unit->commands("NLST").size(), 1u);
            break;
        }
        case First::PathRefused: {
            const std::size_t before = unit->commands().size();
            const std::string source = smallFile().string();
            EXPECT_EQ(onWorker([&] { return connection->PutFile(source, "/prog/a\r\nDELE b"); }),
                      FALSE);
            EXPECT_EQ(connection->LastCurlCode(), CURLE_URL_MALFORMAT);
            EXPECT_EQ(unit->commands().size(), before);
            break;
        }
        case First::ListingRefused: {
            CFtpFileFind find(connection.get());
            EXPECT_EQ(onWorker([&] { return find.FindFile("/prog/"); }), FALSE);
            EXPECT_EQ(connection->LastReplyCode(), 550);
            break;
        }
        case First::StoppedUpload: {
            const std::string source = (local.path() / "big.bin").string();
            writePatternFile(source, 16ULL << 20);
            // Into the root: what it leaves must not show up in the listing
            // of /prog/.
            WorkerOperation upload([&] { return connection->PutFile(source, "/big.bin"); });
            ASSERT_TRUE(unit->waitForRecord("stalled", kServerBound)) << unit->serverOutput();
            upload.thread().RequestStop();
            ASSERT_TRUE(upload.waitForEnd(kServerBound));
            EXPECT_EQ(upload.result(), FALSE);
            EXPECT_EQ(connection->LastCurlCode(), CURLE_ABORTED_BY_CALLBACK);
            break;
        }
        case First::FailedUpload: {
            const std::string source = smallFile().string();
            EXPECT_EQ(onWorker([&] { return connection->PutFile(source, "/prog/KELVOR.BIN"); }),
                      FALSE);
            EXPECT_EQ(connection->LastReplyCode(), 553);
            break;
        }
        }
    }

    std::filesystem::path smallFile()
    {
        const auto path = local.path() / "program.bin";
        if (!std::filesystem::exists(path))
            writePatternFile(path, 200 * 1024, 5);
        return path;
    }

    TempDir local{"kelvor-pair"};
    std::unique_ptr<UnitStandIn> unit;
    std::unique_ptr<CFtpConnection> connection;
};

TEST_P(OperationPair, TheSecondReachesTheUnitAndSucceeds)
{
    runFirst();
    if (HasFatalFailure())
        return;
    const std::size_t commandsBefore = unit->commands().size();

    switch (second()) {
    case Second::Upload: {
        const std::string source = smallFile().string();
        EXPECT_EQ(onWorker([&] { return connection->PutFile(source, "/prog/KELVOR.BIN"); }), TRUE)
            << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
        const auto stores = unit->commands("STOR");
        ASSERT_FALSE(stores.empty());
        EXPECT_EQ(stores.back().argument, "/prog/KELVOR.BIN");
        EXPECT_EQ(sha256OfFile(unit->localPath("/prog/KELVOR.BIN")), sha256OfFile(source));
        break;
    }
    case Second::Remove: {
        EXPECT_EQ(onWorker([&] { return connection->Remove("/prog/old.bin"); }), TRUE)
            << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
        const auto removals = unit->commands("DELE");
        ASSERT_EQ(removals.size(), 1u);
        EXPECT_EQ(removals[0].argument, "/prog/old.bin");
        EXPECT_FALSE(std::filesystem::exists(unit->localPath("/prog/old.bin")));
        break;
    }
    case Second::Listing: {
        CFtpFileFind find(connection.get());
        EXPECT_EQ(onWorker([&] { return find.FindFile("/prog/"); }), TRUE)
            << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
        find.FindNextFile();
        EXPECT_EQ(find.GetFileName(), "old.bin");
        const auto listings = unit->commands("NLST");
        ASSERT_FALSE(listings.empty());
        EXPECT_EQ(listings.back().argument, "/prog/");
        break;
    }
    }
    EXPECT_GT(unit->commands().size(), commandsBefore) << describe(unit->commands());
    EXPECT_EQ(connection->LastCurlCode(), CURLE_OK);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPair, OperationPair,
    ::testing::Combine(::testing::Values(First::OversizedListing, First::PathRefused,
                                         First::ListingRefused, First::StoppedUpload,
                                         First::FailedUpload),
                       ::testing::Values(Second::Upload, Second::Remove, Second::Listing)),
    [](const auto& info) {
        return firstName(std::get<0>(info.param)) + "Then" + secondName(std::get<1>(info.param));
    });

} // namespace
} // namespace kelvor::test
