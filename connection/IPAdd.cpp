#include "connection/IPAdd.h"

#include "connection/Ftp.h"
#include "connection/Settings.h"
#include "platform/RunWhileWaiting.h"
#include "platform/Shell.h"
#include "platform/Trace.h"
#include "res/resource.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"

#include <cstdio>
#include <string>

CSubMenu g_dlgSubMenu;

namespace {
constexpr int kLoginMaxChars = 255;
constexpr INTERNET_PORT kFtpPort = 21;
} // namespace

CIPAdd::CIPAdd(CWnd* pParent) : CDialog(DialogResource(IDD_IPADD), pParent) {}

const MessageMap* CIPAdd::GetMessageMap() const
{
    static const MessageMap map{CDialog::GetMessageMap(),
                                {
                                    msg::onShowWindow(&CIPAdd::OnShowWindow),
                                    msg::onCommand(IDHELP, &CIPAdd::OnButtonHelp),
                                }};
    return &map;
}

void CIPAdd::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_IPADDRESS, m_ctlIPAddress);
    DDX_Text(pDX, IDC_LOGIN, m_strLogin);
    DDV_MaxChars(pDX, m_strLogin, kLoginMaxChars);
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
    DDV_MaxChars(pDX, m_strPassword, kLoginMaxChars);
}

void CIPAdd::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);

    // Every show (and hide) proposes the address afresh from the settings file.
    const IPv4Address address = ProposedAddress();
    m_ctlIPAddress.SetAddress(address[0], address[1], address[2], address[3]);
}

void CIPAdd::OnOK()
{
    // A session for this attempt, and for the menu run from it. Opening it
    // may throw; that reaches the general failure report.
    CInternetSession session;

    if (!UpdateData(TRUE)) {
        AfxTrace("%s", "UpdateData failed during dialog termination.\n");
        return;
    }

    BYTE nField0 = 0, nField1 = 0, nField2 = 0, nField3 = 0;
    m_ctlIPAddress.GetAddress(nField0, nField1, nField2, nField3);
    m_ctlIPAddress.SetAddress(nField0, nField1, nField2, nField3);
    if (nField0 == 0 && nField1 == 0 && nField2 == 0 && nField3 == 0) {
        MessageBox("ＩＰアドレスが不正です。", "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP);
        return;
    }

    char szAddress[256];
    std::snprintf(szAddress, sizeof szAddress, "%d.%d.%d.%d", nField0, nField1, nField2, nField3);
    g_strDeviceAddress = szAddress;

    UpdateData(TRUE);
    g_bPassive = 1;

    try {
        // A unit that is still starting (it is switched off and on between
        // the two uploads) lets the connect wait for its whole bound; the
        // windows go on painting meanwhile, and nothing the operator does in
        // that time is taken as an answer to what follows.
        g_pFtpConnection =
            RunWhileWaiting([&session, server = std::string(szAddress), login = m_strLogin,
                             password = m_strPassword, passive = g_bPassive] {
                return session.GetFtpConnection(server, login, password, kFtpPort, passive);
            });
    } catch (...) {
        MessageBox("ＫＥＬＶＯＲとの接続に失敗しました。", "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP);
        return;
    }

    g_dlgSubMenu.DoModal();

    CDialog::OnOK();
}

void CIPAdd::OnButtonHelp()
{
    ShellExecute(this, nullptr, "help2.htm", "", "", 0);
}
