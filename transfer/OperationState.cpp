#include "transfer/OperationState.h"

#include "connection/Ftp.h"

#include <chrono>

std::string g_strDeviceAddress;
CFtpConnection* g_pFtpConnection = nullptr;
int g_bPassive = 0;

std::string g_szLocalPath;
std::string g_szIniPath;
std::string g_szRemotePath;
std::string g_szFileName;

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

void ReleaseOperationState()
{
    // A stopped worker notices within about a second even in libcurl's
    // blocking wait for an upload's final reply; one that has not ended in
    // this time is stuck, and the program ends without it.
    constexpr auto kWorkerEndBound = std::chrono::seconds(5);

    bool workerGone = true;
    if (g_pWorkerThread) {
        workerGone = g_pWorkerThread->StopAndWait(kWorkerEndBound);
        g_pWorkerThread.reset(); // waits no more
    }
    if (workerGone) {
        delete g_pFtpConnection;
        g_pFtpConnection = nullptr;
    }
}
