#pragma once

#include "platform/Types.h"

#include <string>

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

    // endFromOutside, when given, takes the ends that do not come from the
    // program while it runs (WatchEndsFromOutside).
    int Run(int argc, char** argv, void (*endFromOutside)(int exitCode) = nullptr);

    CWnd* m_pMainWnd = nullptr;
};

CWnd* AfxGetMainWnd();

// A message box of the framework's own: captioned with the application's
// name, owned by the framework's default owner of a modal window.
int AfxMessageBox(const std::string& text, UINT nType = MB_OK);

// Gives controls the look the program was designed with.
void Enable3dControlsStatic();
