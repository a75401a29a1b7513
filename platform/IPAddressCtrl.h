#pragma once

#include "platform/Wnd.h"

// An IPv4 address control of a dialog, attached with DDX_Control.
class CIPAddressCtrl : public CWnd
{
public:
    // Reads the four fields (a blank field as 0); returns how many are not blank.
    int GetAddress(BYTE& nField0, BYTE& nField1, BYTE& nField2, BYTE& nField3);
    void SetAddress(BYTE nField0, BYTE nField1, BYTE nField2, BYTE nField3);
};
