#include "platform/WinApp.h"

#include "platform/AppName.h"
#include "platform/DefaultOwner.h"
#include "platform/EndFromOutside.h"
#include "platform/MessageBox.h"
#include "platform/Wnd.h"

#include <QApplication>
#include <QStyleFactory>

namespace {

CWinApp* g_pApp = nullptr;

} // namespace

CWinApp::CWinApp()
{
    g_pApp = this;
    SetMainWindowSource(&AfxGetMainWnd);
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run(int argc, char** argv, void (*endFromOutside)(int exitCode))
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    WatchEndsFromOutside(endFromOutside);
    int exitCode = 0;
    if (InitInstance())
        exitCode = QApplication::exec();
    WatchEndsFromOutside(nullptr);
    CWnd::DestroyAllWindows();
    m_pMainWnd = nullptr;
    return exitCode;
}

CWnd* AfxGetMainWnd()
{
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

int AfxMessageBox(const std::string& text, UINT nType)
{
    CWnd* owner = DefaultOwner(OwnedWindow::Modal);
    // Like the framework: a box without an icon of its own gets the one that
    // suits its buttons.
    if ((nType & 0xF0) == 0 && ((nType & 0x0F) == MB_OK || (nType & 0x0F) == MB_OKCANCEL))
        nType |= MB_ICONEXCLAMATION;
    return ShowMessageBox(owner != nullptr ? owner->widget() : nullptr, text, AfxGetAppName(),
                          nType);
}

void Enable3dControlsStatic()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}
