#include "transfer/Upload.h"

#include "connection/Ftp.h"
#include "res/resource.h"
#include "transfer/OperationState.h"
#include "transfer/ProgressOutcome.h"

#include <cstdio>

namespace {

constexpr UINT_PTR kUploadTimerId = 1;
constexpr UINT kUploadTimerPeriodMs = 500;
constexpr int kStatusMaxChars = 255;
constexpr int kElapsedMaxChars = 50;

// What each final status shows, and what follows: a failure gives the menu
// back for another try; a success or a cancel ends the menu and the program.
// clang-format off
constexpr OutcomeRow kUploadOutcomes[] = {
    {STATUS_FAILED,
     "アップロードに失敗しました。",
     "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP, kDestroyWindow | kGiveBackMenu},
    {STATUS_DONE,
     "アップロードが終了しました。\n\nＫＥＬＶＯＲの電源を入れなおしてください。\n"
     "システムが動作するまでに時間がかかります。\nしばらくお待ちください。",
     "ﾒｯｾｰｼﾞ", MB_OK | MB_ICONINFORMATION, kDestroyWindow | kGiveBackMenu | kEndMenu},
    {STATUS_CANCELLED,
     "アップロードを中止しました。\n電源を切る前に、もう一度プログラム\nアップロードをしてください。",
     "ﾒｯｾｰｼﾞ", MB_OK | MB_ICONINFORMATION, kEndMenu},
};
// clang-format on

} // namespace

CUpload::CUpload() : CDialog(DialogResource(IDD_UPLOAD)) {}

const MessageMap* CUpload::GetMessageMap() const
{
    static const MessageMap map{CDialog::GetMessageMap(),
                                {
                                    msg::onShowWindow(&CUpload::OnShowWindow),
                                    msg::onTimer(&CUpload::OnTimer),
                                    msg::onEditSetFocus(IDC_STATUS_TEXT, &CUpload::OnSetfocusText),
                                    msg::onEditSetFocus(IDC_ELAPSED_TEXT, &CUpload::OnSetfocusText),
                                }};
    return &map;
}

void CUpload::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_STATUS_TEXT, m_strStatus);
    DDV_MaxChars(pDX, m_strStatus, kStatusMaxChars);
    DDX_Text(pDX, IDC_ELAPSED_TEXT, m_strElapsed);
    DDV_MaxChars(pDX, m_strElapsed, kElapsedMaxChars);
}

void CUpload::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetTimer(kUploadTimerId, kUploadTimerPeriodMs);
    g_nElapsed = 0;
    m_strElapsed.clear();
    UpdateData(FALSE);
}

void CUpload::OnTimer(UINT_PTR nIDEvent)
{
    if (AdvanceBlinkPhase() == 0) {
        m_strStatus = "　　　　　　しばらくお待ちください。";
        ++g_nElapsed;
    } else {
        m_strStatus.clear();
    }

    char szElapsed[128];
    std::snprintf(szElapsed, sizeof szElapsed, "　　　　　　　経過時間　%d分%02d秒",
                  g_nElapsed / 60, g_nElapsed % 60);
    g_szElapsedText = szElapsed;
    m_strElapsed = g_szElapsedText;
    UpdateData(FALSE);

    // Any other value is still running.
    ReportOutcome(*this, kUploadTimerId, kUploadOutcomes, g_nStatus.load());

    CDialog::OnTimer(nIDEvent);
}

void CUpload::OnSetfocusText()
{
    SetFocus();
}

void CUpload::OnOK()
{
    // Stop first: once RequestStop has returned the worker can store
    // nothing more. Only then is a still running upload marked cancelled; a
    // result the worker stored before (a failure to retry, a finished
    // upload) is what the next tick reports.
    if (g_pWorkerThread)
        g_pWorkerThread->RequestStop();
    int running = STATUS_RUNNING;
    g_nStatus.compare_exchange_strong(running, STATUS_CANCELLED);
    try {
        ResetInternetSession(g_strDeviceAddress);
    } catch (...) {
        // The cancel goes on even when no session can be opened.
    }
    CDialog::OnOK();
}

void CUpload::PostNcDestroy()
{
    // Made with new for one upload; released once its window is gone.
    DeleteThisLater();
}

int ResetInternetSession(const std::string& /*strAddress*/)
{
    CInternetSession session;
    session.Close();
    return 0;
}

UINT UploadThread(void* /*pParam*/)
{
    BOOL bSent = FALSE;
    try {
        bSent =
            g_pFtpConnection != nullptr &&
            g_pFtpConnection->PutFile(g_szLocalPath, g_szRemotePath, FTP_TRANSFER_TYPE_BINARY, 1);
    } catch (...) {
        StoreFinalStatus(STATUS_FAILED);
        return 0;
    }
    if (bSent) {
        try {
            ResetInternetSession(g_strDeviceAddress);
        } catch (...) {
            // The file is on the unit; a session that cannot be opened here
            // changes nothing about that.
        }
    }
    StoreFinalStatus(bSent ? STATUS_DONE : STATUS_FAILED);
    return 0;
}
