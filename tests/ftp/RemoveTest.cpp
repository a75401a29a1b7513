// CFtpConnection::Remove against both peers.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/ftp/ParamNames.h"
#include "tests/support/TestFiles.h"

namespace kelvor::test {
namespace {

using namespace std::string_literals;

class RemoveOnPeer : public PeerTest
{
protected:
    void SetUp() override
    {
        PeerTest::SetUp();
        if (!IsSkipped())
            connection = connectTo(*peer);
    }
    std::unique_ptr<CFtpConnection> connection;
};

TEST_P(RemoveOnPeer, ExistingFileIsRemoved)
{
    peer->makeFolder("prog");
    peer->putServerFile("prog/KELVOR.bin", "program");
    EXPECT_EQ(connection->Remove("/prog/KELVOR.bin"), TRUE);
    EXPECT_EQ(connection->LastReplyCode(), 250);
    EXPECT_FALSE(std::filesystem::exists(peer->localPath("/prog/KELVOR.bin")));
}

TEST_P(RemoveOnPeer, SendsDeleAloneAfterTheLogin)
{
    peer->putServerFile("x.bin", "x");
    const std::size_t before = peer->commands().size();
    ASSERT_EQ(connection->Remove("x.bin"), TRUE);
    const auto commands = peer->commands();
    ASSERT_EQ(commands.size(), before + 1) << describe(commands);
    EXPECT_EQ(commands.back().line, "DELE x.bin");
}

TEST_P(RemoveOnPeer, MissingFileReturnsZeroAndTheConnectionStaysUsable)
{
    peer->putServerFile("there.bin", "x");
    EXPECT_EQ(connection->Remove("absent.bin"), FALSE);
    EXPECT_EQ(connection->LastReplyCode(), 550);
    EXPECT_EQ(connection->Remove("there.bin"), TRUE);
    EXPECT_FALSE(std::filesystem::exists(peer->localPath("there.bin")));
    EXPECT_EQ(peer->logins(), 1u) << describe(peer->commands());
}

TEST_P(RemoveOnPeer, RemovingTwiceGivesOneThenZero)
{
    peer->putServerFile("x.bin", "x");
    EXPECT_EQ(connection->Remove("x.bin"), TRUE);
    EXPECT_EQ(connection->Remove("x.bin"), FALSE);
}

TEST_P(RemoveOnPeer, OddNamesAreRemoved)
{
    const std::string name = "a b%20#?\xE3\x81\x82.bin";
    peer->putServerFile(name, "x");
    EXPECT_EQ(connection->Remove(name), TRUE);
    EXPECT_FALSE(std::filesystem::exists(peer->localPath(name)));
}

INSTANTIATE_TEST_SUITE_P(Peers, RemoveOnPeer,
                         ::testing::Values(PeerKind::StandIn, PeerKind::Vsftpd),
                         [](const auto& info) { return peerName(info.param); });

TEST(RemoveRefusal, RefusedDeleReturnsZeroThenWorks)
{
    UnitStandIn::Options options;
    options.refusals = {{"DELE", 450, 1}};
    UnitStandIn unit(options);
    writeFile(unit.localPath("x.bin"), "x");
    auto connection = connectTo(unit);
    EXPECT_EQ(connection->Remove("x.bin"), FALSE);
    EXPECT_EQ(connection->LastReplyCode(), 450);
    EXPECT_TRUE(std::filesystem::exists(unit.localPath("x.bin")));
    EXPECT_EQ(connection->Remove("x.bin"), TRUE);
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

TEST(RemoveRefusal, PositivePreliminaryReplyIsNoSuccess)
{
    // Only a 2xx reply says the file went.
    UnitStandIn::Options options;
    options.refusals = {{"DELE", 350, std::nullopt}};
    UnitStandIn unit(options);
    writeFile(unit.localPath("x.bin"), "x");
    auto connection = connectTo(unit);
    EXPECT_EQ(connection->Remove("x.bin"), FALSE);
}

class RemoveUnsendablePath : public ::testing::TestWithParam<std::string>
{};

TEST_P(RemoveUnsendablePath, ReturnsZeroAndSendsNothing)
{
    UnitStandIn unit;
    writeFile(unit.localPath("victim.bin"), "keep me");
    writeFile(unit.localPath("marker.bin"), "x");
    auto connection = connectTo(unit);
    EXPECT_EQ(connection->Remove(GetParam()), FALSE);
    EXPECT_EQ(connection->Remove("marker.bin"), TRUE);
    const auto deles = unit.commands("DELE");
    ASSERT_EQ(deles.size(), 1u) << describe(unit.commands());
    EXPECT_EQ(deles[0].argument, "marker.bin");
    EXPECT_TRUE(std::filesystem::exists(unit.localPath("victim.bin")));
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(EmptyFolderOrLineBreak, RemoveUnsendablePath,
                         ::testing::Values(""s, "/prog/"s, "x\r\nDELE victim.bin"s,
                                           "x\nDELE victim.bin"s, "victim.bin\0junk"s, "x\x01"s),
                         ReadableStringName());

} // namespace
} // namespace kelvor::test
