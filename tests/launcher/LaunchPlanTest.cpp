#include "app/launcher/LaunchPlan.h"

#include "app/launcher/WorkingFolder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QString>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace fs = std::filesystem;
using kelvor::test::readFile;
using kelvor::test::TempDir;
using launcher::LaunchPlan;

namespace {

QString q(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

void touch(const fs::path& path, const std::string& content = "[KELVOR]\n")
{
    kelvor::test::writeFile(path, content);
}

TEST(LaunchPlan, FromTheMenuRunsInTheOwnFolderUnderHome)
{
    const LaunchPlan plan = launcher::planLaunch({}, QStringLiteral("/home/operator"));
    EXPECT_EQ(plan.kind, LaunchPlan::Kind::OwnFolder);
    EXPECT_EQ(plan.folder, QStringLiteral("/home/operator/KELVOR"));
}

// A vendor's folder is used where the operator found it, even when the
// KELVOR.INI there is a link to a file elsewhere: the program file sits
// beside the name that was opened.
TEST(LaunchPlan, AVendorsKelvorIniRunsInTheFolderItWasOpenedIn)
{
    TempDir dir;
    fs::create_directories(dir.path() / "stick" / "elsewhere");
    touch(dir.path() / "stick" / "elsewhere" / "settings.txt");
    fs::create_symlink(dir.path() / "stick" / "elsewhere" / "settings.txt",
                       dir.path() / "stick" / "KELVOR.INI");
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());

    const LaunchPlan plan = launcher::planLaunch({QStringLiteral("stick/KELVOR.INI")}, {});
    fs::current_path(previous);

    EXPECT_EQ(plan.kind, LaunchPlan::Kind::VendorFolder);
    EXPECT_EQ(plan.folder, q(dir.path() / "stick"));
}

TEST(LaunchPlan, ALowerCaseKelvorIniRunsInItsFolder)
{
    TempDir dir;
    touch(dir.path() / "kelvor.ini");
    const LaunchPlan plan = launcher::planLaunch({q(dir.path() / "kelvor.ini")}, {});
    EXPECT_EQ(plan.kind, LaunchPlan::Kind::VendorFolder);
    EXPECT_EQ(plan.folder, q(dir.path()));
}

struct RefusedCase
{
    const char* name;
    // The arguments, made in a fresh folder.
    std::function<QStringList(const fs::path& dir)> arguments;
    // What the operator's message must hold, besides the name it shows.
    const char* says;
    // The name the message must show.
    std::function<QString(const fs::path& dir)> shows;
};

void PrintTo(const RefusedCase& c, std::ostream* out)
{
    *out << c.name;
}

class LaunchPlanRefuses : public ::testing::TestWithParam<RefusedCase>
{};

TEST_P(LaunchPlanRefuses, WithAMessageNamingWhatWasGiven)
{
    TempDir dir;
    const RefusedCase& c = GetParam();
    const LaunchPlan plan = launcher::planLaunch(c.arguments(dir.path()), q(dir.path() / "home"));
    EXPECT_EQ(plan.kind, LaunchPlan::Kind::Refused);
    EXPECT_TRUE(plan.message.contains(QString::fromUtf8(c.says))) << plan.message.toStdString();
    EXPECT_TRUE(plan.message.contains(c.shows(dir.path()))) << plan.message.toStdString();
    EXPECT_FALSE(fs::exists(dir.path() / "home"));
}

QStringList existing(const fs::path& file)
{
    touch(file);
    return {q(file)};
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, LaunchPlanRefuses,
    ::testing::Values(
        RefusedCase{"OtherName", [](const fs::path& d) { return existing(d / "settings.ini"); },
                    "は KELVOR.INI ではありません",
                    [](const fs::path& d) {
                        return q(d / "settings.ini");
                    }},
        RefusedCase{"LowerCaseNameBesideKelvorIni",
                    [](const fs::path& d) {
                        touch(d / "KELVOR.INI");
                        return existing(d / "kelvor.ini");
                    },
                    "同じフォルダの KELVOR.INI が設定ファイルとして読まれます",
                    [](const fs::path& d) {
                        return q(d / "kelvor.ini");
                    }},
        RefusedCase{"NameWithSuffix",
                    [](const fs::path& d) { return existing(d / "KELVOR.INI.bak"); },
                    "は KELVOR.INI ではありません",
                    [](const fs::path& d) {
                        return q(d / "KELVOR.INI.bak");
                    }},
        RefusedCase{"AFolder", [](const fs::path& d) { return QStringList{q(d)}; },
                    "は KELVOR.INI ではありません",
                    [](const fs::path& d) {
                        return q(d);
                    }},
        RefusedCase{"EmptyArgument", [](const fs::path&) { return QStringList{QString()}; },
                    "「」は KELVOR.INI ではありません",
                    [](const fs::path&) {
                        return QString();
                    }},
        RefusedCase{"MissingFile",
                    [](const fs::path& d) { return QStringList{q(d / "KELVOR.INI")}; },
                    "が見つかりません",
                    [](const fs::path& d) {
                        return q(d / "KELVOR.INI");
                    }},
        RefusedCase{"MissingFolder",
                    [](const fs::path& d) { return QStringList{q(d / "gone" / "KELVOR.INI")}; },
                    "フォルダ「",
                    [](const fs::path& d) {
                        return q(d / "gone");
                    }},
        RefusedCase{"FolderNamedLikeTheFile",
                    [](const fs::path& d) {
                        fs::create_directory(d / "KELVOR.INI");
                        return QStringList{q(d / "KELVOR.INI")};
                    },
                    "はファイルではありません",
                    [](const fs::path& d) {
                        return q(d / "KELVOR.INI");
                    }},
        RefusedCase{"SeveralFiles",
                    [](const fs::path& d) {
                        fs::create_directories(d / "a");
                        fs::create_directories(d / "b");
                        return existing(d / "a" / "KELVOR.INI") + existing(d / "b" / "KELVOR.INI");
                    },
                    "一つだけ",
                    [](const fs::path& d) {
                        return q(d / "b" / "KELVOR.INI");
                    }}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

class OwnWorkingFolder : public ::testing::Test
{
protected:
    OwnWorkingFolder()
    {
        fs::create_directory(m_data);
        for (const char* name : launcher::kSampleFiles)
            touch(m_data / name, std::string("installed ") + name);
    }

    QString prepare() { return launcher::prepareWorkingFolder(q(m_folder), q(m_data)); }

    TempDir m_dir;
    fs::path m_data = m_dir.path() / "share";
    fs::path m_folder = m_dir.path() / "home" / "KELVOR";
};

TEST_F(OwnWorkingFolder, FirstUseCreatesItWithEverySampleFile)
{
    ASSERT_EQ(prepare(), QString());
    for (const char* name : launcher::kSampleFiles)
        EXPECT_EQ(readFile(m_folder / name), std::string("installed ") + name) << name;
}

// The operator's edited KELVOR.INI, and a link of theirs that leads
// nowhere, stay as they are; a page they deleted comes back.
TEST_F(OwnWorkingFolder, KeepsWhatIsThereAndAddsWhatIsMissing)
{
    fs::create_directories(m_folder);
    touch(m_folder / "KELVOR.INI", "edited");
    fs::create_symlink(m_dir.path() / "nowhere.htm", m_folder / "help1.htm");

    ASSERT_EQ(prepare(), QString());
    EXPECT_EQ(readFile(m_folder / "KELVOR.INI"), "edited");
    EXPECT_TRUE(fs::is_symlink(m_folder / "help1.htm"));
    EXPECT_FALSE(fs::exists(m_dir.path() / "nowhere.htm"));
    EXPECT_EQ(readFile(m_folder / "help2.htm"), "installed help2.htm");
}

TEST_F(OwnWorkingFolder, TheOperatorCanEditTheCopiesOfReadOnlyInstalledFiles)
{
    fs::permissions(m_data / "KELVOR.INI",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(prepare(), QString());
    EXPECT_NE(fs::status(m_folder / "KELVOR.INI").permissions() & fs::perms::owner_write,
              fs::perms::none);
}

TEST_F(OwnWorkingFolder, AFileInTheFoldersPlaceIsReportedByName)
{
    fs::create_directories(m_folder.parent_path());
    touch(m_folder);
    const QString message = prepare();
    EXPECT_TRUE(message.contains(QStringLiteral("を作成できません"))) << message.toStdString();
    EXPECT_TRUE(message.contains(q(m_folder))) << message.toStdString();
}

TEST_F(OwnWorkingFolder, AMissingInstalledFileIsReportedByName)
{
    fs::remove(m_data / "help3.htm");
    const QString message = prepare();
    EXPECT_TRUE(message.contains(q(m_data / "help3.htm"))) << message.toStdString();
    EXPECT_FALSE(fs::exists(m_folder / "help3.htm"));
}

} // namespace
