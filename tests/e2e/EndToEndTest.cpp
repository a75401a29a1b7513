// The whole program in one process, driven through its windows with the
// keyboard and the mouse, against the unit stand-in on port 21 of a loopback
// address of its own: main window, Start, login, operations menu, upload or
// delete, outcome, end.

#include "tests/e2e/EndToEnd.h"

#include "connection/FtpFaultInjection.h"

#include <QApplication>
#include <QTest>
#include <optional>

using namespace kelvor::test;

TEST_F(EndToEnd, UploadSendsTheFileByteForByteAndEndsTheProgram)
{
    // No DEFAULTIP: the operator types the unit's address over the proposal.
    writeSettings("[KELVOR]\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
    const fs::path program = writeProgramFile();

    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD, [this] {
        EXPECT_EQ(shownAddress(), QStringLiteral("192.168.1.1"));
        typeAddressAndLogIn(unit->address());
    });
    script.whenActive("menu", IDD_SUBMENU,
                      [] { pressKey(Qt::Key_Return); }); // Upload has the focus
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    EXPECT_EQ(g_strDeviceAddress, unit->address());
    const fs::path stored = unit->root() / "prog" / "KELVOR.BIN";
    ASSERT_TRUE(fs::exists(stored));
    EXPECT_EQ(sha256OfFile(stored), sha256OfFile(program));
    const auto stores = unit->commands("STOR");
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].argument, "/prog/KELVOR.BIN");
    EXPECT_EQ(unit->commands("TYPE").back().argument, "I");
    EXPECT_EQ(unit->commands("PASV").size(), 1u); // passive mode
    EXPECT_EQ(unit->commands("USER").size(), 1u); // logged in once, never again
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible()) << window->windowTitle().toStdString();
}

TEST_F(EndToEnd, RefusedLoginThenGoodOneThenUpload)
{
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script, "wrong");
    script.when(
        "login refused", [this] { return boxes.shown().size() == 1; },
        [] {
            qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_PASSWORD))->clear();
            clickButton(g_dlgIPAdd, IDC_PASSWORD);
            typeText(QStringLiteral("kelvor"));
            clickButton(g_dlgIPAdd, IDOK);
        });
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"ＫＥＬＶＯＲとの接続に失敗しました。",
                                                       kConfirmUpload, kUploadDone}));
    EXPECT_TRUE(fs::exists(unit->root() / "prog" / "KELVOR.BIN"));
}

TEST_F(EndToEnd, FailedUploadLeavesTheMenuForARetry)
{
    UnitStandIn::Options options;
    options.refusals.push_back({"STOR", 553, 1});
    startUnit(options);
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    const fs::path program = writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    whenMenuReady(script, "menu back after the failure", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadFailed,
                                                       kConfirmUpload, kUploadDone}));
    EXPECT_EQ(boxes.shown()[1].type, 0x10u);
    EXPECT_EQ(sha256OfFile(unit->root() / "prog" / "KELVOR.BIN"), sha256OfFile(program));
    EXPECT_EQ(unit->commands("STOR").size(), 2u);
}

TEST_F(EndToEnd, AUnitKeepingOnlyTheFirstBytesFailsTheUploadAndTheMenuComesBack)
{
    UnitStandIn::Options options;
    options.keepStorBytes = 1024 * 1024; // of 3 MiB, all sent and confirmed with 226
    startUnit(options);
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    whenMenuReady(script, "menu back after the failure", IDCANCEL);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadFailed}));
    EXPECT_EQ(boxes.shown()[1].type, 0x10u);
    EXPECT_EQ(fs::file_size(unit->root() / "prog" / "KELVOR.BIN"), 1024u * 1024);
    const auto sizes = unit->commands("SIZE");
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].argument, "/prog/KELVOR.BIN");
}

TEST_F(EndToEnd, AUnitRefusingSizeLeavesTheUploadAsItReportedIt)
{
    UnitStandIn::Options options;
    options.refusals.push_back({"SIZE", 502, std::nullopt});
    startUnit(options);
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    const fs::path program = writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    EXPECT_EQ(sha256OfFile(unit->root() / "prog" / "KELVOR.BIN"), sha256OfFile(program));
    EXPECT_EQ(unit->commands("SIZE").size(), 1u);
}

// Starts an upload that stalls after 1 MiB and presses Cancel once it has.
// Returns whether the window vanished at the click, before any message.
bool EndToEnd::runCancelledUpload(bool sessionsFail)
{
    UnitStandIn::Options options;
    options.stallStorAfter = 1024 * 1024;
    startUnit(options);
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile("KELVOR.BIN", 16 * 1024 * 1024);

    bool hiddenAtOnce = false;
    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    script.when(
        "transfer stalled",
        [this] { return progressButton("ｱｯﾌﾟﾛｰﾄﾞ中") != nullptr && hasRecord("stalled"); },
        [&] {
            ftp_fault_injection::failSessionOpens(sessionsFail);
            QWidget* window = visibleWindowTitled(QStringLiteral("ｱｯﾌﾟﾛｰﾄﾞ中"));
            QTest::mouseClick(progressButton("ｱｯﾌﾟﾛｰﾄﾞ中"), Qt::LeftButton);
            hiddenAtOnce = !window->isVisible() && boxes.shown().size() == 1;
        });
    runProgram();
    return hiddenAtOnce;
}

TEST_F(EndToEnd, CancelDuringAStalledTransferStopsItAndEndsTheProgram)
{
    EXPECT_TRUE(runCancelledUpload(false));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadCancelled}));
    EXPECT_EQ(g_nStatus.load(), STATUS_CANCELLED);
    ASSERT_NE(g_pWorkerThread, nullptr);
    EXPECT_TRUE(g_pWorkerThread->WaitForEnd(10s)); // stopped, not waited for by the window
    EXPECT_EQ(g_nStatus.load(), STATUS_CANCELLED); // and it stored nothing afterwards
    for (const ReceivedFile& file : unit->receivedFiles())
        EXPECT_FALSE(file.complete);
}

TEST_F(EndToEnd, CancelGoesOnWhenNoFreshSessionCanBeOpened)
{
    EXPECT_TRUE(runCancelledUpload(true));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadCancelled}));
}

TEST_F(EndToEnd, UploadSucceedsEvenWhenNoFreshSessionCanBeOpenedAfterwards)
{
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    script.when(
        "menu", [] { return activeModalTemplate() == IDD_SUBMENU && isActive(g_dlgSubMenu); },
        [] {
            // The login has its connection; from now on every session open fails.
            ftp_fault_injection::failSessionOpens(true);
            clickButton(g_dlgSubMenu, IDC_UPLOAD);
        });
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    EXPECT_TRUE(fs::exists(unit->root() / "prog" / "KELVOR.BIN"));
}

TEST_F(EndToEnd, EscapeHidesTheUploadWindowAndTheOutcomeStillComes)
{
    UnitStandIn::Options options;
    options.late226Seconds = 2.0; // keeps the upload going for a while
    startUnit(options);
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    script.when(
        "upload window active",
        [] {
            QWidget* window = visibleWindowTitled(QStringLiteral("ｱｯﾌﾟﾛｰﾄﾞ中"));
            return window != nullptr && QApplication::activeWindow() == window;
        },
        [] {
            pressKey(Qt::Key_Escape);
            EXPECT_EQ(visibleWindowTitled(QStringLiteral("ｱｯﾌﾟﾛｰﾄﾞ中")), nullptr);
            EXPECT_EQ(g_nStatus.load(), STATUS_RUNNING);
        });
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    EXPECT_TRUE(fs::exists(unit->root() / "prog" / "KELVOR.BIN"));
}

struct DeleteCase
{
    const char* name;
    std::vector<std::string> listing; // as the unit lists the folder
    bool listFolder = false;          // list the real folder instead
    const char* path = "/prog/";
    std::vector<std::string> deleted; // DELE arguments expected, in order
    std::string outcome;
    std::optional<UnitStandIn::Refusal> refusal;
};

void PrintTo(const DeleteCase& value, std::ostream* out)
{
    *out << value.name;
}

class EndToEndDelete : public EndToEnd, public ::testing::WithParamInterface<DeleteCase>
{};

TEST_P(EndToEndDelete, ExaminesTheFirstThreeEntriesAndReportsThenTheMenuGoesOn)
{
    const DeleteCase& c = GetParam();
    UnitStandIn::Options options;
    if (!c.listFolder)
        options.listing = c.listing;
    else
        options.dotEntries = true;
    if (c.refusal)
        options.refusals.push_back(*c.refusal);
    startUnit(options);
    writeFile(unit->root() / "prog" / "KELVOR.BIN", "old program");
    for (const std::string& name : c.listing) {
        if (name != "." && name != "..")
            writeFile(unit->root() / "prog" / name, "a file");
    }
    // No FILENAME: the delete does not need it.
    writeSettingsForTheUnit(std::string("PATH=") + c.path + "\n");

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_DELETE);
    whenMenuReady(script, "menu back after the delete", IDCANCEL);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmDelete, c.outcome}));
    std::vector<std::string> deleted;
    for (const FtpCommand& command : unit->commands("DELE"))
        deleted.push_back(command.argument);
    EXPECT_EQ(deleted, c.deleted);
    for (const std::string& name : c.listing) {
        const bool gone =
            std::find(c.deleted.begin(), c.deleted.end(), "/prog/" + name) != c.deleted.end();
        if (name != "." && name != ".." && !c.refusal) {
            EXPECT_EQ(fs::exists(unit->root() / "prog" / name), !gone) << name;
        }
    }
    const auto listings = unit->commands("NLST");
    ASSERT_EQ(listings.size(), 1u);
    EXPECT_EQ(listings[0].argument, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Listings, EndToEndDelete,
    ::testing::Values(
        DeleteCase{"DotsAndTheProgram",
                   {},
                   true,
                   "/prog/",
                   {"/prog/KELVOR.BIN"},
                   kDeleteDone,
                   std::nullopt},
        DeleteCase{"ProgramBetweenTheDots",
                   {".", "KELVOR.BIN", ".."},
                   false,
                   "/prog/",
                   {"/prog/KELVOR.BIN"},
                   kDeleteDone,
                   std::nullopt},
        DeleteCase{"DotsOnly", {".", ".."}, false, "/prog/", {}, kDeleteDone, std::nullopt},
        DeleteCase{"FourEntriesOnlyTheThirdGoes",
                   {".", "..", "a", "b"},
                   false,
                   "/prog/",
                   {"/prog/a"},
                   kDeleteDone,
                   std::nullopt},
        DeleteCase{"ThreeFilesWithoutDots",
                   {"a", "b", "c"},
                   false,
                   "/prog/",
                   {"/prog/a", "/prog/b", "/prog/c"},
                   kDeleteDone,
                   std::nullopt},
        DeleteCase{"ThreeDotsIsAName",
                   {".", "..", "..."},
                   false,
                   "/prog/",
                   {"/prog/..."},
                   kDeleteDone,
                   std::nullopt},
        DeleteCase{"OneEntryOnly", {"x"}, false, "/prog/", {"/prog/x"}, kDeleteDone, std::nullopt},
        DeleteCase{"MissingFolder", {}, true, "/nope/", {}, kDeleteFailed, std::nullopt},
        DeleteCase{"EmptyListing", {}, false, "/prog/", {}, kDeleteFailed, std::nullopt},
        DeleteCase{"LastRemovalFails",
                   {".", "..", "KELVOR.BIN"},
                   false,
                   "/prog/",
                   {"/prog/KELVOR.BIN"},
                   kDeleteFailed,
                   UnitStandIn::Refusal{"DELE", 550, std::nullopt}},
        DeleteCase{"EarlierFailureThenSuccess",
                   {"a", "b"},
                   false,
                   "/prog/",
                   {"/prog/a", "/prog/b"},
                   kDeleteDone,
                   UnitStandIn::Refusal{"DELE", 550, 1}}),
    [](const auto& info) { return info.param.name; });

struct ControlByteListing
{
    const char* name;
    std::string data; // the NLST data, byte for byte
};

void PrintTo(const ControlByteListing& value, std::ostream* out)
{
    *out << value.name;
}

class EndToEndControlBytes : public EndToEnd,
                             public ::testing::WithParamInterface<ControlByteListing>
{};

TEST_P(EndToEndControlBytes, NoNameHoldingThemIsDeletedAndTheDeleteFails)
{
    UnitStandIn::Options options;
    options.rawListing = GetParam().data;
    startUnit(options);
    const std::vector<std::string> files = {"unit", "x.bin", "KELVOR", "KELVOR.BIN"};
    for (const std::string& name : files)
        writeFile(unit->root() / "prog" / name, "a file");
    writeSettingsForTheUnit("PATH=/prog/\n");

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_DELETE);
    whenMenuReady(script, "menu back after the delete", IDCANCEL);
    runProgram();

    // The last of the three entries could not be removed: the failure.
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmDelete, kDeleteFailed}));
    EXPECT_TRUE(unit->commands("DELE").empty()) << describe(unit->commands());
    for (const std::string& name : files)
        EXPECT_TRUE(fs::exists(unit->root() / "prog" / name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Listings, EndToEndControlBytes,
    ::testing::Values(
        // What a unit was seen to list: "/prog/unit" must not go.
        ControlByteListing{"BareCrInTheThirdName", ".\r\n..\r\nunit\rDELE x.bin\r\n"},
        ControlByteListing{"CrNulAndALoneLf",
                           std::string(".\r\nunit\rDELE x.bin\nKELVOR\0.BIN\r\n", 32)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, AfterADeleteAnUploadFollowsAtOnce)
{
    UnitStandIn::Options options;
    options.dotEntries = true;
    startUnit(options);
    writeFile(unit->root() / "prog" / "KELVOR.BIN", "old program");
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    const fs::path program = writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_DELETE);
    whenMenuReady(script, "menu back after the delete", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{kConfirmDelete, kDeleteDone, kConfirmUpload, kUploadDone}));
    EXPECT_EQ(sha256OfFile(unit->root() / "prog" / "KELVOR.BIN"), sha256OfFile(program));
    EXPECT_EQ(unit->commands("USER").size(), 1u);
}

TEST_F(EndToEnd, AnUploadRightAfterAnOversizedListingReachesTheUnitAndSucceeds)
{
    // A listing past the layer's bound ends the delete; nothing of it may
    // reach the upload that follows.
    UnitStandIn::Options options;
    options.rawListing = std::string(5 << 20, 'x') + "\r\n";
    startUnit(options);
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    const fs::path program = writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_DELETE);
    whenMenuReady(script, "menu back after the failed delete", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmDelete, kDeleteFailed,
                                                       kConfirmUpload, kUploadDone}));
    EXPECT_EQ(unit->commands("NLST").size(), 1u);
    EXPECT_TRUE(unit->commands("DELE").empty());
    const auto stores = unit->commands("STOR");
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].argument, "/prog/KELVOR.BIN");
    EXPECT_EQ(sha256OfFile(unit->root() / "prog" / "KELVOR.BIN"), sha256OfFile(program));
}

TEST_F(EndToEnd, MissingSettingsFileIsReportedAndTheMenuStays)
{
    // The address comes from nowhere else: type it.
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD,
                      [this] { typeAddressAndLogIn(unit->address()); });
    whenMenuReady(script, "menu", IDC_UPLOAD);
    whenMenuReady(script, "menu still there", IDC_DELETE);
    whenMenuReady(script, "menu still there again", IDCANCEL);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, "INIﾌｧｲﾙｴﾗｰ", kConfirmDelete,
                                                       "INIﾌｧｲﾙｴﾗｰ"}));
    EXPECT_TRUE(unit->commands("STOR").empty());
    EXPECT_TRUE(unit->commands("NLST").empty());
}

TEST_F(EndToEnd, SettingsWithoutPathUploadUnderErrorAndEmptyPathEndsTheProgram)
{
    writeSettingsForTheUnit("FILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    const auto stores = unit->commands("STOR");
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].argument, "ERRORKELVOR.BIN");
}

TEST_F(EndToEnd, EmptyPathIsASettingsErrorThatEndsTheProgram)
{
    writeSettingsForTheUnit("PATH=\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, "INIﾌｧｲﾙｴﾗｰ"}));
    EXPECT_TRUE(unit->commands("STOR").empty());
}
