// The private-profile read rule: defaults, capacities, the returned count and
// the file's finer syntax.

#include "platform/Profile.h"

#include "WorkDirTest.h"

#include <filesystem>
#include <ostream>
#include <random>
#include <string>

namespace {

struct Read
{
    std::string value;
    DWORD count;
};

// Starts from a stale buffer so that a read which appends instead of
// replacing shows up.
Read readKey(const std::string& path, const char* key, DWORD capacity = 256,
             const char* fallback = "ERROR")
{
    std::string value = "stale";
    const DWORD count =
        GetPrivateProfileString("KELVOR", key, fallback, value, capacity, path, "CP932");
    return {value, count};
}

using ProfileRead = WorkDirTest;

TEST_F(ProfileRead, MissingFileEmptyPathAndDirectoryGiveTheDefault)
{
    for (const std::string path : {"", "no-such.ini", "/nonexistent/dir/KELVOR.INI", "."}) {
        const Read r = readKey(path, "PATH");
        EXPECT_EQ(r.value, "ERROR") << path;
        EXPECT_EQ(r.count, 5u) << path;
    }
    std::filesystem::create_directory("KELVOR.INI");
    EXPECT_EQ(readKey("KELVOR.INI", "PATH").value, "ERROR");
}

TEST_F(ProfileRead, EmptyValueIsNotTheDefault)
{
    const Read r = readKey(write("[KELVOR]\nPATH=\n"), "PATH");
    EXPECT_EQ(r.value, "");
    EXPECT_EQ(r.count, 0u);
}

TEST_F(ProfileRead, ValueIsCutToCapacityLessOneAndTheCountSaysSo)
{
    const std::string path =
        write("[KELVOR]\nV16=" + std::string(16, 'a') + "\nV17=" + std::string(17, 'b') +
              "\nV255=" + std::string(255, 'c') + "\nV256=" + std::string(256, 'd') + "\n");
    EXPECT_EQ(readKey(path, "V16", 17).value, std::string(16, 'a'));
    const Read cut17 = readKey(path, "V17", 17);
    EXPECT_EQ(cut17.value, std::string(16, 'b'));
    EXPECT_EQ(cut17.count, 16u);
    EXPECT_EQ(readKey(path, "V255").value, std::string(255, 'c'));
    const Read cut256 = readKey(path, "V256");
    EXPECT_EQ(cut256.value, std::string(255, 'd'));
    EXPECT_EQ(cut256.count, 255u);
}

TEST_F(ProfileRead, DefaultIsCutLikeAValueAndCapacityZeroGivesNothing)
{
    const Read shortDefault = readKey("", "DEFAULTIP", 5, "192.168.1.1");
    EXPECT_EQ(shortDefault.value, "192.");
    EXPECT_EQ(shortDefault.count, 4u);
    for (DWORD capacity : {0u, 1u}) {
        const Read r = readKey(write("[KELVOR]\nPATH=/prog/\n"), "PATH", capacity);
        EXPECT_EQ(r.value, "");
        EXPECT_EQ(r.count, 0u);
    }
}

TEST_F(ProfileRead, EveryReadSeesTheFileAsItIsNow)
{
    const std::string path = write("[KELVOR]\nPATH=/old/\n");
    EXPECT_EQ(readKey(path, "PATH").value, "/old/");
    write("[KELVOR]\nPATH=/new/\n");
    EXPECT_EQ(readKey(path, "PATH").value, "/new/");
    std::filesystem::remove(path);
    EXPECT_EQ(readKey(path, "PATH").value, "ERROR");
}

TEST_F(ProfileRead, BinaryJunkGivesTheDefault)
{
    std::mt19937 random(20240501);
    std::string junk(64 * 1024, '\0');
    for (char& c : junk)
        c = static_cast<char>(random() % 256);
    const Read r = readKey(write(junk), "PATH");
    EXPECT_EQ(r.value, "ERROR");
    EXPECT_EQ(r.count, 5u);
}

TEST_F(ProfileRead, MegabyteLinesNeitherCrashNorHideTheKey)
{
    const std::string megabyte(1024 * 1024, 'x');
    EXPECT_EQ(readKey(write(megabyte), "PATH").value, "ERROR");
    EXPECT_EQ(readKey(write(megabyte + "\n[KELVOR]\nPATH=/prog/\n"), "PATH").value, "/prog/");
    const Read longValue = readKey(write("[KELVOR]\nPATH=" + megabyte + "\n"), "PATH");
    EXPECT_EQ(longValue.value, std::string(255, 'x'));
    EXPECT_EQ(longValue.count, 255u);
}

struct SyntaxCase
{
    const char* name;
    std::string file;
    std::string expected; // the value of PATH, "ERROR" when it is not found
};

// The file's bytes would make an unreadable test name.
void PrintTo(const SyntaxCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProfileSyntax : public WorkDirTest, public ::testing::WithParamInterface<SyntaxCase>
{};

TEST_P(ProfileSyntax, ValueOfPath)
{
    const Read r = readKey(write(GetParam().file), "PATH");
    EXPECT_EQ(r.value, GetParam().expected);
    EXPECT_EQ(r.count, GetParam().expected.size());
}

using namespace std::string_literals;
using namespace std::string_view_literals;

// text as UTF-16 bytes, lone surrogates kept.
std::string utf16(std::u16string_view text, bool bigEndian = false)
{
    std::string bytes;
    for (const char16_t u : text)
        bytes +=
            bigEndian ? std::string{char(u >> 8), char(u)} : std::string{char(u), char(u >> 8)};
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, ProfileSyntax,
    ::testing::Values(
        SyntaxCase{"Plain", "[KELVOR]\nDEFAULTIP=10.1.1.1\nPATH=/prog/\n", "/prog/"},
        SyntaxCase{"CrLfLineEnds", "[KELVOR]\r\nPATH=/prog/\r\nFILENAME=A\r\n", "/prog/"},
        SyntaxCase{"NoFinalLineEnd", "[KELVOR]\nPATH=/prog/", "/prog/"},
        SyntaxCase{"ByteOrderMark", "\xEF\xBB\xBF[KELVOR]\nPATH=/prog/\n", "/prog/"},
        SyntaxCase{"LowerCaseNames", "[kelvor]\npath=/prog/\n", "/prog/"},
        SyntaxCase{"MixedCaseNames", "[Kelvor]\nPaTh=/prog/\n", "/prog/"},
        SyntaxCase{"SpacesAroundNamesAndValue", "  [KELVOR]  \n  PATH  =  /prog/  \r\n", "/prog/"},
        SyntaxCase{"TabsAroundNamesAndValue", "[KELVOR]\n\tPATH\t=\t/prog/\t\n", "/prog/"},
        SyntaxCase{"CommentedOutKey", "[KELVOR]\n;PATH=/old/\n  ; PATH=/old/\nPATH=/prog/\n",
                   "/prog/"},
        SyntaxCase{"OnlyACommentedKey", "[KELVOR]\n;PATH=/old/\n", "ERROR"},
        SyntaxCase{"FirstOfTwoWins", "[KELVOR]\nPATH=/first/\npath=/second/\n", "/first/"},
        SyntaxCase{"OtherSectionFirst", "[OTHER]\nPATH=/other/\n[KELVOR]\nPATH=/prog/\n", "/prog/"},
        SyntaxCase{"KeyOnlyInOtherSection", "[KELVOR]\nFILENAME=A\n[OTHER]\nPATH=/other/\n",
                   "ERROR"},
        SyntaxCase{"KeyBeforeAnySection", "PATH=/top/\n[KELVOR]\nFILENAME=A\n", "ERROR"},
        SyntaxCase{"SectionNameOnlyAlike", "[KELVOR2]\nPATH=/x/\n[KELV]\nPATH=/y/\n", "ERROR"},
        SyntaxCase{"KeyNameOnlyAlike", "[KELVOR]\nPATHNAME=/x/\nPAT=/y/\nXPATH=/z/\n", "ERROR"},
        SyntaxCase{"LineWithoutEqualsSkipped", "[KELVOR]\nPATH\nPATH=/prog/\n", "/prog/"},
        SyntaxCase{"BlankValue", "[KELVOR]\nPATH=   \r\n", ""},
        SyntaxCase{"EqualsInValue", "[KELVOR]\nPATH=/a=b/\n", "/a=b/"},
        SyntaxCase{"InnerSpacesKept", "[KELVOR]\nPATH=/my prog/\n", "/my prog/"},
        SyntaxCase{"QuotesKept", "[KELVOR]\nPATH=\"/prog/\"\n", "\"/prog/\""},
        SyntaxCase{"ShiftJisBytesKept", "[KELVOR]\nPATH=/\x83\x5C\x83\x74\x83\x67/\n",
                   "/\x83\x5C\x83\x74\x83\x67/"},
        SyntaxCase{"Utf8BytesKept", "[KELVOR]\nPATH=/プログラム/\n", "/プログラム/"},
        SyntaxCase{"ValueEndsAtNul", "[KELVOR]\nPATH=/pr\0og/\n"s, "/pr"},
        SyntaxCase{"Utf16LittleEndianCrLfJapaneseBecomesCp932",
                   utf16(u"\uFEFF; 業者\r\n[Kelvor]\r\n path = /プログラム/ \r\n"),
                   "/\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80/"},
        SyntaxCase{"Utf16BigEndianLf", utf16(u"\uFEFF[KELVOR]\nPATH=/prog/\n", true), "/prog/"},
        SyntaxCase{"Utf16CapacityCountsCp932Bytes", // ｱ: 3 bytes in UTF-8, 1 in CP932
                   utf16(u"\uFEFF[KELVOR]\nPATH=" + std::u16string(300, u'ｱ')),
                   std::string(255, '\xB1')},
        SyntaxCase{"Utf16ValueEndsAtNulOddLastByteIgnored",
                   utf16(u"\uFEFF[KELVOR]\nPATH=/pr\0og/\n"sv) + 'P', "/pr"},
        SyntaxCase{"Utf16LoneSurrogatesRefuseTheValueOnly",
                   utf16(u"\uFEFF[KELVOR]\xD800\nPATH=/pr\xDC00og/\n"), ""},
        SyntaxCase{"Utf16CharacterWithoutCp932FormRefusesTheValue",
                   utf16(u"\uFEFF[KELVOR]\nPATH=/caf\u00E9/\n"), ""}),
    [](const ::testing::TestParamInfo<SyntaxCase>& info) { return info.param.name; });

} // namespace
