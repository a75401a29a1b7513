#include "transfer/OperationState.h"

#include "connection/Ftp.h"

std::string g_strDeviceAddress;
CFtpConnection* g_pFtpConnection = nullptr;
int g_bPassive = 0;

std::string g_szLocalPath;
std::string g_szIniPath;
std::string g_szRemotePath;
std::string g_szFileName;
ProgramFile g_programFile;

std::atomic<int> g_nStatus{STATUS_FAILED};
HWND g_hMenuWnd = nullptr;
std::unique_ptr<CWinThread> g_pWorkerThread;

int g_nBlink = 0;
int g_nElapsed = 0;
std::string g_szElapsedText;

void StoreFinalStatus(int nStatus)
{
    CWinThread::CommitUnlessStopped([nStatus] { g_nStatus.store(nStatus); });
}

bool ReleaseOperationState(std::chrono::milliseconds workerEndBound)
{
    bool workerGone = true;
    if (g_pWorkerThread) {
        workerGone = g_pWorkerThread->StopAndWait(workerEndBound);
        g_pWorkerThread.reset(); // waits no more
    }
    if (!workerGone)
        return false;
    delete g_pFtpConnection;
    g_pFtpConnection = nullptr;
    g_programFile = {};
    return true;
}
