#pragma once

// The state an operation's worker thread and its progress window share. The
// two sides meet only here: the connection and paths the worker uses, the
// status word the worker writes once and the window polls, and the menu
// window the progress window gives back control to.

#include "connection/ProgramFile.h"
#include "platform/Wnd.h"
#include "platform/WorkerThread.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

class CFtpConnection;

enum OperationStatus : int
{
    STATUS_RUNNING = -2,  // started, no outcome yet
    STATUS_FAILED = 0,    // the operation failed
    STATUS_DONE = 1,      // the operation succeeded
    STATUS_CANCELLED = 2, // the user cancelled the upload
};

extern std::string g_strDeviceAddress; // "%d.%d.%d.%d", written by the connection dialog
extern CFtpConnection* g_pFtpConnection;
extern int g_bPassive;

// Paths of the current operation; rebuilt by every command of the menu.
extern std::string g_szLocalPath;
extern std::string g_szIniPath;
extern std::string g_szRemotePath;
extern std::string g_szFileName;
// The upload's program file, held from the check until the next command;
// g_szLocalPath names it.
extern ProgramFile g_programFile;

extern std::atomic<int> g_nStatus;
extern HWND g_hMenuWnd;
extern std::unique_ptr<CWinThread> g_pWorkerThread;

// Blink phase of the wait text, shared by both progress windows and never
// reset; seconds counted by the upload window and its formatted line.
extern int g_nBlink;
extern int g_nElapsed;
extern std::string g_szElapsedText;

// The worker's one store of its outcome. After the worker has been stopped
// it stores nothing, even if it is still unwinding.
void StoreFinalStatus(int nStatus);

// A stopped worker notices within about a second even in libcurl's blocking
// wait for an upload's final reply; one that has not ended in this time is
// stuck.
inline constexpr std::chrono::milliseconds kWorkerEndBound = std::chrono::seconds(5);

// At the program's end: stops a worker that still runs, waits up to
// workerEndBound for it, and releases the connection. Returns false, and
// releases nothing, when the worker has not ended: it may still use the
// connection and every other global, so the process must then end without
// destroying them (ExitAtOnce).
bool ReleaseOperationState(std::chrono::milliseconds workerEndBound = kWorkerEndBound);
