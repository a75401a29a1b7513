#include "transfer/ProgressOutcome.h"

#include "transfer/OperationState.h"

#include <algorithm>

int AdvanceBlinkPhase()
{
    g_nBlink = (g_nBlink + 1) % 2;
    return g_nBlink;
}

bool ReportOutcome(CDialog& window, UINT_PTR timerId, std::span<const OutcomeRow> table, int status)
{
    const auto row = std::find_if(table.begin(), table.end(),
                                  [status](const OutcomeRow& r) { return r.status == status; });
    if (row == table.end())
        return false;

    window.KillTimer(timerId);
    window.MessageBox(row->text, row->caption, row->type);
    if (row->steps & kDestroyWindow)
        window.DestroyWindow();
    if (row->steps & kGiveBackMenu) {
        ::EnableWindow(g_hMenuWnd, TRUE);
        ::SetActiveWindow(g_hMenuWnd);
    }
    // The progress windows know the menu by its window, as they do for
    // giving it back; it is the operations menu, g_dlgSubMenu.
    if (row->steps & kEndMenu)
        ::EndDialog(g_hMenuWnd, 0);
    return true;
}
