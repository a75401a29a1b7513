#pragma once

#include "platform/Types.h"

#include <functional>
#include <string>

class CWnd;

// Shows a message box owned by owner (which is disabled meanwhile) and waits
// until it is closed. nType combines one button set (MB_OK, MB_OKCANCEL) and
// one icon (MB_ICONSTOP, MB_ICONQUESTION, MB_ICONEXCLAMATION,
// MB_ICONINFORMATION). Enter gives OK; Escape and the close box give Cancel,
// or OK where OK is the only button. Returns IDOK or IDCANCEL.
int MessageBox(CWnd* owner, const std::string& text, const std::string& caption, UINT nType);

// What a message box was asked to show; for tests.
struct MessageBoxRequest
{
    CWnd* owner;
    std::string text;
    std::string caption;
    UINT type;
};

// While set, message boxes are not shown: the hook sees each request and
// returns the answer (IDOK or IDCANCEL). Pass nullptr to show them again.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);
