#pragma once

#include "platform/DialogTemplate.h"
#include "platform/Wnd.h"

#include <memory>
#include <vector>

class CDataExchange;
class DialogWindow;

// A dialog built from a template: run modally with DoModal(), or created
// modeless with Create() and shown with ShowWindow().
//
// Modality works as the classic dialog manager's: a modal dialog disables its
// owner and runs its own message loop until EndDialog(); it does not block
// any other window, so modeless windows keep taking clicks and keys.
class CDialog : public CWnd
{
public:
    // pParentWnd names the owner; without one, a modal dialog is owned by the
    // running modal dialog or else the main window, a modeless one by the
    // main window.
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
    CWnd* GetDlgItem(int nID);

    const DialogTemplate& Template() const { return m_template; }
    CWnd* Owner() const { return m_pOwner; }
    bool IsModal() const { return m_bModal; }

    const MessageMap* GetMessageMap() const override;
    BOOL DestroyWindow() override;

    // The modal dialog running innermost, if any.
    static CDialog* ActiveModalDialog();

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

    void OnCommand(int nID) override;

private:
    friend class DialogWindow;
    friend class CDataExchange;
    struct Control;

    void createWindow(CWnd* owner);
    void centreOnFirstShow();
    void setInitialFocus();
    void releaseOwner();

    // Keyboard and close box, as the dialog manager handles them.
    void onEnterKey();
    void onEscapeKey();
    void onCloseRequest();
    bool moveFocus(bool forward);
    void onFocusChanged(QWidget* now);

    Control* controlFor(QWidget* widget);
    bool attachControl(int nID, CWnd& control);

    const DialogTemplate& m_template;
    CWnd* m_pParentWnd;
    CWnd* m_pOwner = nullptr;
    bool m_bModal = false;
    bool m_bEnded = false;
    bool m_bOwnerDisabledByUs = false;
    bool m_bCentred = false;
    int m_nModalResult = -1;
    class QEventLoop* m_pLoop = nullptr;
    std::vector<std::unique_ptr<Control>> m_controls;
};
