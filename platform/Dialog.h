#pragma once

#include "platform/DialogTemplate.h"
#include "platform/Wnd.h"

#include <map>
#include <memory>

class CDataExchange;
class DialogManager;
class QEventLoop;

// A dialog built from a template: run modally with DoModal(), or created
// modeless with Create() and shown with ShowWindow().
//
// Modality works as the classic dialog manager's: a modal dialog disables its
// owner and runs its own message loop until EndDialog(); it does not block
// any other window, so modeless windows keep taking clicks and keys. The
// keyboard and focus rules are the dialog manager's (DialogManager).
class CDialog : public CWnd
{
public:
    // pParentWnd names the owner; without one, the framework's default owner
    // is taken (DefaultOwner).
    explicit CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    virtual int DoModal();
    BOOL Create(CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    // Runs the data exchange: TRUE reads the controls into the members and
    // validates them, FALSE loads the members into the controls. Returns
    // FALSE when a validation failed (the user has been told).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The control with this id, or null.
    CWnd* GetDlgItem(int nID) override;

    const MessageMap* GetMessageMap() const override;
    BOOL DestroyWindow() override;

protected:
    // Runs once the controls exist; the default loads the members into the
    // controls. Returning TRUE gives the focus to the first tab stop.
    virtual BOOL OnInitDialog();

    // IDOK (the OK button, Enter): reads the controls back and ends the
    // dialog with IDOK. IDCANCEL (Cancel, Escape, the close box): ends it with
    // IDCANCEL. A modeless dialog is only hidden.
    virtual void OnOK();
    virtual void OnCancel();

    virtual void DoDataExchange(CDataExchange* pDX);

private:
    bool onDlgItemSubclassed(int nID, CWnd& control) override;

    void createWindow(CWnd* owner);
    // Runs OnInitDialog, reporting what escapes it; whether the first tab
    // stop is to get the focus.
    BOOL initDialog();
    void releaseOwner();
    void centreOverOwner();

    const DialogTemplate& m_template;
    CWnd* m_pParentWnd;
    CWnd* m_pOwner = nullptr;
    bool m_bModal = false;
    bool m_bEnded = false;
    bool m_bOwnerDisabledByUs = false;
    int m_nModalResult = -1;
    QEventLoop* m_pLoop = nullptr;
    std::unique_ptr<DialogManager> m_manager;
    std::map<int, std::unique_ptr<CWnd>> m_itemWindows; // made on first GetDlgItem
    std::map<int, CWnd*> m_subclassed;                  // by DDX_Control
};

// Ends the dialog whose window hDlg is, as CDialog::EndDialog does; FALSE
// when hDlg names no dialog.
BOOL EndDialog(HWND hDlg, int nResult);
