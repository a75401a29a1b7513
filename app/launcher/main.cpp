#include "app/launcher/InstallLayout.h"
#include "app/launcher/LaunchPlan.h"
#include "app/launcher/WorkingFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

// The menu entry's command: picks the working folder, lays it out when it is
// the operator's own, and runs the program there in place of itself. The
// program reads no arguments; the folder is all it is given.

namespace {

QString launcherFolder()
{
    // Not argv[0], which the caller chooses.
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

// Returns only when the program could not be started.
QString runProgram(const QString& program, const QString& folder)
{
    if (!QDir::setCurrent(folder))
        return QStringLiteral("作業フォルダ「%1」を開けません。")
            .arg(QDir::toNativeSeparators(folder));
    const QByteArray path = QFile::encodeName(program);
    char* const argv[] = {const_cast<char*>(path.constData()), nullptr};
    ::execv(path.constData(), argv);
    return QStringLiteral("プログラム「%1」を起動できません（%2）。")
        .arg(QDir::toNativeSeparators(program), QString::fromLocal8Bit(std::strerror(errno)));
}

// The launcher is started from the desktop, where nobody reads stderr: the
// operator gets a window.
int showFailure(int argc, char** argv, const QString& message)
{
    std::fprintf(stderr, "kelvor-launcher: %s\n", qPrintable(message));
    // Grouped with the program's windows and its menu entry.
    QCoreApplication::setApplicationName(QStringLiteral("kelvor"));
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.kelvor.ProgramUpload"));
    QApplication application(argc, argv);
    // The look of the program's own message boxes.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kelvor")));
    QMessageBox::critical(nullptr, QStringLiteral("ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ"), message);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // No application object until there is something to show: the program
    // takes over this process and must find the desktop's start-up
    // notification (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN) untouched,
    // and a Qt application object would consume it.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);

    const launcher::InstallLayout layout = launcher::installLayout(launcherFolder());
    const launcher::LaunchPlan plan = launcher::planLaunch(arguments, QDir::homePath());
    QString failure = plan.message;
    if (plan.kind == launcher::LaunchPlan::Kind::OwnFolder)
        failure = launcher::prepareWorkingFolder(plan.folder, layout.dataFolder);
    if (failure.isEmpty())
        failure = runProgram(layout.program, plan.folder);
    return showFailure(argc, argv, failure);
}
