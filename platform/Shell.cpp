#include "platform/Shell.h"

#include "platform/FileFind.h"
#include "platform/Text.h"

#include <QDesktopServices>
#include <QStandardPaths>
#include <QUrl>

namespace {

// Where the document is: as given when absolute, else in the working
// directory, else among the installed data; "" when it is nowhere.
std::string locateDocument(const std::string& file)
{
    if (file.empty())
        return {};
    if (file.front() == '/')
        return FileExists(file) ? file : std::string();
    if (std::string inWorkingDirectory = JoinPath(GetCurrentDirectory(), file);
        FileExists(inWorkingDirectory))
        return inWorkingDirectory;
    return toStdString(QStandardPaths::locate(QStandardPaths::AppDataLocation, toQString(file)));
}

} // namespace

void ShellExecute(CWnd* /*owner*/, const char* /*operation*/, const std::string& file,
                  const std::string& /*parameters*/, const std::string& /*directory*/,
                  int /*showCommand*/)
{
    const std::string path = locateDocument(file);
    if (!path.empty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(toQString(path)));
}
