// The program file FILENAME names: which names stay inside the working
// folder, and how a name written on a Windows PC (CP932 bytes, '\' as the
// separator) finds its file in a folder whose names read as UTF-8.

#include "connection/ProgramFile.h"

#include "WorkDirTest.h"
#include "platform/CodePage.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// "プログラム" and "ソフト" in CP932; the second byte of ソ is 0x5C, the
// backslash.
const std::string kProgramCp932 = "\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80";
const std::string kSoftCp932 = "\x83\x5C\x83\x74\x83\x67";

struct NameCase
{
    std::string name;
    bool inside;
};

void PrintTo(const NameCase& value, std::ostream* out)
{
    *out << '"' << value.name << '"';
}

class ProgramFileName : public ::testing::TestWithParam<NameCase>
{};

TEST_P(ProgramFileName, StaysInsideTheWorkingFolderOrIsRefused)
{
    EXPECT_EQ(IsInsideWorkingFolder(GetParam().name), GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProgramFileName,
    ::testing::Values(NameCase{"KELVOR.BIN", true}, NameCase{"sub/prog.bin", true},
                      NameCase{"sub\\prog.bin", true}, NameCase{"./prog.bin", true},
                      NameCase{"..prog.bin", true}, NameCase{"prog..", true}, NameCase{"...", true},
                      NameCase{"a/.../b", true}, NameCase{"C.bin", true},
                      NameCase{kProgramCp932 + ".bin", true}, NameCase{kSoftCp932 + ".bin", true},
                      NameCase{"ERROR", true}, NameCase{"../secret.bin", false},
                      NameCase{"..\\secret.bin", false}, NameCase{"..", false},
                      NameCase{"sub/..", false}, NameCase{"sub/../../x", false},
                      NameCase{"sub\\..\\..\\x", false}, NameCase{"sub/..\\x", false},
                      NameCase{"/etc/passwd", false}, NameCase{"\\x.bin", false},
                      NameCase{"C:\\KELVOR\\x.bin", false}, NameCase{"c:x.bin", false},
                      NameCase{"", false},
                      // "ソ" then "..": 0x5C splits here, so the name is
                      // refused although the PC sees no "..": safe side.
                      NameCase{"\x83\x5C..", false}));

struct LookupCase
{
    const char* what;
    std::vector<std::string> files; // in the folder, UTF-8 names as the folder shows them
    std::string fileName;           // FILENAME's bytes
    std::string found;              // the path taken, relative to the folder
};

void PrintTo(const LookupCase& value, std::ostream* out)
{
    *out << value.what;
}

class ProgramFileLookup : public WorkDirTest, public ::testing::WithParamInterface<LookupCase>
{};

TEST_P(ProgramFileLookup, TakesTheFirstFormThatExists)
{
    const LookupCase& c = GetParam();
    for (const std::string& file : c.files) {
        fs::create_directories((m_dir / file).parent_path());
        write("program", (m_dir / file).string());
    }
    EXPECT_EQ(LocalProgramPath(m_dir.string(), c.fileName), (m_dir / c.found).string());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramFileLookup,
    ::testing::Values(
        LookupCase{"PlainName", {"KELVOR.BIN"}, "KELVOR.BIN", "KELVOR.BIN"},
        LookupCase{"MissingNameStaysAsItIs", {}, "KELVOR.BIN", "KELVOR.BIN"},
        LookupCase{"Cp932NameFindsTheUtf8File",
                   {"プログラム.bin"},
                   kProgramCp932 + ".bin",
                   "プログラム.bin"},
        LookupCase{"Cp932NameWithABackslashByteInACharacter",
                   {"ソフト.bin"},
                   kSoftCp932 + ".bin",
                   "ソフト.bin"},
        LookupCase{"Cp932NameInACp932SubFolder",
                   {"版/ソフト.bin"},
                   "\x94\xC5\\" + kSoftCp932 + ".bin",
                   "版/ソフト.bin"},
        LookupCase{"RawCp932NameOnDiskComesFirst",
                   {kProgramCp932 + ".bin", "プログラム.bin"},
                   kProgramCp932 + ".bin",
                   kProgramCp932 + ".bin"},
        LookupCase{"Cp932NameWithoutItsFile", {}, kProgramCp932 + ".bin", kProgramCp932 + ".bin"},
        LookupCase{"NotCp932EitherIsNotFound", {}, "\xFF\xFE.bin", "\xFF\xFE.bin"},
        LookupCase{"SubFolder", {"sub/prog.bin"}, "sub/prog.bin", "sub/prog.bin"},
        LookupCase{"BackslashAsSeparator", {"sub/prog.bin"}, "sub\\prog.bin", "sub/prog.bin"},
        LookupCase{"BackslashInTheNameOnDiskComesFirst",
                   {"sub\\prog.bin", "sub/prog.bin"},
                   "sub\\prog.bin",
                   "sub\\prog.bin"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(CodePage, Cp932ConvertsAsAJapaneseWindowsPcWroteIt)
{
    EXPECT_EQ(Cp932ToUtf8(kProgramCp932), "プログラム");
    EXPECT_EQ(Cp932ToUtf8(kSoftCp932), "ソフト");
    // Single bytes: ASCII as it is, backslash and tilde included; half-width
    // katakana.
    EXPECT_EQ(Cp932ToUtf8("a\\b~.BIN"), "a\\b~.BIN");
    EXPECT_EQ(Cp932ToUtf8("\xB6\xDE"), "ｶﾞ");
    // A lead byte without its second byte, and bytes CP932 does not have.
    EXPECT_EQ(Cp932ToUtf8("x\x83"), std::nullopt);
    EXPECT_EQ(Cp932ToUtf8("\xFF"), std::nullopt);
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(CodePage, Utf8CheckTellsWellFormedFromTheRest)
{
    for (const std::string& text :
         {""s, "KELVOR.BIN"s, "プログラム.bin"s, "\xF0\x9F\x98\x80"s, "\xEF\xBF\xBF"s, "\x00"s})
        EXPECT_TRUE(IsValidUtf8(text)) << text;
    for (const std::string& text :
         {kProgramCp932, kSoftCp932, "\xC0\xAF"s, "\xE0\x80\xAF"s, "\xED\xA0\x80"s,
          "\xF4\x90\x80\x80"s, "\xE3\x83"s, "\x80"s, "\xF8\x88\x80\x80\x80"s})
        EXPECT_FALSE(IsValidUtf8(text)) << text;
}

} // namespace
