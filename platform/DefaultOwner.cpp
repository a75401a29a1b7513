#include "platform/DefaultOwner.h"

#include "platform/Wnd.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<CWnd*>& modalWindows()
{
    // Never destroyed: dialog objects that are globals may leave their loop
    // after any ordinary static here is gone.
    static auto* windows = new std::vector<CWnd*>;
    return *windows;
}

MainWindowSource g_mainWindowSource = nullptr;

CWnd* existing(CWnd* wnd)
{
    return wnd != nullptr && wnd->GetSafeHwnd() != nullptr ? wnd : nullptr;
}

} // namespace

CWnd* DefaultOwner(OwnedWindow kind)
{
    if (kind == OwnedWindow::Modal) {
        if (CWnd* modal = existing(InnermostModalWindow()))
            return modal;
    }
    return existing(g_mainWindowSource != nullptr ? g_mainWindowSource() : nullptr);
}

void EnterModalLoop(CWnd* dialog)
{
    modalWindows().push_back(dialog);
}

void LeaveModalLoop(CWnd* dialog)
{
    auto& windows = modalWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), dialog), windows.end());
}

CWnd* InnermostModalWindow()
{
    const auto& windows = modalWindows();
    return windows.empty() ? nullptr : windows.back();
}

void SetMainWindowSource(MainWindowSource source)
{
    g_mainWindowSource = source;
}
