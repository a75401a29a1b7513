#pragma once

#include "platform/Types.h"

#include <string>

class QWidget;

// Shows a message box owned by the window ownerWindow (which is disabled
// meanwhile; null for none) and waits until it is closed. nType combines one
// button set (MB_OK, MB_OKCANCEL) and one icon (MB_ICONSTOP,
// MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONINFORMATION). Enter gives OK;
// Escape and the close box give Cancel, or OK where OK is the only button.
// Returns IDOK or IDCANCEL.
int ShowMessageBox(QWidget* ownerWindow, const std::string& text, const std::string& caption,
                   UINT nType);
