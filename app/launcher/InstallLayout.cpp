#include "app/launcher/InstallLayout.h"

#include <QDir>

namespace launcher {

InstallLayout installLayout(const QString& launcherFolder)
{
    const QDir here(launcherFolder);
    return InstallLayout{
        QDir::cleanPath(here.filePath(QStringLiteral(KELVOR_PROGRAM_FROM_LAUNCHER))),
        QDir::cleanPath(here.filePath(QStringLiteral(KELVOR_DATA_FROM_LAUNCHER))),
    };
}

} // namespace launcher
