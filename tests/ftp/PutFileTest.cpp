// CFtpConnection::PutFile against both peers: byte-exact stores, odd remote
// paths, large files in flat memory, and every way a put returns 0.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/ftp/ParamNames.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <chrono>
#include <curl/curl.h>
#include <optional>
#include <tuple>

namespace kelvor::test {
namespace {

using namespace std::string_literals;

class PutFixture
{
protected:
    void start(PeerKind kind, UnitStandIn::Options options = {})
    {
        peer = std::make_unique<Peer>(kind, std::move(options));
        connection = connectTo(*peer);
    }

    // A local file of size pattern bytes plus a tag, so every file differs.
    std::filesystem::path localFile(const std::string& name, std::uint64_t size = 100 * 1024)
    {
        const std::filesystem::path path = local.path() / name;
        writePatternFile(path, size, std::hash<std::string>()(name));
        return path;
    }

    TempDir local{"kelvor-put"};
    std::unique_ptr<Peer> peer;
    std::unique_ptr<CFtpConnection> connection;
};

bool skipWithoutVsftpd(PeerKind kind, std::string& why)
{
    if (kind != PeerKind::Vsftpd)
        return false;
    if (auto reason = Vsftpd::unavailableReason()) {
        why = *reason;
        return true;
    }
    return false;
}

// --- odd remote paths, on both peers ---------------------------------------

class PutOddPath : public PutFixture,
                   public ::testing::TestWithParam<std::tuple<PeerKind, std::string>>
{
protected:
    void SetUp() override
    {
        std::string why;
        if (skipWithoutVsftpd(std::get<0>(GetParam()), why))
            GTEST_SKIP() << why;
        start(std::get<0>(GetParam()));
    }
};

TEST_P(PutOddPath, ArrivesByteExactUnderExactlyThatName)
{
    const std::string remote = std::get<1>(GetParam());
    const std::size_t slash = remote.rfind('/');
    if (slash != std::string::npos && slash > 0)
        peer->makeFolder(remote.substr(remote[0] == '/' ? 1 : 0, slash - (remote[0] == '/')));
    const auto source = localFile("source.bin");

    ASSERT_EQ(connection->PutFile(source.string(), remote), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
    EXPECT_EQ(connection->LastReplyCode(), 226);
    const auto stored = peer->localPath(remote);
    ASSERT_TRUE(std::filesystem::exists(stored)) << stored;
    EXPECT_EQ(sha256OfFile(stored), sha256OfFile(source));

    if (UnitStandIn* unit = peer->standIn()) {
        // The stand-in's log keeps the raw bytes: STOR carries the path as
        // given, in binary mode.
        const auto commands = unit->commands();
        const auto stors = withVerb(commands, "STOR");
        ASSERT_EQ(stors.size(), 1u) << describe(commands);
        EXPECT_EQ(stors[0].argument, remote);
        // Its size is asked with the very same bytes.
        ASSERT_EQ(withVerb(commands, "SIZE").size(), 1u) << describe(commands);
        EXPECT_EQ(withVerb(commands, "SIZE")[0].argument, remote);
        const auto types = withVerb(commands, "TYPE");
        ASSERT_FALSE(types.empty());
        EXPECT_EQ(types.back().argument, "I");
        const auto received = unit->receivedFiles();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].sha256, sha256OfFile(source));
        EXPECT_TRUE(received[0].complete);
    }
}

const std::vector<std::string> kOddPaths = {
    "plain.bin",
    "/leading-slash.bin",
    "with space.bin",
    "per%cent%20.bin",
    "hash#.bin",
    "question?.bin",
    "semi;colon&plus+=.bin",
    "quote'\"back`tick.bin",
    "brackets[1]{2}.bin",
    "star*.bin",
    "back\\slash.bin",
    "-dash-first.bin",
    "~tilde.bin",
    "trailing.dots..",
    "\xE3\x83\x97\xE3\x83\xAD\xE3\x82\xB0\xE3\x83\xA9\xE3\x83\xA0.bin",
    "/prog/KELVOR.bin",
    "sub dir/nested name.bin",
    "/a%2Fb/c.bin",
};

INSTANTIATE_TEST_SUITE_P(Peers, PutOddPath,
                         ::testing::Combine(::testing::Values(PeerKind::StandIn, PeerKind::Vsftpd),
                                            ::testing::ValuesIn(kOddPaths)),
                         [](const auto& info) {
                             const ::testing::TestParamInfo<std::string> path(
                                 std::get<1>(info.param), info.index % kOddPaths.size());
                             return peerName(std::get<0>(info.param)) + "_" +
                                    ReadableStringName()(path);
                         });

// --- behaviour shared by both peers -----------------------------------------

class PutToPeer : public PutFixture, public ::testing::TestWithParam<PeerKind>
{
protected:
    void SetUp() override
    {
        std::string why;
        if (skipWithoutVsftpd(GetParam(), why))
            GTEST_SKIP() << why;
        start(GetParam());
    }
};

TEST_P(PutToPeer, LargeFileArrivesByteExactInFlatMemory)
{
    constexpr std::uint64_t kSize = 300ULL << 20;
    constexpr std::uint64_t kAllowedGrowth = 20ULL << 20;
    const auto source = localFile("large.bin", kSize);
    const std::string expected = sha256OfFile(source);

    const std::uint64_t before = peakRssBytes();
    ASSERT_EQ(connection->PutFile(source.string(), "/large.bin"), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
    const std::uint64_t after = peakRssBytes();

    EXPECT_LT(after - before, kAllowedGrowth) << "peak RSS grew from " << before << " to " << after;
    EXPECT_EQ(std::filesystem::file_size(peer->localPath("/large.bin")), kSize);
    EXPECT_EQ(sha256OfFile(peer->localPath("/large.bin")), expected);
    if (UnitStandIn* unit = peer->standIn()) {
        const auto received = unit->receivedFiles();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].sha256, expected);
    }
}

TEST_P(PutToPeer, EmptyFileIsStored)
{
    const auto source = local.path() / "empty.bin";
    writeFile(source, "");
    ASSERT_EQ(connection->PutFile(source.string(), "empty.bin"), TRUE);
    ASSERT_TRUE(std::filesystem::exists(peer->localPath("empty.bin")));
    EXPECT_EQ(std::filesystem::file_size(peer->localPath("empty.bin")), 0u);
}

TEST_P(PutToPeer, ReplacesAnExistingFile)
{
    peer->putServerFile("KELVOR.bin", "the old program, rather longer than the new one");
    const auto source = local.path() / "new.bin";
    writeFile(source, "new");
    ASSERT_EQ(connection->PutFile(source.string(), "KELVOR.bin"), TRUE);
    EXPECT_EQ(readFile(peer->localPath("KELVOR.bin")), "new");
}

TEST_P(PutToPeer, SecondPutReusesTheLogin)
{
    const auto source = localFile("a.bin");
    ASSERT_EQ(connection->PutFile(source.string(), "one.bin"), TRUE);
    ASSERT_EQ(connection->PutFile(source.string(), "two.bin"), TRUE);
    EXPECT_EQ(peer->logins(), 1u) << describe(peer->commands());
}

TEST_P(PutToPeer, MissingRemoteFolderReturnsZeroAndKeepsTheConnection)
{
    const auto source = localFile("a.bin");
    EXPECT_EQ(connection->PutFile(source.string(), "/no/such/folder/a.bin"), FALSE);
    EXPECT_GE(connection->LastReplyCode(), 500);
    EXPECT_EQ(connection->PutFile(source.string(), "/a.bin"), TRUE);
    EXPECT_EQ(peer->logins(), 1u) << describe(peer->commands());
}

TEST_P(PutToPeer, PassiveModeUsesPasvOnly)
{
    const auto source = localFile("a.bin");
    ASSERT_EQ(connection->PutFile(source.string(), "a.bin"), TRUE);
    EXPECT_EQ(peer->commands("PASV").size(), 1u);
    EXPECT_TRUE(peer->commands("EPSV").empty());
    EXPECT_TRUE(peer->commands("PORT").empty());
}

TEST_P(PutToPeer, ActiveModeUsesPort)
{
    connection = connectTo(*peer, FALSE);
    const auto source = localFile("a.bin");
    ASSERT_EQ(connection->PutFile(source.string(), "a.bin"), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
    EXPECT_EQ(sha256OfFile(peer->localPath("a.bin")), sha256OfFile(source));
    EXPECT_EQ(peer->commands("PORT").size(), 1u);
    EXPECT_TRUE(peer->commands("PASV").empty());
    EXPECT_TRUE(peer->commands("EPRT").empty());
}

INSTANTIATE_TEST_SUITE_P(Peers, PutToPeer, ::testing::Values(PeerKind::StandIn, PeerKind::Vsftpd),
                         [](const auto& info) { return peerName(info.param); });

// --- puts that return 0 before anything is sent ------------------------------

class PutRefusedLocally : public PutFixture, public ::testing::Test
{
protected:
    void SetUp() override { start(PeerKind::StandIn); }

    // Nothing but the login reached the server, and the login still holds.
    void expectNothingSentAndConnectionKept()
    {
        const auto source = localFile("marker.bin");
        ASSERT_EQ(connection->PutFile(source.string(), "marker.bin"), TRUE);
        const auto commands = peer->commands();
        const auto stors = withVerb(commands, "STOR");
        ASSERT_EQ(stors.size(), 1u) << describe(commands);
        EXPECT_EQ(stors[0].argument, "marker.bin");
        EXPECT_EQ(peer->logins(), 1u);
        EXPECT_TRUE(withVerb(commands, "DELE").empty()) << describe(commands);
    }
};

TEST_F(PutRefusedLocally, MissingLocalFile)
{
    EXPECT_EQ(connection->PutFile((local.path() / "absent.bin").string(), "x.bin"), FALSE);
    expectNothingSentAndConnectionKept();
}

// Nothing but a regular file is read: a FIFO would keep the open waiting
// for a writer, /dev/zero would never end. Each fails at once, unsent.
class PutNotARegularFile : public PutRefusedLocally,
                           public ::testing::WithParamInterface<const char*>
{};

TEST_P(PutNotARegularFile, ReturnsZeroAtOnce)
{
    const std::string kind = GetParam();
    const auto source = local.path() / "program.bin";
    std::optional<Fifo> fifo;
    if (kind == "Folder") {
        std::filesystem::create_directory(source);
    } else if (kind == "Fifo") {
        fifo.emplace(source);
    } else if (kind == "LinkToFifo") {
        fifo.emplace(local.path() / "fifo");
        std::filesystem::create_symlink(fifo->path(), source);
    } else if (kind == "LinkToDevZero") {
        std::filesystem::create_symlink("/dev/zero", source);
    }
    ASSERT_TRUE(std::filesystem::exists(source));
    ASSERT_FALSE(std::filesystem::is_regular_file(source));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connection->PutFile(source.string(), "x.bin"), FALSE);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    if (fifo) {
        EXPECT_FALSE(fifo->releasedAWaitingReader());
    }
    EXPECT_EQ(connection->LastCurlCode(), CURLE_READ_ERROR);
    expectNothingSentAndConnectionKept();
}

INSTANTIATE_TEST_SUITE_P(Kinds, PutNotARegularFile,
                         ::testing::Values("Folder", "Fifo", "LinkToFifo", "LinkToDevZero"),
                         [](const auto& info) { return std::string(info.param); });

class PutUnsendablePath : public PutRefusedLocally,
                          public ::testing::WithParamInterface<std::string>
{};

TEST_P(PutUnsendablePath, ReturnsZero)
{
    std::filesystem::create_directory(peer->root() / "prog");
    writeFile(peer->localPath("victim.bin"), "keep me");
    const auto source = localFile("a.bin");
    EXPECT_EQ(connection->PutFile(source.string(), GetParam()), FALSE);
    expectNothingSentAndConnectionKept();
    EXPECT_TRUE(std::filesystem::exists(peer->localPath("victim.bin")));
}

INSTANTIATE_TEST_SUITE_P(EmptyFolderOrLineBreak, PutUnsendablePath,
                         ::testing::Values(""s, "/"s, "/prog/"s, "x.bin\r\nDELE victim.bin"s,
                                           "x.bin\nDELE victim.bin"s, "x.bin\rDELE victim.bin"s,
                                           "x.bin\0DELE victim.bin"s, "tab\there.bin"s,
                                           "del\x7f.bin"s),
                         ReadableStringName());

// --- the size question after a store the unit confirmed ----------------------

struct StoredSizeCase
{
    const char* name;
    std::optional<std::uint64_t> kept; // the unit keeps only the first bytes
    std::optional<int> refusal;        // SIZE is answered with this code,
    const char* reply;                 // or with this line,
    bool silent;                       // or never
    BOOL result;                       // only a size that differs fails the put
};

void PrintTo(const StoredSizeCase& value, std::ostream* out)
{
    *out << value.name;
}

class PutStoredSize : public PutFixture, public ::testing::TestWithParam<StoredSizeCase>
{};

TEST_P(PutStoredSize, OnlyASizeThatDiffersFailsTheUpload)
{
    constexpr std::uint64_t kSent = 200 * 1024;
    ShortBounds bounds(boundsWith(&FtpBounds::sizeAnswer, std::chrono::seconds(1)));
    const StoredSizeCase& c = GetParam();
    UnitStandIn::Options options;
    options.keepStorBytes = c.kept;
    if (c.refusal)
        options.refusals = {{"SIZE", *c.refusal, {}}};
    if (c.reply != nullptr)
        options.replies = {{"SIZE", c.reply}};
    if (c.silent)
        options.neverAnswer = {"SIZE"};
    start(PeerKind::StandIn, options);
    const auto source = localFile("program.bin", kSent);
    EXPECT_EQ(connection->PutFile(source.string(), "/KELVOR.bin"), c.result);

    // SIZE followed the STOR on its connection, in binary mode.
    const auto commands = peer->commands();
    ASSERT_GE(commands.size(), 3u) << describe(commands);
    EXPECT_EQ(commands.back().line, "SIZE /KELVOR.bin") << describe(commands);
    EXPECT_EQ(commands[commands.size() - 2].verb, "STOR") << describe(commands);
    EXPECT_EQ(withVerb(commands, "TYPE").back().argument, "I");
    EXPECT_EQ(peer->logins(), 1u);
    const std::uint64_t kept = options.keepStorBytes.value_or(kSent);
    EXPECT_EQ(std::filesystem::file_size(peer->localPath("KELVOR.bin")), kept);
    // Whatever the answer, the next operation finds a working connection.
    EXPECT_EQ(connection->Remove("/KELVOR.bin"), TRUE)
        << "curl " << connection->LastCurlCode() << ", " << connection->LastReplyLine();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PutStoredSize,
    ::testing::Values(StoredSizeCase{"SizesEqual", {}, {}, nullptr, false, TRUE},
                      StoredSizeCase{"KeptFirstBytes", 64 * 1024, {}, nullptr, false, FALSE},
                      StoredSizeCase{"Refused502", {}, 502, nullptr, false, TRUE},
                      StoredSizeCase{"Refused550", {}, 550, nullptr, false, TRUE},
                      // libcurl ends the connection on a 421.
                      StoredSizeCase{"Closing421", {}, 421, nullptr, false, TRUE},
                      StoredSizeCase{"NoNumber", {}, {}, "213 unknown", false, TRUE},
                      StoredSizeCase{"NumberWithText", {}, {}, "213 1024 B", false, TRUE},
                      StoredSizeCase{"Silent", {}, {}, nullptr, true, TRUE}),
    [](const auto& info) { return std::string(info.param.name); });

// --- puts the server turns down ----------------------------------------------

TEST(PutServerRefusal, RefusedStorReturnsZeroAndTheNextPutWorks)
{
    UnitStandIn::Options options;
    options.refusals = {{"STOR", 552, 1}};
    UnitStandIn unit(options);
    TempDir local;
    writeFile(local.path() / "a.bin", "program");
    auto connection = connectTo(unit);

    EXPECT_EQ(connection->PutFile((local.path() / "a.bin").string(), "a.bin"), FALSE);
    EXPECT_EQ(connection->LastReplyCode(), 552);
    EXPECT_NE(connection->LastCurlCode(), CURLE_OK);
    EXPECT_EQ(connection->LastReplyLine().substr(0, 4), "552 ");

    EXPECT_EQ(connection->PutFile((local.path() / "a.bin").string(), "a.bin"), TRUE);
    EXPECT_EQ(readFile(unit.localPath("a.bin")), "program");
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

TEST(PutServerRefusal, RefusedTypeReturnsZero)
{
    UnitStandIn::Options options;
    options.refusals = {{"TYPE", 504, std::nullopt}};
    UnitStandIn unit(options);
    TempDir local;
    writeFile(local.path() / "a.bin", "program");
    auto connection = connectTo(unit);
    EXPECT_EQ(connection->PutFile((local.path() / "a.bin").string(), "a.bin"), FALSE);
    EXPECT_TRUE(unit.commands("STOR").empty());
}

} // namespace
} // namespace kelvor::test
