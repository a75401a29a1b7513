#pragma once

#include "platform/DataExchange.h"
#include "platform/Dialog.h"

#include <string>

// The delete's progress window: stays on top, blinks a wait text and reports
// the outcome; the delete cannot be cancelled. Enter does nothing, Escape
// only hides the window.
class CDelete : public CDialog
{
public:
    CDelete();

    const MessageMap* GetMessageMap() const override;

    std::string m_strStatus;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override; // nothing at all
    void PostNcDestroy() override;

    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnTimer(UINT_PTR nIDEvent);
    void OnSetfocusText();
};

// Lists the program directory on the unit, removes the files among the
// first three entries, and stores the outcome.
UINT DeleteThread(void* pParam);
