#include "app/launcher/LaunchPlan.h"

#include "platform/FileFind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <string>

namespace launcher {

namespace {

// The program reads its settings from a file of exactly this name.
constexpr auto kSettingsFileName = "KELVOR.INI";

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

LaunchPlan refused(const QString& message)
{
    return LaunchPlan{LaunchPlan::Kind::Refused, {}, message};
}

} // namespace

QString ownWorkingFolder(const QString& homeFolder)
{
    return QDir(homeFolder).filePath(QStringLiteral("KELVOR"));
}

LaunchPlan planLaunch(const QStringList& arguments, const QString& homeFolder)
{
    if (arguments.isEmpty())
        return LaunchPlan{LaunchPlan::Kind::OwnFolder, ownWorkingFolder(homeFolder), {}};

    if (arguments.size() > 1) {
        QStringList names;
        for (const QString& argument : arguments)
            names << QStringLiteral("「%1」").arg(shown(argument));
        return refused(
            QStringLiteral("KELVOR.INI は一つだけ開いてください。\n開こうとしたファイル：\n%1")
                .arg(names.join(QLatin1Char('\n'))));
    }

    const QString& argument = arguments.front();
    const QFileInfo file(argument);
    // The name as given, not as a symbolic link resolves: the program file
    // is looked for beside the KELVOR.INI the operator opened. The program
    // takes a name that differs only in ASCII case (kelvor.ini) where the
    // folder has no other, so such a name is let through here and checked
    // against the folder below.
    const std::string name = QFile::encodeName(file.fileName()).toStdString();
    if (argument.isEmpty() || !EqualsIgnoringAsciiCase(name, kSettingsFileName))
        return refused(
            QStringLiteral(
                "「%1」は KELVOR.INI ではありません。\n"
                "フォルダの KELVOR.INI を開くと、そのフォルダでユーティリティが起動します。")
                .arg(shown(argument)));
    if (!QFileInfo(file.absolutePath()).isDir())
        return refused(
            QStringLiteral("フォルダ「%1」が見つかりません。").arg(shown(file.absolutePath())));
    if (!file.exists())
        return refused(
            QStringLiteral("「%1」が見つかりません。").arg(shown(file.absoluteFilePath())));
    if (!file.isFile())
        return refused(
            QStringLiteral("「%1」はファイルではありません。").arg(shown(file.absoluteFilePath())));
    // The file the program will read in that folder, by the same rule.
    const std::optional<std::string> settings = FindNameIgnoringAsciiCase(
        QFile::encodeName(file.absolutePath()).toStdString(), kSettingsFileName);
    if (!settings)
        return refused(
            QStringLiteral(
                "「%1」と大文字・小文字だけが違う名前のファイルが同じフォルダにほかにもあり、"
                "どれが設定ファイルか決められません。\n"
                "設定ファイルを一つにしてから開いてください。")
                .arg(shown(file.absoluteFilePath())));
    if (*settings != name)
        return refused(QStringLiteral("「%1」は読まれません。同じフォルダの KELVOR.INI "
                                      "が設定ファイルとして読まれます。\n"
                                      "そのフォルダの KELVOR.INI を開いてください。")
                           .arg(shown(file.absoluteFilePath())));
    return LaunchPlan{LaunchPlan::Kind::VendorFolder, file.absolutePath(), {}};
}

} // namespace launcher
