#pragma once

#include "connection/ProgramFile.h"
#include "platform/Dialog.h"
#include "platform/WorkerThread.h"

// The operations menu: upload the program to the unit, or delete it there.
// Each command asks first, reads the settings file, prepares the paths, and
// starts the worker with its progress window; the menu stays disabled until
// the progress window gives it back or ends it.
class CSubMenu : public CDialog
{
public:
    explicit CSubMenu(CWnd* pParent = nullptr);

    const MessageMap* GetMessageMap() const override;

protected:
    void OnUpload();
    void OnDelete();
    void OnMenuHelp();

private:
    // Asks the question, then puts the working directory into the local path
    // and checks for the settings file there. False when the command stops:
    // the user said no, or there is no settings file (the user has been told).
    bool ConfirmAndFindSettings(const char* question);
    // Shows the progress window, disables the menu and starts the worker.
    void StartOperation(CDialog* pProgressWindow, AFX_THREADPROC pfnWorker);
    void ReportSettingsError();

    // The upload's program file, held from the check until the next command
    // (g_szLocalPath names it), so that the worker reads what was checked.
    ProgramFile m_programFile;
};

// The operations menu; run at most once per process, by the connection
// dialog (which defines it).
extern CSubMenu g_dlgSubMenu;
