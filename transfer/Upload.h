#pragma once

#include "platform/DataExchange.h"
#include "platform/Dialog.h"

#include <string>

// The upload's progress window: stays on top, blinks a wait text, counts
// the elapsed time, offers Cancel (its button and Enter), and reports the
// outcome. Escape only hides it; the upload and the report go on.
class CUpload : public CDialog
{
public:
    CUpload();

    const MessageMap* GetMessageMap() const override;

    std::string m_strStatus;
    std::string m_strElapsed;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override; // Cancel
    void PostNcDestroy() override;

    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnTimer(UINT_PTR nIDEvent);
    void OnSetfocusText();
};

// Sends the program file to the unit and stores the outcome.
UINT UploadThread(void* pParam);

// Opens an internet session and closes it again at once.
int ResetInternetSession(const std::string& strAddress);
