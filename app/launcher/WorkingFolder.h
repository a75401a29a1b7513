#pragma once

// Lays out the per-user working folder from the files the package installs:
// the sample KELVOR.INI and the help pages. The operator adds the program
// file and edits KELVOR.INI to match, so a file already in the folder is
// never replaced; one that is missing is copied again.

#include <QString>
#include <array>

namespace launcher {

inline constexpr std::array kSampleFiles{"KELVOR.INI", "help1.htm", "help2.htm", "help3.htm"};

// Creates the folder when it is not there and copies in each sample file
// from dataFolder that it does not hold. Returns what the operator is told
// when that fails, else an empty text.
QString prepareWorkingFolder(const QString& folder, const QString& dataFolder);

} // namespace launcher
