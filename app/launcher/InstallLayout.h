#pragma once

// Where the program and its data are, found from the launcher's own folder:
// the relative places are fixed when the build is configured, so the
// launcher works from /usr, from any install prefix and from an unpacked
// package alike.

#include <QString>

namespace launcher {

struct InstallLayout
{
    QString program;    // the program, bin/kelvor
    QString dataFolder; // the sample KELVOR.INI and the help pages, share/kelvor
};

InstallLayout installLayout(const QString& launcherFolder);

} // namespace launcher
