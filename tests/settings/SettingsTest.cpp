// KELVOR.INI as the program uses it: locating the file, the DEFAULTIP address
// rule and the PATH / FILENAME reads.

#include "connection/Settings.h"

#include "WorkDirTest.h"
#include "platform/FileFind.h"
#include "tests/support/Fifo.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string dotted(const std::optional<IPv4Address>& address)
{
    if (!address)
        return "refused";
    return std::to_string((*address)[0]) + '.' + std::to_string((*address)[1]) + '.' +
           std::to_string((*address)[2]) + '.' + std::to_string((*address)[3]);
}

std::string here(const char* name)
{
    return (std::filesystem::current_path() / name).string();
}

struct AddressCase
{
    const char* name;
    const char* text;
    const char* expected; // dotted address, or "refused"
};

// Shows the text in ctest's test names, with tabs made visible.
void PrintTo(const AddressCase& c, std::ostream* os)
{
    *os << '"';
    for (const char* p = c.text; *p != '\0'; ++p)
        *os << (*p == '\t' ? std::string("\\t") : std::string(1, *p));
    *os << '"';
}

class DefaultIpRule : public ::testing::TestWithParam<AddressCase>
{};

TEST_P(DefaultIpRule, Parse)
{
    EXPECT_EQ(dotted(ParseDefaultIp(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, DefaultIpRule,
    ::testing::Values(AddressCase{"SpacesSeparate", "192 168 1 10", "192.168.1.10"},
                      AddressCase{"RunOfStops", "192..168.1.10", "192.168.1.10"},
                      AddressCase{"LeadingStop", ".192.168.1.10", "192.168.1.10"},
                      AddressCase{"TrailingStop", "192.168.1.10.", "192.168.1.10"},
                      AddressCase{"MixedRuns", " .192 . 168. 1 .10 . ", "192.168.1.10"},
                      AddressCase{"LettersAfterDigits", "192a.168.1.10", "192.168.1.10"},
                      AddressCase{"PlusSign", "+192.168.1.10", "192.168.1.10"},
                      AddressCase{"LeadingZerosAreDecimal", "0192.168.010.010", "192.168.10.10"},
                      AddressCase{"TabBeforeDigitsSkipped", "192.\t168.1.10", "192.168.1.10"},
                      AddressCase{"Lowest", "1.1.1.1", "1.1.1.1"},
                      AddressCase{"Highest", "254.254.254.254", "254.254.254.254"},
                      AddressCase{"ZeroThirdOctet", "192.168.0.1", "refused"},
                      AddressCase{"ZeroLastOctets", "10.0.0.1", "refused"},
                      AddressCase{"ZeroFirstOctet", "0.168.1.10", "refused"},
                      AddressCase{"Octet255First", "255.168.1.10", "refused"},
                      AddressCase{"Octet255Second", "192.255.1.10", "refused"},
                      AddressCase{"Octet255Third", "192.168.255.10", "refused"},
                      AddressCase{"Octet255Fourth", "192.168.1.255", "refused"},
                      AddressCase{"Octet256", "192.168.1.256", "refused"},
                      AddressCase{"CommasDoNotSeparate", "192,168,1,10", "refused"},
                      AddressCase{"TabsDoNotSeparate", "192\t168\t1\t10", "refused"},
                      AddressCase{"ThreeTokens", "192.168.1", "refused"},
                      AddressCase{"Empty", "", "refused"},
                      AddressCase{"OnlySeparators", " . . ", "refused"},
                      AddressCase{"FiveTokens", "1.2.3.4.5", "refused"},
                      AddressCase{"Negative", "-1.2.3.4", "refused"},
                      AddressCase{"LettersCountAsZero", "a.b.c.d", "refused"},
                      AddressCase{"IntMaxPlusOne", "2147483648.1.1.1", "refused"},
                      AddressCase{"WrapsToOneIn32Bits", "4294967297.1.1.1", "refused"},
                      AddressCase{"NegativeWrapsToOne", "1.1.1.-4294967295", "refused"},
                      AddressCase{"TwentyDigits", "192.168.1.99999999999999999999", "refused"}),
    [](const ::testing::TestParamInfo<AddressCase>& info) { return info.param.name; });

using SettingsFile = WorkDirTest;

TEST_F(SettingsFile, OnlyTheFirstSixteenBytesOfDefaultIpCount)
{
    const std::string path = write("[KELVOR]\nDEFAULTIP=192.168.100.100 abc\n");
    EXPECT_EQ(ReadDefaultIpText(path), "192.168.100.100 ");
    EXPECT_EQ(dotted(ParseDefaultIp(ReadDefaultIpText(path))), "192.168.100.100");

    write("[KELVOR]\nDEFAULTIP=192.168.1.10 word\n");
    EXPECT_EQ(ReadDefaultIpText(path), "192.168.1.10 wor");
    EXPECT_EQ(dotted(ParseDefaultIp(ReadDefaultIpText(path))), "refused");
}

TEST_F(SettingsFile, DefaultIpTextDefaultsToTheFallbackAddress)
{
    EXPECT_EQ(ReadDefaultIpText(""), "192.168.1.1");
    EXPECT_EQ(ReadDefaultIpText(write("[KELVOR]\nPATH=/prog/\n")), "192.168.1.1");
    EXPECT_EQ(ReadDefaultIpText(write("[KELVOR]\nDEFAULTIP=\n")), "");
}

TEST_F(SettingsFile, ProposedAddressFollowsTheFileInTheWorkingDirectory)
{
    EXPECT_EQ(dotted(ProposedAddress()), "192.168.1.1");
    write("[KELVOR]\nDEFAULTIP=10.20.30.40\n");
    EXPECT_EQ(dotted(ProposedAddress()), "10.20.30.40");
    write("[KELVOR]\nDEFAULTIP=10.0.0.1\n");
    EXPECT_EQ(dotted(ProposedAddress()), "192.168.1.1");
    write("[KELVOR]\nDEFAULTIP=\n");
    EXPECT_EQ(dotted(ProposedAddress()), "192.168.1.1");
}

TEST_F(SettingsFile, LocateFindsOnlyKelvorIniInTheWorkingDirectory)
{
    EXPECT_EQ(LocateSettingsFile(), "");
    write("[KELVOR]\n", "KELVOR.INI.bak");
    std::filesystem::create_directory("sub");
    write("[KELVOR]\n", "sub/KELVOR.INI");
    EXPECT_EQ(LocateSettingsFile(), "");
    write("[KELVOR]\n");
    EXPECT_EQ(LocateSettingsFile(), here("KELVOR.INI"));
}

struct SettingsNameCase
{
    const char* name;
    std::vector<const char*> entries;
    const char* found; // nullptr: no settings file
};

void PrintTo(const SettingsNameCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsFileName : public WorkDirTest, public ::testing::WithParamInterface<SettingsNameCase>
{};

// The connection dialog and the menu (whose path the reads use) agree.
TEST_P(SettingsFileName, IsFoundByTheDialogAndTheMenu)
{
    for (const char* entry : GetParam().entries)
        write("[KELVOR]\n", entry);
    const char* found = GetParam().found;

    EXPECT_EQ(LocateSettingsFile(), found ? here(found) : "");
    const SettingsFileCheck check = CheckSettingsFile(GetCurrentDirectory());
    EXPECT_EQ(check.path, here(found ? found : "KELVOR.INI"));
    EXPECT_EQ(check.exists, found != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SettingsFileName,
    ::testing::Values(SettingsNameCase{"LowerCase", {"kelvor.ini"}, "kelvor.ini"},
                      SettingsNameCase{"MixedCase", {"Kelvor.Ini"}, "Kelvor.Ini"},
                      SettingsNameCase{
                          "ExactBesideAVariant", {"kelvor.ini", "KELVOR.INI"}, "KELVOR.INI"},
                      SettingsNameCase{"TwoVariants", {"kelvor.ini", "Kelvor.Ini"}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFile, DirectoryNamedKelvorIniIsFoundButReadsAsDefaults)
{
    std::filesystem::create_directory("KELVOR.INI");
    EXPECT_EQ(LocateSettingsFile(), here("KELVOR.INI"));
    EXPECT_EQ(dotted(ProposedAddress()), "192.168.1.1");

    const SettingsFileCheck check = CheckSettingsFile(GetCurrentDirectory());
    EXPECT_TRUE(check.exists);
    std::string value;
    EXPECT_EQ(ReadSettingValue(check.path, kKeyPath, value), 5u);
    EXPECT_EQ(value, "ERROR");
}

// KELVOR.INI as a FIFO, or a link to one or to a device: found, as a folder
// of that name is, but read as no file at all, and never waited on (a FIFO
// would keep its reader until a writer comes; /dev/zero never ends).
class SettingsFileNotRegular : public WorkDirTest, public ::testing::WithParamInterface<const char*>
{};

TEST_P(SettingsFileNotRegular, ReadsAsDefaultsAtOnce)
{
    const std::string kind = GetParam();
    std::optional<kelvor::test::Fifo> fifo;
    if (kind == "Fifo") {
        fifo.emplace(m_dir / "KELVOR.INI");
    } else if (kind == "LinkToFifo") {
        fifo.emplace(m_dir / "elsewhere");
        std::filesystem::create_symlink(fifo->path(), "KELVOR.INI");
    } else {
        std::filesystem::create_symlink("/dev/zero", "KELVOR.INI");
    }
    ASSERT_FALSE(std::filesystem::is_regular_file("KELVOR.INI"));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dotted(ProposedAddress()), "192.168.1.1");
    const SettingsFileCheck check = CheckSettingsFile(GetCurrentDirectory());
    EXPECT_TRUE(check.exists);
    std::string value;
    EXPECT_EQ(ReadSettingValue(check.path, kKeyPath, value), 5u);
    EXPECT_EQ(value, "ERROR");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    if (fifo) {
        EXPECT_FALSE(fifo->releasedAWaitingReader());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SettingsFileNotRegular,
                         ::testing::Values("Fifo", "LinkToFifo", "LinkToDevZero"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(SettingsFile, CheckComposesTheWorkingDirectoryPath)
{
    SettingsFileCheck check = CheckSettingsFile(GetCurrentDirectory());
    EXPECT_EQ(check.path, here("KELVOR.INI"));
    EXPECT_FALSE(check.exists);
    write("[KELVOR]\n");
    check = CheckSettingsFile(GetCurrentDirectory());
    EXPECT_EQ(check.path, here("KELVOR.INI"));
    EXPECT_TRUE(check.exists);
}

TEST_F(SettingsFile, DeepWorkingDirectoryIsNotTruncated)
{
    std::filesystem::path deep = std::filesystem::current_path();
    while (deep.string().size() <= 300)
        deep /= std::string(40, 'd');
    std::filesystem::create_directories(deep);
    ASSERT_EQ(::chdir(deep.c_str()), 0);
    const std::string expected = deep.string() + "/KELVOR.INI";
    ASSERT_GT(expected.size(), 255u);

    EXPECT_EQ(CheckSettingsFile(GetCurrentDirectory()).path, expected);
    EXPECT_FALSE(CheckSettingsFile(GetCurrentDirectory()).exists);
    EXPECT_EQ(LocateSettingsFile(), "");

    write("[KELVOR]\nDEFAULTIP=10.9.8.7\nPATH=/deep/\n");
    const SettingsFileCheck check = CheckSettingsFile(GetCurrentDirectory());
    EXPECT_EQ(check.path, expected);
    EXPECT_TRUE(check.exists);
    EXPECT_EQ(LocateSettingsFile(), expected);
    EXPECT_EQ(dotted(ProposedAddress()), "10.9.8.7");
    std::string value;
    EXPECT_EQ(ReadSettingValue(check.path, kKeyPath, value), 6u);
    EXPECT_EQ(value, "/deep/");
}

TEST_F(SettingsFile, RemovedWorkingDirectoryFindsNothing)
{
    write("[KELVOR]\nDEFAULTIP=10.9.8.7\n");
    std::filesystem::remove_all(m_dir);
    EXPECT_EQ(LocateSettingsFile(), "");
    EXPECT_FALSE(CheckSettingsFile(GetCurrentDirectory()).exists);
    EXPECT_EQ(dotted(ProposedAddress()), "192.168.1.1");
}

TEST_F(SettingsFile, PathAndFileNameReads)
{
    const std::string path = write("[KELVOR]\nPATH=/prog/\nFILENAME=\n");
    std::string value;
    EXPECT_EQ(ReadSettingValue(path, kKeyPath, value), 6u);
    EXPECT_EQ(value, "/prog/");
    EXPECT_EQ(ReadSettingValue(path, kKeyFileName, value), 0u);
    EXPECT_EQ(value, "");

    write("[KELVOR]\nFILENAME=KELVOR.BIN\n");
    EXPECT_EQ(ReadSettingValue(path, kKeyPath, value), 5u);
    EXPECT_EQ(value, "ERROR");
    EXPECT_EQ(ReadSettingValue(path, kKeyFileName, value), 10u);
    EXPECT_EQ(value, "KELVOR.BIN");

    write("[KELVOR]\nPATH=/" + std::string(300, 'p') + "\n");
    EXPECT_EQ(ReadSettingValue(path, kKeyPath, value), 255u);
    EXPECT_EQ(value, '/' + std::string(254, 'p'));
    EXPECT_EQ(ReadSettingValue("", kKeyFileName, value), 5u);
    EXPECT_EQ(value, "ERROR");
}

TEST_F(SettingsFile, SampleFileGivesItsDocumentedValues)
{
    std::string value;
    EXPECT_EQ(ReadDefaultIpText(KELVOR_SAMPLE_INI), "192.168.1.1");
    EXPECT_EQ(ReadSettingValue(KELVOR_SAMPLE_INI, kKeyPath, value), 6u);
    EXPECT_EQ(value, "/prog/");
    EXPECT_EQ(ReadSettingValue(KELVOR_SAMPLE_INI, kKeyFileName, value), 10u);
    EXPECT_EQ(value, "KELVOR.BIN");
}

} // namespace
