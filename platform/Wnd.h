#pragma once

#include "platform/MessageMap.h"
#include "platform/Types.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <string>

class CWnd;

// A window is named by its window object; a null handle names no window.
using HWND = CWnd*;

// A window: a dialog or one of its controls.
//
// Windows are top-level widgets without a widget parent, so disabling one
// never disables another: an owner and the windows it owns stay independent,
// and a modeless window keeps working while its owner is disabled by a modal
// dialog.
class CWnd
{
public:
    CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    // This window's handle while its window exists, else null.
    HWND GetSafeHwnd();

    // Returns TRUE when the window was disabled before the call.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;

    // SW_SHOW shows and activates, SW_HIDE hides; either is announced to the
    // window first (its show-window handler). Returns whether it was visible.
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;

    CWnd* SetActiveWindow();
    CWnd* SetFocus();

    // Only the z-order part is supported: HWND_TOPMOST keeps the window above
    // all windows that are not topmost themselves.
    BOOL SetWindowPos(ZOrder insertAfter, int x, int y, int cx, int cy, UINT nFlags);

    virtual BOOL DestroyWindow();

    // Starts, or restarts, timer nIDEvent; its ticks arrive as timer messages.
    // The timer is a child of the window's widget, named "timer <id>".
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // A message box owned by this window (none once the window is gone).
    int MessageBox(const std::string& text, const std::string& caption, UINT nType = MB_OK);

    // The control with this id, for a window that has controls; else null.
    virtual CWnd* GetDlgItem(int nID);

    // Makes this object the window object of control nID of pParent (once):
    // from then on pParent's GetDlgItem(nID) returns this object.
    // UnsubclassWindow lets the control go again.
    BOOL SubclassDlgItem(int nID, CWnd* pParent);
    void UnsubclassWindow();

    // Delivers a message to this window's handler, or to the default one.
    // A failure escaping a handler is reported to the user and goes no further.
    void SendMessage(const Message& message);

    virtual const MessageMap* GetMessageMap() const;

    // Default handling of show-window and timer messages (nothing to do).
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnTimer(UINT_PTR nIDEvent);

    // The widget behind the window, for the layer itself and for tests.
    QWidget* widget() const { return m_widget; }

    // Windows that still exist; the application destroys them at its end.
    static void DestroyAllWindows();

protected:
    // Called once the window is gone. A window object made with new for a
    // single use releases itself here, with DeleteThisLater().
    virtual void PostNcDestroy();

    // Deletes this object once the current handler has returned to the event
    // loop, so a handler may destroy its own window and go on running.
    void DeleteThisLater();

    // Default processing of a command no map entry handles.
    virtual void OnCommand(int nID);

    void AttachWidget(QWidget* widget, bool ownsWidget);

    // The general failure report: a stop-icon message box owned by this
    // window. ReportCurrentException() is for use inside a catch block and
    // tells what the exception being handled says, where it says something.
    void ReportFailure(const std::string& text);
    void ReportCurrentException();

private:
    void dispatch(const Message& message);

    // What a window with controls does when one of them is subclassed:
    // it remembers control as the control's window object. The default
    // (a window without controls) refuses.
    virtual bool onDlgItemSubclassed(int nID, CWnd& control);

    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_focusWhileDisabled;
    bool m_ownsWidget = false;
    std::map<UINT_PTR, QPointer<QTimer>> m_timers;
};

BOOL EnableWindow(HWND hWnd, BOOL bEnable);
HWND SetActiveWindow(HWND hWnd);
