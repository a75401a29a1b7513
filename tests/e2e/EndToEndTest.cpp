// The whole program in one process, driven through its windows with the
// keyboard and the mouse, against the unit stand-in on 127.1.1.10: main
// window, Start, login, operations menu, upload or delete, outcome, end.

#include "app/RT_UT.h"
#include "app/RT_UTDlg.h"
#include "connection/FtpTestSeams.h"
#include "platform/IPAddressEdit.h"
#include "res/resource.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnitStandIn.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/WorkingFolder.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using namespace kelvor::test;
namespace fs = std::filesystem;

namespace {

const char* const kUnitAddress = "127.1.1.10";
const std::string kConfirmUpload = "アップロードを開始します。\nよろしいですか？";
const std::string kConfirmDelete = "プログラムを削除します。\nよろしいですか？";
const std::string kUploadDone =
    "アップロードが終了しました。\n\nＫＥＬＶＯＲの電源を入れなおしてください。\n"
    "システムが動作するまでに時間がかかります。\nしばらくお待ちください。";
const std::string kUploadFailed = "アップロードに失敗しました。";
const std::string kUploadCancelled = "アップロードを中止しました。\n電源を切る前に、もう一度プログ"
                                     "ラム\nアップロードをしてください。";
const std::string kPowerNote = "\n電源を切る前に、もう一度プログラム\nアップロードをしてください。";
const std::string kDeleteDone = "プログラムの削除が終了しました。" + kPowerNote;
const std::string kDeleteFailed = "プログラムの削除に失敗しました。" + kPowerNote;

QString shownAddress()
{
    auto* edit = qobject_cast<IPAddressEdit*>(controlOf(g_dlgIPAdd, IDC_IPADDRESS));
    QStringList fields;
    for (int i = 0; i < 4; ++i)
        fields << addressField(edit, i)->text();
    return fields.join(QLatin1Char('.'));
}

// In the connection dialog, with the keyboard only: the unit's address over
// whatever is proposed, then login name and password, then Enter. Never
// presses Connect with any other address.
void typeAddressAndLogIn()
{
    pressKey(Qt::Key_Backtab); // from the login name to the address, the last tab stop
    typeText(QString::fromLatin1(kUnitAddress));
    if (shownAddress() != QString::fromLatin1(kUnitAddress)) {
        ADD_FAILURE() << "typed address reads " << shownAddress().toStdString();
        g_dlgIPAdd.EndDialog(IDCANCEL);
        return;
    }
    pressKey(Qt::Key_Tab);
    typeText(QStringLiteral("kelvor"));
    pressKey(Qt::Key_Tab);
    typeText(QStringLiteral("kelvor"));
    pressKey(Qt::Key_Return);
}

QPushButton* progressButton(const char* caption)
{
    QWidget* window = visibleWindowTitled(QString::fromUtf8(caption));
    return window != nullptr ? window->findChild<QPushButton*>() : nullptr;
}

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(unit->root() / "prog"); }

    void TearDown() override
    {
        // As main() does after the application has returned.
        ReleaseOperationState();
        ftp_test_seams::SetPortOverride(std::nullopt);
        ftp_test_seams::SetSessionOpenFailure(false);
    }

    // Starts the unit stand-in with these options on the unit's address.
    void startUnit(UnitStandIn::Options options = {})
    {
        options.address = kUnitAddress;
        unit = std::make_unique<UnitStandIn>(options);
        ftp_test_seams::SetPortOverride(unit->port());
        fs::create_directories(unit->root() / "prog");
    }

    void writeSettings(const std::string& ini) { folder.write("KELVOR.INI", ini); }

    // The program file: a few MiB of a fixed pattern.
    fs::path writeProgramFile(const std::string& name = "KELVOR.BIN",
                              std::uint64_t bytes = 3 * 1024 * 1024)
    {
        const fs::path path = folder.path() / name;
        writePatternFile(path, bytes, 7);
        return path;
    }

    // Main window: Start with Enter. Connection dialog: check the proposed
    // address is the unit's (never dial anything else), type login name and
    // password, Enter.
    void startAndLogIn(Script& script, const std::string& password = "kelvor")
    {
        script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
        script.whenActive("connection dialog", IDD_IPADD, [password] {
            if (shownAddress() != QString::fromLatin1(kUnitAddress)) {
                ADD_FAILURE() << "proposed " << shownAddress().toStdString();
                g_dlgIPAdd.EndDialog(IDCANCEL);
                return;
            }
            auto* login = qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_LOGIN));
            login->clear();
            typeText(QStringLiteral("kelvor"));
            pressKey(Qt::Key_Tab);
            qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_PASSWORD))->clear();
            typeText(QString::fromStdString(password));
            pressKey(Qt::Key_Return);
        });
    }

    // Once the menu is back and active, presses one of its buttons.
    static void whenMenuReady(Script& script, const char* what, int button)
    {
        script.when(
            what,
            [] {
                return activeModalTemplate() == IDD_SUBMENU && g_dlgSubMenu.IsWindowEnabled() &&
                       isActive(g_dlgSubMenu);
            },
            [button] { clickButton(g_dlgSubMenu, button); }, 60s);
    }

    // Runs the program as start-up runs it.
    void runProgram() { EXPECT_EQ(theApp.InitInstance(), FALSE); }

    bool runCancelledUpload(bool sessionsFail);

    bool hasRecord(const std::string& kind) const
    {
        for (const LogRecord& record : unit->records()) {
            if (record.kind == kind)
                return true;
        }
        return false;
    }

    std::unique_ptr<UnitStandIn> unit = std::make_unique<UnitStandIn>(unitOptions());
    WorkingFolder folder;
    MessageBoxRecorder boxes;

private:
    static UnitStandIn::Options unitOptions()
    {
        UnitStandIn::Options options;
        options.address = kUnitAddress;
        return options;
    }
};

} // namespace

TEST_F(EndToEnd, UploadSendsTheFileByteForByteAndEndsTheProgram)
{
    ftp_test_seams::SetPortOverride(unit->port());
    // No DEFAULTIP: the operator types the unit's address over the proposal.
    writeSettings("[KELVOR]\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
    const fs::path program = writeProgramFile();

    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD, [] {
        EXPECT_EQ(shownAddress(), QStringLiteral("192.168.1.1"));
        typeAddressAndLogIn();
    });
    script.whenActive("menu", IDD_SUBMENU,
                      [] { pressKey(Qt::Key_Return); }); // Upload has the focus
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    EXPECT_EQ(g_strDeviceAddress, kUnitAddress);
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
    ftp_test_seams::SetPortOverride(unit->port());
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
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
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
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

// Starts an upload that stalls after 1 MiB and presses Cancel once it has.
// Returns whether the window vanished at the click, before any message.
bool EndToEnd::runCancelledUpload(bool sessionsFail)
{
    UnitStandIn::Options options;
    options.stallStorAfter = 1024 * 1024;
    startUnit(options);
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile("KELVOR.BIN", 16 * 1024 * 1024);

    bool hiddenAtOnce = false;
    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    script.when(
        "transfer stalled",
        [this] { return progressButton("ｱｯﾌﾟﾛｰﾄﾞ中") != nullptr && hasRecord("stalled"); },
        [&] {
            ftp_test_seams::SetSessionOpenFailure(sessionsFail);
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
    ftp_test_seams::SetPortOverride(unit->port());
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    script.when(
        "menu", [] { return activeModalTemplate() == IDD_SUBMENU && isActive(g_dlgSubMenu); },
        [] {
            // The login has its connection; from now on every session open fails.
            ftp_test_seams::SetSessionOpenFailure(true);
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
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
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
    writeSettings(std::string("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=") + c.path + "\n");

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

TEST_F(EndToEnd, AfterADeleteAnUploadFollowsAtOnce)
{
    UnitStandIn::Options options;
    options.dotEntries = true;
    startUnit(options);
    writeFile(unit->root() / "prog" / "KELVOR.BIN", "old program");
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
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

TEST_F(EndToEnd, MissingSettingsFileIsReportedAndTheMenuStays)
{
    ftp_test_seams::SetPortOverride(unit->port());
    // The address comes from nowhere else: type it.
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD, [] { typeAddressAndLogIn(); });
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
    ftp_test_seams::SetPortOverride(unit->port());
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nFILENAME=KELVOR.BIN\n");
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
    ftp_test_seams::SetPortOverride(unit->port());
    writeSettings("[KELVOR]\nDEFAULTIP=127.1.1.10\nPATH=\nFILENAME=KELVOR.BIN\n");
    writeProgramFile();

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, "INIﾌｧｲﾙｴﾗｰ"}));
    EXPECT_TRUE(unit->commands("STOR").empty());
}
