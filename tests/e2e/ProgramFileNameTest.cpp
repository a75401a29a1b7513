// The program file as a vendor's settings file names it, end to end: a name
// written on a Japanese Windows PC (CP932, '\' as separator) or for a folder
// from a Mac (decomposed), names that lead out of the working folder, as
// written or through a link, and names of things that are no regular file;
// and the settings file as Notepad saves "Unicode" and as an archive made on
// Windows may name it (kelvor.ini).

#include "tests/e2e/EndToEnd.h"
#include "tests/support/Fifo.h"

#include <QStringEncoder>
#include <chrono>
#include <optional>

using namespace kelvor::test;

namespace {

using Clock = std::chrono::steady_clock;

// "プログラム.bin" and "ソフト.bin" in CP932; the second byte of ソ is 0x5C.
const std::string kProgramCp932 = "\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80.bin";
const std::string kSoftCp932 = "\x83\x5C\x83\x74\x83\x67.bin";
// "; 業者の設定" in CP932: a comment as a vendor writes it.
const std::string kCommentCp932 = "; \x8B\xC6\x8E\xD2\x82\xCC\x90\xDD\x92\xE8\r\n";

struct UploadCase
{
    const char* what;
    std::string fileName; // FILENAME's bytes
    const char* onDisk;   // where the program file lies, as the folder shows it
    const char* settingsName = "KELVOR.INI";
    bool utf16 = false;      // the settings saved as Notepad's "Unicode"
    std::string stored = {}; // what STOR names, if not PATH + FILENAME
};

void PrintTo(const UploadCase& value, std::ostream* out)
{
    *out << value.what;
}

class EndToEndProgramName : public EndToEnd, public ::testing::WithParamInterface<UploadCase>
{};

TEST_P(EndToEndProgramName, UploadsTheFileAndTheUnitGetsTheNameAsWritten)
{
    const UploadCase& c = GetParam();
    fs::create_directories(unit->root() / "prog" / "sub");
    fs::create_directories((folder.path() / c.onDisk).parent_path());
    const fs::path program = writeProgramFile(c.onDisk, 256 * 1024);
    // As a Windows PC writes it: CRLF line ends, a CP932 comment.
    const std::string ini = "[KELVOR]\r\n" + kCommentCp932 + "DEFAULTIP=" + unit->address() +
                            "\r\nPATH=/prog/\r\nFILENAME=" + c.fileName + "\r\n";
    QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray utf16 = toUtf16(QString::fromStdString(ini));
    folder.write(c.settingsName, c.utf16 ? utf16.toStdString() : ini);

    Script script;
    startAndLogIn(script);
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    const auto stores = unit->commands("STOR");
    ASSERT_EQ(stores.size(), 1u) << describe(unit->commands());
    EXPECT_EQ(stores[0].argument, c.stored.empty() ? "/prog/" + c.fileName : c.stored);
    const auto received = unit->receivedFiles();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_TRUE(received[0].complete);
    EXPECT_EQ(received[0].sha256, sha256OfFile(program));
}

INSTANTIATE_TEST_SUITE_P(
    Names, EndToEndProgramName,
    ::testing::Values(UploadCase{"Cp932NameOfAUtf8File", kProgramCp932, "プログラム.bin"},
                      UploadCase{"Cp932NameWithABackslashByte", kSoftCp932, "ソフト.bin"},
                      UploadCase{"SubFolder", "sub/KELVOR.BIN", "sub/KELVOR.BIN"},
                      UploadCase{"SubFolderWindowsStyle", "sub\\KELVOR.BIN", "sub/KELVOR.BIN"},
                      UploadCase{"Cp932NameInASubFolderWindowsStyle", "sub\\" + kProgramCp932,
                                 "sub/プログラム.bin"},
                      UploadCase{"Utf16SettingsGiveTheCp932Name", "プログラム.bin",
                                 "プログラム.bin", "KELVOR.INI", true, "/prog/" + kProgramCp932},
                      UploadCase{"LowerCaseSettingsName", "KELVOR.BIN", "KELVOR.BIN",
                                 "kelvor.ini"},
                      // Unpacked from a Mac's archive: プ and グ decomposed.
                      UploadCase{"ComposedNameOfADecomposedFile", "プログラム.bin",
                                 "\u30D5\u309A\u30ED\u30AF\u3099\u30E9\u30E0.bin"}),
    [](const auto& info) { return std::string(info.param.what); });

// The working folder is a folder inside the test's folder, and the file the
// name or a link of that name leads to lies one folder up, readable: only the
// check keeps it home.
struct OutsideCase
{
    const char* what;
    const char* fileName;       // nullptr: the secret's absolute path
    const char* link = nullptr; // the target of a link of that name, if any
};

void PrintTo(const OutsideCase& value, std::ostream* out)
{
    *out << value.what;
}

class EndToEndOutsideName : public EndToEnd, public ::testing::WithParamInterface<OutsideCase>
{};

TEST_P(EndToEndOutsideName, SendsNothingSaysSoAndTheMenuServesTheMendedFile)
{
    const fs::path inner = folder.path() / "vendor";
    fs::create_directories(inner);
    ASSERT_EQ(::chdir(inner.c_str()), 0); // WorkingFolder goes back to where it came from
    const fs::path secret = folder.path() / "secret.bin";
    writeFile(secret, "not for the unit");
    const fs::path program = inner / "KELVOR.BIN";
    writePatternFile(program, 64 * 1024, 3);
    const std::string name = GetParam().fileName ? GetParam().fileName : secret.string();
    if (GetParam().link)
        fs::create_symlink(GetParam().link, inner / name);
    const std::string head = "[KELVOR]\nDEFAULTIP=" + unit->address() + "\nPATH=/prog/\n";
    writeFile(inner / "KELVOR.INI", head + "FILENAME=" + name + "\n");

    std::size_t commandsBefore = 0;
    Script script;
    startAndLogIn(script);
    script.when(
        "menu", [] { return activeModalTemplate() == IDD_SUBMENU && isActive(g_dlgSubMenu); },
        [&] {
            commandsBefore = unit->commands().size();
            clickButton(g_dlgSubMenu, IDC_UPLOAD);
        });
    // The operator mends the settings file and tries again.
    script.when(
        "menu usable after the error",
        [&] {
            return boxes.shown().size() == 2 && g_dlgSubMenu.IsWindowEnabled() &&
                   isActive(g_dlgSubMenu);
        },
        [&] {
            EXPECT_EQ(unit->commands().size(), commandsBefore) << describe(unit->commands());
            EXPECT_EQ(visibleWindowTitled(QStringLiteral("ｱｯﾌﾟﾛｰﾄﾞ中")), nullptr);
            writeFile(inner / "KELVOR.INI", head + "FILENAME=KELVOR.BIN\n");
            clickButton(g_dlgSubMenu, IDC_UPLOAD);
        });
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, "INIﾌｧｲﾙｴﾗｰ", kConfirmUpload,
                                                       kUploadDone}));
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[1].caption, "ｴﾗｰﾒｯｾｰｼﾞ");
    EXPECT_EQ(boxes.shown()[1].type, 0x10u);
    const auto stores = unit->commands("STOR");
    ASSERT_EQ(stores.size(), 1u) << describe(unit->commands());
    EXPECT_EQ(stores[0].argument, "/prog/KELVOR.BIN");
    ASSERT_EQ(unit->receivedFiles().size(), 1u);
    EXPECT_EQ(unit->receivedFiles()[0].sha256, sha256OfFile(program));
}

INSTANTIATE_TEST_SUITE_P(Names, EndToEndOutsideName,
                         ::testing::Values(OutsideCase{"ParentFolder", "../secret.bin"},
                                           OutsideCase{"ParentFolderWindowsStyle",
                                                       "..\\secret.bin"},
                                           OutsideCase{"AbsolutePath", nullptr},
                                           OutsideCase{"LinkOut", "unit.bin", "../secret.bin"},
                                           OutsideCase{"LinkToADevice", "unit.bin", "/dev/zero"}),
                         [](const auto& info) { return std::string(info.param.what); });

// FILENAME names a FIFO, a link to one, or a folder: the upload fails at
// once with nothing sent, and the menu comes back.
class EndToEndNotARegularFile : public EndToEnd, public ::testing::WithParamInterface<const char*>
{};

TEST_P(EndToEndNotARegularFile, FailsWithinSecondsAndSendsNothing)
{
    const std::string kind = GetParam();
    const fs::path named = folder.path() / "KELVOR.BIN";
    std::optional<Fifo> fifo;
    if (kind == "Fifo") {
        fifo.emplace(named);
    } else if (kind == "LinkToFifo") {
        fifo.emplace(folder.path() / "pipe");
        fs::create_symlink(fifo->path(), named);
    } else {
        fs::create_directory(named);
    }
    ASSERT_FALSE(fs::is_regular_file(named));
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");

    std::size_t commandsBefore = 0;
    Clock::time_point clicked;
    Clock::time_point back;
    Script script;
    startAndLogIn(script);
    script.when(
        "menu", [] { return activeModalTemplate() == IDD_SUBMENU && isActive(g_dlgSubMenu); },
        [&] {
            commandsBefore = unit->commands().size();
            clicked = Clock::now();
            clickButton(g_dlgSubMenu, IDC_UPLOAD);
        });
    script.when(
        "menu back after the failure",
        [&] {
            return boxes.shown().size() == 2 && g_dlgSubMenu.IsWindowEnabled() &&
                   isActive(g_dlgSubMenu);
        },
        [&] {
            back = Clock::now();
            clickButton(g_dlgSubMenu, IDCANCEL);
        });
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadFailed}));
    EXPECT_LT(back - clicked, std::chrono::seconds(5));
    EXPECT_EQ(unit->commands().size(), commandsBefore) << describe(unit->commands());
    EXPECT_TRUE(unit->commands("STOR").empty());
    if (fifo) {
        EXPECT_FALSE(fifo->releasedAWaitingReader());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EndToEndNotARegularFile,
                         ::testing::Values("Fifo", "LinkToFifo", "Folder"),
                         [](const auto& info) { return std::string(info.param); });

// A FIFO where KELVOR.INI belongs: the connection dialog and the menu read
// it as a file without keys, and nothing waits for a writer.
TEST_F(EndToEnd, FifoNamedKelvorIniBlocksNothing)
{
    Fifo fifo(folder.path() / "KELVOR.INI");

    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD, [this] {
        EXPECT_EQ(shownAddress(), QStringLiteral("192.168.1.1"));
        typeAddressAndLogIn(unit->address());
    });
    whenMenuReady(script, "menu", IDC_UPLOAD);
    whenMenuReady(script, "menu back after the failure", IDCANCEL);
    runProgram();

    EXPECT_FALSE(fifo.releasedAWaitingReader());
    // Without keys, "ERROR" names the local file, which is not there.
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadFailed}));
    EXPECT_TRUE(unit->commands("STOR").empty());
}

} // namespace
