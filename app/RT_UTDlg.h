#pragma once

#include "connection/IPAdd.h"
#include "platform/Dialog.h"

// The main window: the order in which programs must be uploaded, and Start,
// Exit and Help. Start runs the connection dialog; when that returns, for
// whatever reason, the main window closes too.
class CRT_UTDlg : public CDialog
{
public:
    explicit CRT_UTDlg(CWnd* pParent = nullptr);

    const MessageMap* GetMessageMap() const override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override; // Start
    void OnButtonHelp();
};

// The connection dialog; run at most once per process.
extern CIPAdd g_dlgIPAdd;
