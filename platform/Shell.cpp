#include "platform/Shell.h"

#include "platform/FileFind.h"
#include "platform/Wnd.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

ShellOpenHook& hook()
{
    static ShellOpenHook current;
    return current;
}

} // namespace

void SetShellOpenHook(ShellOpenHook newHook)
{
    hook() = std::move(newHook);
}

void ShellExecute(CWnd* /*owner*/, const char* /*operation*/, const std::string& file,
                  const std::string& /*parameters*/, const std::string& /*directory*/,
                  int /*showCommand*/)
{
    std::string path = file;
    if (!path.empty() && path.front() != '/')
        path = JoinPath(GetCurrentDirectory(), file);
    const bool exists = FileExists(path);
    if (hook()) {
        hook()(exists ? path : file);
        return;
    }
    if (exists)
        QDesktopServices::openUrl(QUrl::fromLocalFile(toQString(path)));
}
