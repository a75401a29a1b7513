// The program file FILENAME names: which names stay inside the working
// folder, as written and through links, and how a name written on a Windows
// PC (CP932 bytes, '\' as the separator, any letter case) or typed for a
// folder from a Mac (decomposed) finds its file here.

#include "connection/ProgramFile.h"

#include "WorkDirTest.h"
#include "platform/CodePage.h"
#include "platform/RegularFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
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

// "プログラム.bin" as typed (composed) and as a Mac writes it (decomposed:
// プ is フ and U+309A, グ is ク and U+3099).
const std::string kProgram = "プログラム.bin";
const std::string kProgramNfd = "\u30D5\u309A\u30ED\u30AF\u3099\u30E9\u30E0.bin";

struct LookupCase
{
    const char* what;
    // Made in the working folder: "name" a file, "name/" a folder, "name ->
    // target" a link, '@' in a target the folder above the working folder.
    std::vector<std::string> entries;
    std::string fileName; // FILENAME's bytes
    std::string found;    // the entry taken, relative to the working folder; "": none
    bool outside = false; // refused: a link leads out
};

void PrintTo(const LookupCase& value, std::ostream* out)
{
    *out << value.what;
}

class ProgramFileLookup : public WorkDirTest, public ::testing::WithParamInterface<LookupCase>
{};

TEST_P(ProgramFileLookup, FollowsTheNameBeneathTheWorkingFolder)
{
    const LookupCase& c = GetParam();
    const fs::path work = m_dir / "work";
    fs::create_directory(work);
    for (const std::string& entry : c.entries) {
        const std::size_t arrow = entry.find(" -> ");
        const fs::path path = work / entry.substr(0, arrow);
        fs::create_directories(path.parent_path());
        if (arrow != std::string::npos) {
            std::string target = entry.substr(arrow + 4);
            if (target.front() == '@')
                target = m_dir.string() + target.substr(1);
            fs::create_symlink(target, path);
        } else if (entry.back() == '/') {
            fs::create_directories(path);
        } else {
            write("program", path.string());
        }
    }
    // The working folder itself is reached through a link.
    fs::create_directory_symlink("work", m_dir / "via");

    const ProgramFile file = LocateProgramFile((m_dir / "via").string(), c.fileName);
    using Where = ProgramFile::Where;
    ASSERT_EQ(file.where(), c.outside         ? Where::Outside
                            : c.found.empty() ? Where::Missing
                                              : Where::Found);
    if (!c.found.empty()) {
        EXPECT_EQ(fs::read_symlink(file.path()), fs::canonical(work / c.found));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramFileLookup,
    ::testing::Values(
        LookupCase{"PlainName", {"KELVOR.BIN"}, "KELVOR.BIN", "KELVOR.BIN"},
        LookupCase{"MissingName", {}, "KELVOR.BIN", ""},
        LookupCase{"Cp932NameFindsTheUtf8File", {kProgram}, kProgramCp932 + ".bin", kProgram},
        LookupCase{"Cp932NameWithABackslashByteInACharacter",
                   {"ソフト.bin"},
                   kSoftCp932 + ".bin",
                   "ソフト.bin"},
        LookupCase{"Cp932NameInACp932SubFolder",
                   {"版/ソフト.bin"},
                   "\x94\xC5\\" + kSoftCp932 + ".bin",
                   "版/ソフト.bin"},
        LookupCase{"RawCp932NameOnDiskComesFirst",
                   {kProgramCp932 + ".bin", kProgram},
                   kProgramCp932 + ".bin",
                   kProgramCp932 + ".bin"},
        LookupCase{"NotCp932EitherIsNotFound", {}, "\xFF\xFE.bin", ""},
        LookupCase{"BackslashAsSeparator", {"sub/prog.bin"}, "sub\\prog.bin", "sub/prog.bin"},
        LookupCase{"BackslashInTheNameOnDiskComesFirst",
                   {"sub\\prog.bin", "sub/prog.bin"},
                   "sub\\prog.bin",
                   "sub\\prog.bin"},
        LookupCase{"LinkInside", {"real.bin", "unit.bin -> real.bin"}, "unit.bin", "real.bin"},
        LookupCase{"LinkToASubFolder", {"sub/real.bin", "s -> sub"}, "s/real.bin", "sub/real.bin"},
        LookupCase{"LinkUpAndOutAndBackIn",
                   {"real.bin", "sub/unit.bin -> ../../work/real.bin"},
                   "sub/unit.bin",
                   "real.bin"},
        LookupCase{"AbsoluteLinkInside",
                   {"real.bin", "unit.bin -> @/work/real.bin"},
                   "unit.bin",
                   "real.bin"},
        LookupCase{"ChainOfLinks",
                   {"real.bin", "a -> b", "b -> sub/../real.bin", "sub/"},
                   "a",
                   "real.bin"},
        LookupCase{"LinkOut", {"../secret.bin", "unit.bin -> ../secret.bin"}, "unit.bin", "", true},
        LookupCase{
            "AbsoluteLinkOut", {"unit.bin -> @/secret.bin", "../secret.bin"}, "unit.bin", "", true},
        LookupCase{"LinkOutToNothing", {"unit.bin -> /nonexistent/x"}, "unit.bin", "", true},
        LookupCase{
            "FolderLinkOut", {"../outer/prog.bin", "sub -> ../outer"}, "sub/prog.bin", "", true},
        LookupCase{"ChainLeavingAtItsEnd",
                   {"a -> b", "b -> ../secret.bin", "../secret.bin"},
                   "a",
                   "",
                   true},
        LookupCase{"LoopIsNotFound", {"a -> b", "b -> a"}, "a", ""},
        LookupCase{"OtherLetterCase", {"Sub/Unit.Bin"}, "SUB\\UNIT.BIN", "Sub/Unit.Bin"},
        LookupCase{"ExactNameWins", {"UNIT.BIN", "unit.bin"}, "unit.bin", "unit.bin"},
        LookupCase{"TwoLookAlikesAreNoAnswer", {"Unit.bin", "unit.BIN"}, "UNIT.BIN", ""},
        LookupCase{"DecomposedNameOnDisk", {kProgramNfd}, kProgram, kProgramNfd},
        LookupCase{"ComposedNameOnDisk", {kProgram}, kProgramNfd, kProgram},
        LookupCase{"Cp932NameOfADecomposedFileInAnotherCase",
                   {"sub/" + kProgramNfd},
                   "SUB\\" + kProgramCp932 + ".bin",
                   "sub/" + kProgramNfd},
        LookupCase{"LookAlikeLinkOut",
                   {"Unit.bin -> ../secret.bin", "../secret.bin"},
                   "unit.bin",
                   "",
                   true}),
    [](const auto& info) { return std::string(info.param.what); });

// The entry checked is the one the upload reads, whatever its name leads to
// by then: here a device.
class ProgramFileHeld : public WorkDirTest
{};

TEST_F(ProgramFileHeld, NameChangedAfterTheCheckChangesNothing)
{
    write("program", "unit.bin");
    const ProgramFile file = LocateProgramFile(m_dir.string(), "unit.bin");
    fs::remove(m_dir / "unit.bin");
    fs::create_symlink("/dev/zero", m_dir / "unit.bin");

    const int fd = OpenRegularFileForReading(file.path());
    ASSERT_GE(fd, 0);
    char bytes[16];
    const ssize_t length = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(bytes, static_cast<std::size_t>(length)), "program");
}

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
