#pragma once

#include "platform/WinApp.h"

// The application: checks the socket layer, then runs the main window.
class CRT_UTApp : public CWinApp
{
public:
    // Runs the whole program and returns FALSE: when it returns, the program ends.
    BOOL InitInstance() override;
};

extern CRT_UTApp theApp;
