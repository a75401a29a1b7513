#include "transfer/SubMenu.h"

#include "connection/ProgramFile.h"
#include "connection/Settings.h"
#include "platform/FileFind.h"
#include "platform/Shell.h"
#include "res/resource.h"
#include "transfer/Delete.h"
#include "transfer/OperationState.h"
#include "transfer/Upload.h"

CSubMenu::CSubMenu(CWnd* pParent) : CDialog(DialogResource(IDD_SUBMENU), pParent) {}

const MessageMap* CSubMenu::GetMessageMap() const
{
    static const MessageMap map{CDialog::GetMessageMap(),
                                {
                                    msg::onCommand(IDC_UPLOAD, &CSubMenu::OnUpload),
                                    msg::onCommand(IDC_DELETE, &CSubMenu::OnDelete),
                                    msg::onCommand(IDC_MENU_HELP, &CSubMenu::OnMenuHelp),
                                }};
    return &map;
}

void CSubMenu::OnUpload()
{
    if (!ConfirmAndFindSettings("アップロードを開始します。\nよろしいですか？"))
        return;

    // A key present with an empty value is an error that ends the menu; a
    // missing key reads as "ERROR" and fails later, at the unit.
    if (ReadSettingValue(g_szIniPath, kKeyPath, g_szRemotePath) == 0 ||
        ReadSettingValue(g_szIniPath, kKeyFileName, g_szFileName) == 0) {
        ReportSettingsError();
        EndDialog(0);
        return;
    }

    // A name that leads out of the working folder, as written or through a
    // link, is a fault of the settings file, like a missing one: the
    // operator mends it and tries again.
    if (!IsInsideWorkingFolder(g_szFileName)) {
        ReportSettingsError();
        return;
    }
    m_programFile = LocateProgramFile(g_szLocalPath, g_szFileName);
    if (m_programFile.where() == ProgramFile::Where::Outside) {
        ReportSettingsError();
        return;
    }

    g_szLocalPath = m_programFile.path();
    // No separator: PATH supplies whatever the unit needs.
    g_szRemotePath += g_szFileName;

    StartOperation(new CUpload, UploadThread);
}

void CSubMenu::OnDelete()
{
    if (!ConfirmAndFindSettings("プログラムを削除します。\nよろしいですか？"))
        return;

    if (ReadSettingValue(g_szIniPath, kKeyPath, g_szRemotePath) == 0) {
        ReportSettingsError();
        EndDialog(0);
        return;
    }

    StartOperation(new CDelete, DeleteThread);
}

void CSubMenu::OnMenuHelp()
{
    ShellExecute(this, nullptr, "help3.htm", "", "", 0);
}

bool CSubMenu::ConfirmAndFindSettings(const char* question)
{
    if (MessageBox(question, "確認ﾒｯｾｰｼﾞ", MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
        return false;

    g_szLocalPath = GetCurrentDirectory();
    const SettingsFileCheck settings = CheckSettingsFile(g_szLocalPath);
    g_szIniPath = settings.path;
    if (!settings.exists) {
        ReportSettingsError();
        return false;
    }
    return true;
}

void CSubMenu::StartOperation(CDialog* pProgressWindow, AFX_THREADPROC pfnWorker)
{
    pProgressWindow->Create();
    pProgressWindow->ShowWindow(SW_SHOW);
    EnableWindow(FALSE);
    g_hMenuWnd = GetSafeHwnd();
    g_nStatus = STATUS_RUNNING;
    g_pWorkerThread = AfxBeginThread(pfnWorker, g_hMenuWnd);
}

void CSubMenu::ReportSettingsError()
{
    MessageBox("INIﾌｧｲﾙｴﾗｰ", "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP);
}
