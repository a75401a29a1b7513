// KELVOR.INI in the shapes a vendor's Windows PC leaves it, end to end:
// saved as "Unicode" by Notepad, and named in lower case by an archive.

#include "tests/e2e/EndToEnd.h"

#include <QStringEncoder>

using namespace kelvor::test;

namespace {

struct ShapeCase
{
    const char* what;
    const char* settingsName; // the settings file's name in the folder
    bool utf16;               // saved as UTF-16LE with its byte-order mark
    const char* program;      // FILENAME as typed, and the program file's name on disk
    std::string stored;       // what STOR names
};

void PrintTo(const ShapeCase& value, std::ostream* out)
{
    *out << value.what;
}

class EndToEndSettingsFileShape : public EndToEnd, public ::testing::WithParamInterface<ShapeCase>
{};

TEST_P(EndToEndSettingsFileShape, ProposesItsAddressAndUploadsTheFileItNames)
{
    const ShapeCase& c = GetParam();
    const fs::path program = writeProgramFile(c.program, 256 * 1024);
    const std::string ini = "[KELVOR]\r\nDEFAULTIP=" + unit->address() +
                            "\r\nPATH=/prog/\r\nFILENAME=" + c.program + "\r\n";
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray utf16 = encoder(QString::fromStdString(ini));
    folder.write(c.settingsName, c.utf16 ? utf16.toStdString() : ini);

    Script script;
    startAndLogIn(script); // fails unless the dialog proposes DEFAULTIP
    whenMenuReady(script, "menu", IDC_UPLOAD);
    runProgram();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{kConfirmUpload, kUploadDone}));
    const auto stores = unit->commands("STOR");
    ASSERT_EQ(stores.size(), 1u) << describe(unit->commands());
    EXPECT_EQ(stores[0].argument, c.stored);
    const auto received = unit->receivedFiles();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].sha256, sha256OfFile(program));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, EndToEndSettingsFileShape,
    ::testing::Values(ShapeCase{"Utf16KelvorIni", "KELVOR.INI", true, "プログラム.bin",
                                // the name in CP932, as the vendor's tool sent it
                                "/prog/\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80.bin"},
                      ShapeCase{"LowerCaseKelvorIni", "kelvor.ini", false, "KELVOR.BIN",
                                "/prog/KELVOR.BIN"}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace
