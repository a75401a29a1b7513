#pragma once

// What the launcher makes of the arguments the desktop hands it: nothing
// when the operator starts the utility from the menu, one file (the menu
// entry's %f) when a KELVOR.INI is opened in a file manager.

#include <QString>
#include <QStringList>

namespace launcher {

struct LaunchPlan
{
    enum class Kind
    {
        OwnFolder,    // the per-user working folder, laid out before the start
        VendorFolder, // the folder of the KELVOR.INI given, used as it is
        Refused,      // anything else: the operator is told why
    };

    Kind kind = Kind::Refused;
    QString folder;  // where the program runs
    QString message; // what the operator is told, when refused
};

// ~/KELVOR: a plain folder the operator finds in a file manager.
QString ownWorkingFolder(const QString& homeFolder);

LaunchPlan planLaunch(const QStringList& arguments, const QString& homeFolder);

} // namespace launcher
