// The operations menu: confirmations, settings checks, path composition and
// the start of an operation.

#include "transfer/SubMenu.h"

#include "connection/IPAdd.h"
#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "tests/support/WorkingFolder.h"
#include "transfer/Delete.h"
#include "transfer/OperationState.h"
#include "transfer/Upload.h"

#include <QApplication>
#include <filesystem>
#include <gtest/gtest.h>

using namespace kelvor::test;

namespace {

const std::string kSentinel = "untouched";
const std::string kProgramCp932 = "\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80.bin";
const std::string kIniError = "INIﾌｧｲﾙｴﾗｰ";

class SubMenu : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_szLocalPath = g_szIniPath = g_szRemotePath = g_szFileName = kSentinel;
        g_nStatus = STATUS_FAILED;
        g_hMenuWnd = nullptr;
    }

    void TearDown() override { g_pWorkerThread.reset(); }

    // Runs the menu; body runs once it is up and active. Returns the menu's
    // result (-2 when the test had to end it).
    int runMenu(const std::function<void()>& body)
    {
        Script script;
        script.whenActive("menu", IDD_SUBMENU, [&] {
            body();
            if (g_dlgSubMenu.IsWindowVisible())
                g_dlgSubMenu.EndDialog(-2);
        });
        return g_dlgSubMenu.DoModal();
    }

    // The progress window the menu showed, if any.
    static QWidget* progressWindow(const char* caption)
    {
        return visibleWindowTitled(QString::fromUtf8(caption));
    }

    WorkingFolder folder;
    MessageBoxRecorder boxes;
    ShellRecorder shell;
};

TEST_F(SubMenu, LooksLikeItsTemplateAndStartsOnTheUploadButton)
{
    runMenu([] {
        EXPECT_EQ(g_dlgSubMenu.widget()->windowTitle(),
                  QStringLiteral("ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ"));
        EXPECT_EQ(g_dlgSubMenu.widget()->size(), QSize(401, 216));
        EXPECT_EQ(QApplication::focusWidget(), controlOf(g_dlgSubMenu, IDC_UPLOAD));
    });
}

TEST_F(SubMenu, CancellingTheConfirmationReadsAndChangesNothing)
{
    folder.write("KELVOR.INI", "[KELVOR]\nPATH=/prog/\nFILENAME=main.bin\n");
    boxes.answerWith([](const ShownMessageBox&) { return IDCANCEL; });
    runMenu([] {
        clickButton(g_dlgSubMenu, IDC_UPLOAD);
        clickButton(g_dlgSubMenu, IDC_DELETE);
        EXPECT_TRUE(g_dlgSubMenu.IsWindowEnabled());
    });
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "アップロードを開始します。\nよろしいですか？");
    EXPECT_EQ(boxes.shown()[1].text, "プログラムを削除します。\nよろしいですか？");
    for (const ShownMessageBox& box : boxes.shown()) {
        EXPECT_EQ(box.caption, "確認ﾒｯｾｰｼﾞ");
        EXPECT_EQ(box.type, 0x21u);
        EXPECT_EQ(box.ownerTemplate, IDD_SUBMENU);
    }
    for (const std::string* global : {&g_szLocalPath, &g_szIniPath, &g_szRemotePath, &g_szFileName})
        EXPECT_EQ(*global, kSentinel);
    EXPECT_EQ(g_pWorkerThread, nullptr);
}

TEST_F(SubMenu, EnterPressesTheFocusedButton)
{
    boxes.answerWith([](const ShownMessageBox&) { return IDCANCEL; });
    runMenu([] { pressKey(Qt::Key_Return); });
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "アップロードを開始します。\nよろしいですか？");
}

TEST_F(SubMenu, WithoutSettingsFileEachCommandSaysSoAndTheMenuStays)
{
    const int result = runMenu([] {
        clickButton(g_dlgSubMenu, IDC_UPLOAD);
        clickButton(g_dlgSubMenu, IDC_DELETE);
        EXPECT_TRUE(g_dlgSubMenu.IsWindowVisible());
        EXPECT_TRUE(g_dlgSubMenu.IsWindowEnabled());
    });
    EXPECT_EQ(result, -2);
    ASSERT_EQ(boxes.shown().size(), 4u); // two confirmations, two errors
    for (std::size_t i : {1u, 3u}) {
        EXPECT_EQ(boxes.shown()[i].text, kIniError);
        EXPECT_EQ(boxes.shown()[i].caption, "ｴﾗｰﾒｯｾｰｼﾞ");
        EXPECT_EQ(boxes.shown()[i].type, 0x10u);
    }
    EXPECT_EQ(g_pWorkerThread, nullptr);
}

struct EmptyValueCase
{
    const char* name;
    const char* ini;
    int command;
};

void PrintTo(const EmptyValueCase& value, std::ostream* out)
{
    *out << value.name;
}

class SubMenuEmptyValue : public SubMenu, public ::testing::WithParamInterface<EmptyValueCase>
{};

TEST_P(SubMenuEmptyValue, IsASettingsErrorThatEndsTheMenu)
{
    folder.write("KELVOR.INI", GetParam().ini);
    const int result = runMenu([] { clickButton(g_dlgSubMenu, GetParam().command); });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, kIniError);
    EXPECT_EQ(g_pWorkerThread, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubMenuEmptyValue,
    ::testing::Values(
        EmptyValueCase{"UploadEmptyPath", "[KELVOR]\nPATH=\nFILENAME=main.bin\n", IDC_UPLOAD},
        EmptyValueCase{"UploadEmptyFileName", "[KELVOR]\nPATH=/prog/\nFILENAME=\n", IDC_UPLOAD},
        EmptyValueCase{"DeleteEmptyPath", "[KELVOR]\nPATH=\nFILENAME=main.bin\n", IDC_DELETE}),
    [](const auto& info) { return info.param.name; });

struct PathCase
{
    const char* name;
    std::string ini;
    std::string remote;
    const char* localName;
    const char* existing = nullptr; // a file made in the folder first
};

void PrintTo(const PathCase& value, std::ostream* out)
{
    *out << value.name;
}

class SubMenuUploadPaths : public SubMenu, public ::testing::WithParamInterface<PathCase>
{};

TEST_P(SubMenuUploadPaths, AreComposedAndTheUploadStarts)
{
    folder.write("KELVOR.INI", GetParam().ini);
    if (const char* existing = GetParam().existing) {
        std::filesystem::create_directories((folder.path() / existing).parent_path());
        folder.write(existing, "program");
    }
    runMenu([&] {
        clickButton(g_dlgSubMenu, IDC_UPLOAD);
        // The start protocol: window shown, menu disabled, status running,
        // worker started.
        EXPECT_NE(progressWindow("ｱｯﾌﾟﾛｰﾄﾞ中"), nullptr);
        EXPECT_FALSE(g_dlgSubMenu.IsWindowEnabled());
        EXPECT_EQ(g_hMenuWnd, &g_dlgSubMenu);
        EXPECT_NE(g_pWorkerThread, nullptr);
        // Nothing is connected here, so the worker fails at once and the
        // window reports it within a tick or two.
        EXPECT_TRUE(waitFor([] { return g_dlgSubMenu.IsWindowEnabled(); }));
    });
    EXPECT_EQ(g_szRemotePath, GetParam().remote);
    // The file found is held and named through its descriptor; a name that
    // finds nothing names nothing to open.
    if (GetParam().existing) {
        EXPECT_EQ(std::filesystem::read_symlink(g_szLocalPath),
                  std::filesystem::canonical(folder.path() / GetParam().localName));
    } else {
        EXPECT_EQ(g_szLocalPath, "");
    }
    EXPECT_EQ(g_szIniPath, (folder.path() / "KELVOR.INI").string());
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, "アップロードに失敗しました。");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubMenuUploadPaths,
    ::testing::Values(
        PathCase{"DirectoryWithSlash", "[KELVOR]\nPATH=/prog/\nFILENAME=main.bin\n",
                 "/prog/main.bin", "main.bin"},
        PathCase{"NoSlashJoinsDirectly", "[KELVOR]\nPATH=prog\nFILENAME=main.bin\n", "progmain.bin",
                 "main.bin"},
        PathCase{"MissingPathReadsError", "[KELVOR]\nFILENAME=main.bin\n", "ERRORmain.bin",
                 "main.bin"},
        PathCase{"MissingFileNameReadsError", "[KELVOR]\nPATH=/prog/\n", "/prog/ERROR", "ERROR"},
        PathCase{"SubFolder", "[KELVOR]\nPATH=/prog/\nFILENAME=sub/main.bin\n",
                 "/prog/sub/main.bin", "sub/main.bin", "sub/main.bin"},
        // The unit gets the bytes as written; the local file is
        // looked for with '\' as a separator too.
        PathCase{"BackslashSubFolder", "[KELVOR]\nPATH=/prog/\nFILENAME=sub\\main.bin\n",
                 "/prog/sub\\main.bin", "sub/main.bin", "sub/main.bin"},
        // "プログラム.bin" in CP932, the file under its UTF-8 name.
        PathCase{"Cp932Name", "[KELVOR]\nPATH=/prog/\nFILENAME=" + kProgramCp932 + "\n",
                 "/prog/" + kProgramCp932, "プログラム.bin", "プログラム.bin"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SubMenu, DeleteNeedsNoFileNameAndListsTheBarePath)
{
    folder.write("KELVOR.INI", "[KELVOR]\nPATH=/prog/\n");
    runMenu([&] {
        clickButton(g_dlgSubMenu, IDC_DELETE);
        EXPECT_NE(progressWindow("削除中"), nullptr);
        EXPECT_FALSE(g_dlgSubMenu.IsWindowEnabled());
        EXPECT_TRUE(waitFor([] { return g_dlgSubMenu.IsWindowEnabled(); }));
        // The menu comes back with the focus where it was.
        EXPECT_TRUE(waitFor(
            [] { return QApplication::focusWidget() == controlOf(g_dlgSubMenu, IDC_DELETE); }));
    });
    EXPECT_EQ(g_szRemotePath, "/prog/");
    EXPECT_EQ(g_szLocalPath, folder.path().string());
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text.rfind("プログラムの削除に失敗しました。", 0), 0u);
}

TEST_F(SubMenu, HelpOpensTheThirdPage)
{
    folder.write("help3.htm", "<html></html>");
    runMenu([] { clickButton(g_dlgSubMenu, IDC_MENU_HELP); });
    ASSERT_EQ(shell.opened().size(), 1u);
    EXPECT_EQ(shell.opened()[0], (folder.path() / "help3.htm").string());
}

TEST_F(SubMenu, CancelEscapeAndCloseBoxEndTheMenu)
{
    Script script;
    script.whenActive("menu", IDD_SUBMENU, [] { clickButton(g_dlgSubMenu, IDCANCEL); });
    EXPECT_EQ(g_dlgSubMenu.DoModal(), IDCANCEL);
    script.whenActive("menu", IDD_SUBMENU, [] { pressKey(Qt::Key_Escape); });
    EXPECT_EQ(g_dlgSubMenu.DoModal(), IDCANCEL);
    script.whenActive("menu", IDD_SUBMENU, [] { g_dlgSubMenu.widget()->close(); });
    EXPECT_EQ(g_dlgSubMenu.DoModal(), IDCANCEL);
    EXPECT_TRUE(boxes.shown().empty());
}

} // namespace
