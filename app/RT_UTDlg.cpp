#include "app/RT_UTDlg.h"

#include "platform/Shell.h"
#include "res/resource.h"

CIPAdd g_dlgIPAdd;

CRT_UTDlg::CRT_UTDlg(CWnd* pParent) : CDialog(DialogResource(IDD_RT_UT_DIALOG), pParent) {}

const MessageMap* CRT_UTDlg::GetMessageMap() const
{
    static const MessageMap map{CDialog::GetMessageMap(),
                                {
                                    msg::onCommand(IDHELP, &CRT_UTDlg::OnButtonHelp),
                                }};
    return &map;
}

BOOL CRT_UTDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    return TRUE;
}

void CRT_UTDlg::OnOK()
{
    g_dlgIPAdd.DoModal();
    CDialog::OnOK();
}

void CRT_UTDlg::OnButtonHelp()
{
    ShellExecute(this, nullptr, "help1.htm", "", "", 0);
}
