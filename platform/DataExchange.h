#pragma once

#include "platform/Exception.h"
#include "platform/Types.h"

#include <string>

class CWnd;
class QWidget;

// Thrown by a failed validation; UpdateData turns it into FALSE.
class CUserException : public CException
{};

// One run of a dialog's data exchange, in one direction.
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    // Looks up a control for an exchange; a following validation applies to it.
    QWidget* PrepareCtrl(int nIDC);

    // Ends the exchange as failed: the last control gets the focus (its text
    // selected) and the exchange stops.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0; // the control a following validation applies to
};

// Exchanges the text of an edit control with value.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);

// Limits the text just exchanged to nChars characters: loading sets the
// control's limit, reading tells the user and fails when value is longer.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars);

// Attaches rControl to the control with id nIDC (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
