#include "app/launcher/LaunchPlan.h"

#include <QDir>
#include <QFileInfo>

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
    // is looked for beside the KELVOR.INI the operator opened.
    if (argument.isEmpty() || file.fileName() != QLatin1String(kSettingsFileName))
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
    return LaunchPlan{LaunchPlan::Kind::VendorFolder, file.absolutePath(), {}};
}

} // namespace launcher
