#pragma once

// A running operations menu with a progress window shown over it, as the
// menu's start protocol leaves them, for stepping the window tick by tick.

#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"

#include <gtest/gtest.h>

namespace kelvor::test {

class ProgressWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_nBlink = 0;
        g_nElapsed = 0;
        g_nStatus = STATUS_RUNNING;
    }

    void TearDown() override
    {
        g_pWorkerThread.reset();
        g_hMenuWnd = nullptr;
    }

    // Runs the menu modally and calls body once it is up, with window (made
    // by makeWindow) created, shown, and the menu disabled behind it. Returns
    // the menu's result: -1 when the test ended it, 0 when the window did.
    template <class Window>
    int runWithWindow(Window*& window, const std::function<void()>& body)
    {
        Script script;
        script.whenActive("menu", IDD_SUBMENU, [&] {
            window = new Window;
            window->Create();
            window->ShowWindow(SW_SHOW);
            g_dlgSubMenu.EnableWindow(FALSE);
            g_hMenuWnd = g_dlgSubMenu.GetSafeHwnd();
            body();
            if (g_dlgSubMenu.IsWindowVisible()) // not ended by the window
                g_dlgSubMenu.EndDialog(-1);
        });
        return g_dlgSubMenu.DoModal();
    }

    std::string text(CDialog& dialog, int id)
    {
        return controlOf(dialog, id)->property("text").toString().toStdString();
    }

    MessageBoxRecorder boxes;
};

} // namespace kelvor::test
