// The listing cursor (CFtpFileFind) against both peers.

#include "tests/ftp/FtpTestPeers.h"
#include "tests/ftp/ParamNames.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <curl/curl.h>

namespace kelvor::test {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

UnitStandIn::Options scripted(Names names)
{
    UnitStandIn::Options options;
    options.listing = std::move(names);
    return options;
}

// Steps the cursor to its end and one step beyond, noting each result and
// name.
struct Steps
{
    std::vector<BOOL> results;
    Names names;
};

Steps stepThrough(CFtpFileFind& find, int steps)
{
    Steps seen;
    for (int i = 0; i < steps; ++i) {
        seen.results.push_back(find.FindNextFile());
        seen.names.push_back(find.GetFileName());
    }
    return seen;
}

TEST(FileFind, DotsAndOneFileGiveOneOneZeroInServerOrder)
{
    UnitStandIn unit(scripted({".", "..", "KELVOR.bin"}));
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/", INTERNET_FLAG_RELOAD), TRUE);
    EXPECT_EQ(find.GetFileName(), "");
    const Steps steps = stepThrough(find, 3);
    EXPECT_EQ(steps.results, (std::vector<BOOL>{TRUE, TRUE, FALSE}));
    EXPECT_EQ(steps.names, (Names{".", "..", "KELVOR.bin"}));
    find.Close();
}

TEST(FileFind, PastTheEndReturnsZeroWithNoCurrentEntry)
{
    UnitStandIn unit(scripted({"KELVOR.bin"}));
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    const Steps steps = stepThrough(find, 3);
    EXPECT_EQ(steps.results, (std::vector<BOOL>{FALSE, FALSE, FALSE}));
    EXPECT_EQ(steps.names, (Names{"KELVOR.bin", "", ""}));
}

TEST(FileFind, ServerOrderIsKeptWhateverItIs)
{
    UnitStandIn unit(scripted({"b.bin", ".", "a.bin", "..", "..."}));
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    const Steps steps = stepThrough(find, 5);
    EXPECT_EQ(steps.results, (std::vector<BOOL>{TRUE, TRUE, TRUE, TRUE, FALSE}));
    EXPECT_EQ(steps.names, (Names{"b.bin", ".", "a.bin", "..", "..."}));
}

TEST(FileFind, PrefixedNamesAreStripped)
{
    auto options = scripted({".", "..", "KELVOR.bin"});
    options.listingPrefix = true;
    UnitStandIn unit(options);
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    EXPECT_EQ(stepThrough(find, 3).names, (Names{".", "..", "KELVOR.bin"}));
}

TEST(FileFind, LfLineEndsAreAccepted)
{
    auto options = scripted({".", "..", "KELVOR.bin"});
    options.listingLf = true;
    UnitStandIn unit(options);
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    EXPECT_EQ(stepThrough(find, 3).names, (Names{".", "..", "KELVOR.bin"}));
}

TEST(FileFind, SendsNlstWithThePathAsGiven)
{
    UnitStandIn unit(scripted({"x"}));
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog dir/"), TRUE);
    const auto nlsts = unit.commands("NLST");
    ASSERT_EQ(nlsts.size(), 1u);
    EXPECT_EQ(nlsts[0].argument, "/prog dir/");
    EXPECT_TRUE(unit.commands("LIST").empty());
    EXPECT_TRUE(unit.commands("CWD").empty());
}

TEST(FileFind, EmptyListingReturnsZeroWithNothingOpen)
{
    UnitStandIn unit(scripted({}));
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/prog/"), FALSE);
    EXPECT_EQ(find.FindNextFile(), FALSE);
    EXPECT_EQ(find.GetFileName(), "");
}

TEST(FileFind, RefusedListingReturnsZeroWithNothingOpenAndKeepsTheConnection)
{
    UnitStandIn::Options options = scripted({"x"});
    options.refusals = {{"NLST", 550, 1}};
    UnitStandIn unit(options);
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/prog/"), FALSE);
    EXPECT_EQ(connection->LastReplyCode(), 550);
    EXPECT_EQ(find.FindNextFile(), FALSE);
    EXPECT_EQ(find.GetFileName(), "");
    EXPECT_EQ(find.FindFile("/prog/"), TRUE);
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

TEST(FileFind, MissingFolderOnTheStandInReturnsZero)
{
    UnitStandIn unit;
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/no-such-folder/"), FALSE);
    EXPECT_EQ(find.GetFileName(), "");
}

TEST(FileFind, AFailedFindFileClosesTheEarlierListing)
{
    UnitStandIn::Options options = scripted({"a", "b"});
    options.listingPath = "/prog/";
    UnitStandIn unit(options);
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    ASSERT_EQ(find.FindNextFile(), TRUE);
    EXPECT_EQ(find.FindFile("/missing/"), FALSE);
    EXPECT_EQ(find.FindNextFile(), FALSE);
    EXPECT_EQ(find.GetFileName(), "");
}

TEST(FileFind, EveryFindFileListsAfresh)
{
    UnitStandIn::Options options;
    options.dotEntries = true;
    UnitStandIn unit(options);
    std::filesystem::create_directory(unit.root() / "prog");
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    EXPECT_EQ(stepThrough(find, 3).names, (Names{".", "..", ""}));
    writeFile(unit.localPath("/prog/new.bin"), "x");
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    EXPECT_EQ(stepThrough(find, 3).names, (Names{".", "..", "new.bin"}));
    EXPECT_EQ(unit.commands("NLST").size(), 2u);
}

TEST(FileFind, CloseEndsTheListing)
{
    UnitStandIn unit(scripted({"a", "b"}));
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    ASSERT_EQ(find.FindNextFile(), TRUE);
    find.Close();
    EXPECT_EQ(find.FindNextFile(), FALSE);
    EXPECT_EQ(find.GetFileName(), "");
    find.Close();
}

TEST(FileFind, ListingStaysSteppableWhileFilesAreRemoved)
{
    // As the delete worker does: list, then remove each entry between steps.
    UnitStandIn::Options options;
    options.dotEntries = true;
    UnitStandIn unit(options);
    std::filesystem::create_directory(unit.root() / "prog");
    writeFile(unit.localPath("/prog/a.bin"), "a");
    writeFile(unit.localPath("/prog/b.bin"), "b");
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    Names removed;
    for (int i = 0; i < 4; ++i) {
        find.FindNextFile();
        const std::string name = find.GetFileName();
        if (name == "." || name == ".." || name.empty())
            continue;
        EXPECT_EQ(connection->Remove("/prog/" + name), TRUE) << name;
        removed.push_back(name);
    }
    find.Close();
    EXPECT_EQ(removed, (Names{"a.bin", "b.bin"}));
    EXPECT_TRUE(std::filesystem::is_empty(unit.root() / "prog"));
    EXPECT_EQ(unit.commands("NLST").size(), 1u);
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

TEST(FileFind, ControlBytesInANameKeepItOneEntryThatNoRemovalSends)
{
    // A bare CR, a NUL and a lone LF line beside CRLF ones, as the unit
    // sends them: libcurl's ASCII mode would make two names of the first.
    UnitStandIn::Options options;
    options.rawListing = "a.bin\r\nunit\rDELE x.bin\r\nKELVOR\0.BIN\r\nlf-only.bin\nlast.bin\r\n"s;
    UnitStandIn unit(options);
    std::filesystem::create_directory(unit.root() / "prog");
    for (const char* name : {"a.bin", "unit", "x.bin", "KELVOR", "lf-only.bin", "last.bin"})
        writeFile(unit.localPath(std::string("/prog/") + name), "x");
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    const Steps steps = stepThrough(find, 5);
    EXPECT_EQ(steps.results, (std::vector<BOOL>{TRUE, TRUE, TRUE, TRUE, FALSE}));
    ASSERT_EQ(steps.names,
              (Names{"a.bin", "unit\rDELE x.bin", "KELVOR\0.BIN"s, "lf-only.bin", "last.bin"}));

    EXPECT_EQ(connection->Remove("/prog/" + steps.names[1]), FALSE);
    EXPECT_EQ(connection->Remove("/prog/" + steps.names[2]), FALSE);
    EXPECT_TRUE(unit.commands("DELE").empty()) << describe(unit.commands());
    for (const char* name : {"unit", "x.bin", "KELVOR"})
        EXPECT_TRUE(std::filesystem::exists(unit.localPath(std::string("/prog/") + name))) << name;
    EXPECT_EQ(connection->Remove("/prog/" + steps.names[3]), TRUE);
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

TEST(FileFind, AHundredThousandNamesAreListed)
{
    std::string data;
    for (int i = 0; i < 100000; ++i)
        data += "program-" + std::to_string(i) + ".bin\r\n";
    UnitStandIn::Options options;
    options.rawListing = data;
    UnitStandIn unit(options);
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    int entries = 1;
    while (find.FindNextFile())
        ++entries;
    EXPECT_EQ(entries, 100000);
    EXPECT_EQ(find.GetFileName(), "program-99999.bin");
}

TEST(FileFind, ListingBeyondFourMebibytesReturnsZeroAndTheConnectionGoesOn)
{
    // An endless listing is not one the program asked for.
    UnitStandIn::Options options;
    options.rawListing = std::string(5 << 20, 'x') + "\r\n";
    options.listingPath = "/endless/";
    UnitStandIn unit(options);
    std::filesystem::create_directory(unit.root() / "prog");
    writeFile(unit.localPath("/prog/KELVOR.bin"), "x");
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/endless/"), FALSE);
    EXPECT_EQ(find.FindNextFile(), FALSE);
    EXPECT_NE(connection->LastCurlCode(), CURLE_OK);
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    find.FindNextFile();
    EXPECT_EQ(find.GetFileName(), "KELVOR.bin");
}

TEST(FileFind, NoConnectionReturnsZero)
{
    CFtpFileFind find(nullptr);
    EXPECT_EQ(find.FindFile("/prog/"), FALSE);
    EXPECT_EQ(find.FindNextFile(), FALSE);
}

class ListingInjection : public ::testing::TestWithParam<std::string>
{};

TEST_P(ListingInjection, ReturnsZeroAndNothingReachesTheServer)
{
    UnitStandIn unit(scripted({"x"}));
    writeFile(unit.localPath("victim.bin"), "keep me");
    auto connection = connectTo(unit);
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile(GetParam()), FALSE);
    ASSERT_EQ(find.FindFile("/marker/"), TRUE);
    const auto commands = unit.commands();
    const auto nlsts = withVerb(commands, "NLST");
    ASSERT_EQ(nlsts.size(), 1u) << describe(commands);
    EXPECT_EQ(nlsts[0].argument, "/marker/");
    EXPECT_TRUE(withVerb(commands, "DELE").empty()) << describe(commands);
    EXPECT_TRUE(std::filesystem::exists(unit.localPath("victim.bin")));
    EXPECT_EQ(unit.commands("USER").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, ListingInjection,
                         ::testing::Values("/prog/\r\nDELE victim.bin"s, "/prog/\nDELE victim.bin"s,
                                           "/prog/\0DELE victim.bin"s),
                         ReadableStringName());

// --- vsftpd: its own listing habits ------------------------------------------

class FileFindOnVsftpd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (auto why = Vsftpd::unavailableReason())
            GTEST_SKIP() << *why;
        peer = std::make_unique<Peer>(PeerKind::Vsftpd);
        connection = connectTo(*peer);
    }
    std::unique_ptr<Peer> peer;
    std::unique_ptr<CFtpConnection> connection;
};

TEST_F(FileFindOnVsftpd, PrefixedNamesComeBackBare)
{
    peer->makeFolder("prog");
    peer->putServerFile("prog/KELVOR.bin", "p");
    peer->putServerFile("prog/other file.bin", "o");
    for (const std::string path : {"/prog/", "/prog", "prog", "prog/"}) {
        CFtpFileFind find(connection.get());
        ASSERT_EQ(find.FindFile(path), TRUE) << path;
        Names names;
        BOOL more = TRUE;
        while (more) {
            more = find.FindNextFile();
            names.push_back(find.GetFileName());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (Names{"KELVOR.bin", "other file.bin"})) << path;
    }
    EXPECT_EQ(peer->logins(), 1u);
}

TEST_F(FileFindOnVsftpd, MissingFolderListsNothingAndReturnsZero)
{
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/no-such-folder/"), FALSE);
    EXPECT_EQ(find.FindNextFile(), FALSE);
}

TEST_F(FileFindOnVsftpd, EmptyFolderReturnsZero)
{
    peer->makeFolder("prog");
    CFtpFileFind find(connection.get());
    EXPECT_EQ(find.FindFile("/prog/"), FALSE);
}

TEST_F(FileFindOnVsftpd, ListThenRemoveEachFile)
{
    peer->makeFolder("prog");
    peer->putServerFile("prog/KELVOR.bin", "p");
    CFtpFileFind find(connection.get());
    ASSERT_EQ(find.FindFile("/prog/"), TRUE);
    EXPECT_EQ(find.FindNextFile(), FALSE);
    EXPECT_EQ(find.GetFileName(), "KELVOR.bin");
    EXPECT_EQ(connection->Remove("/prog/" + find.GetFileName()), TRUE);
    find.Close();
    EXPECT_FALSE(std::filesystem::exists(peer->localPath("/prog/KELVOR.bin")));
}

} // namespace
} // namespace kelvor::test
