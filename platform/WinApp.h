#pragma once

#include "platform/Types.h"

#include <functional>
#include <string>
#include <string_view>

class CWnd;

// The application: one object, made before main() runs. Run() sets up the
// window system, calls InitInstance(), and ends the process's window
// business when it returns; there is no message loop of the application's
// own, so the program ends when InitInstance() returns.
class CWinApp
{
public:
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    int Run(int argc, char** argv);

    CWnd* m_pMainWnd = nullptr;
};

// The application's name, as captions of the framework's own messages show
// it: the executable's name.
std::string AfxGetAppName();

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// A message box of the framework's own: captioned with the application's
// name, owned by the active modal dialog or else the main window.
int AfxMessageBox(const std::string& text, UINT nType = MB_OK);

// Gives controls the look the program was designed with.
void Enable3dControlsStatic();

// Diagnostic output (standard error), printf-style.
void AfxTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// For tests: receives each trace line instead of standard error.
using TraceHook = std::function<void(std::string_view line)>;
void SetTraceHook(TraceHook hook);
