#include "app/RT_UT.h"

#include "app/RT_UTDlg.h"
#include "platform/AppIcon.h"
#include "platform/SocketInit.h"
#include "res/resource.h"

CRT_UTApp theApp;

BOOL CRT_UTApp::InitInstance()
{
    // Every window carries the program's icon, the first message box too.
    SetAppIcon(LoadIconImages(IDR_MAINFRAME));

    if (!AfxSocketInit()) {
        AfxMessageBox(LoadResourceString(IDP_SOCKETS_INIT_FAILED), MB_OK);
        return FALSE;
    }

    Enable3dControlsStatic();

    CRT_UTDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
