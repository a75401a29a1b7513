#pragma once

#include "platform/DataExchange.h"
#include "platform/Dialog.h"
#include "platform/IPAddressCtrl.h"

#include <string>

// The connection dialog: proposes the unit's address from the settings file,
// takes a login name and password, logs in to the unit, and runs the
// operations menu. A bad address or a failed login leaves it open.
class CIPAdd : public CDialog
{
public:
    explicit CIPAdd(CWnd* pParent = nullptr);

    const MessageMap* GetMessageMap() const override;

    CIPAddressCtrl m_ctlIPAddress;
    std::string m_strLogin;
    std::string m_strPassword;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override; // Connect
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnButtonHelp();
};
