#include "transfer/Delete.h"

#include "connection/Ftp.h"
#include "res/resource.h"
#include "transfer/OperationState.h"
#include "transfer/ProgressOutcome.h"

namespace {

constexpr UINT_PTR kDeleteTimerId = 1;
constexpr UINT kDeleteTimerPeriodMs = 500;

// The program directory holds the program file alone, with "." and "..".
constexpr int kEntriesExamined = 3;

// Either way the menu comes back: the delete never ends it.
// clang-format off
constexpr OutcomeRow kDeleteOutcomes[] = {
    {STATUS_FAILED,
     "プログラムの削除に失敗しました。\n電源を切る前に、もう一度プログラム\nアップロードをしてください。",
     "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP, kDestroyWindow | kGiveBackMenu},
    {STATUS_DONE,
     "プログラムの削除が終了しました。\n電源を切る前に、もう一度プログラム\nアップロードをしてください。",
     "ﾒｯｾｰｼﾞ", MB_OK | MB_ICONINFORMATION, kDestroyWindow | kGiveBackMenu},
};
// clang-format on

bool isDotEntry(const std::string& name)
{
    return name == "." || name == "..";
}

} // namespace

CDelete::CDelete() : CDialog(DialogResource(IDD_DELETE)) {}

const MessageMap* CDelete::GetMessageMap() const
{
    static const MessageMap map{CDialog::GetMessageMap(),
                                {
                                    msg::onShowWindow(&CDelete::OnShowWindow),
                                    msg::onEditSetFocus(IDC_STATUS_TEXT, &CDelete::OnSetfocusText),
                                    msg::onTimer(&CDelete::OnTimer),
                                }};
    return &map;
}

void CDelete::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_STATUS_TEXT, m_strStatus);
}

void CDelete::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetTimer(kDeleteTimerId, kDeleteTimerPeriodMs);
}

void CDelete::OnTimer(UINT_PTR nIDEvent)
{
    if (AdvanceBlinkPhase() == 0)
        m_strStatus = "　　　　　　　　お待ちください。";
    else
        m_strStatus.clear();
    UpdateData(FALSE);

    // Any other value, a cancelled status included, is still running.
    ReportOutcome(*this, kDeleteTimerId, kDeleteOutcomes, g_nStatus.load());

    CDialog::OnTimer(nIDEvent);
}

void CDelete::OnSetfocusText()
{
    SetFocus();
}

void CDelete::OnOK() {}

void CDelete::PostNcDestroy()
{
    // Made with new for one delete; released once its window is gone.
    DeleteThisLater();
}

UINT DeleteThread(void* /*pParam*/)
{
    if (g_pFtpConnection == nullptr) {
        StoreFinalStatus(STATUS_FAILED);
        return 0;
    }
    g_szFileName = g_szRemotePath;
    CFtpFileFind finder(g_pFtpConnection, 1);
    const BOOL found = finder.FindFile(g_szFileName, INTERNET_FLAG_RELOAD);

    bool removedAny = false;
    BOOL lastRemoval = FALSE;
    if (found) {
        for (int step = 0; step < kEntriesExamined; ++step) {
            const BOOL more = finder.FindNextFile();
            const std::string name = finder.GetFileName();
            if (!name.empty() && !isDotEntry(name)) {
                g_szFileName = g_szRemotePath + name;
                lastRemoval = g_pFtpConnection->Remove(g_szFileName);
                removedAny = true;
            }
            if (!more)
                break; // that was the listing's last entry
        }
    }
    finder.Close();

    if (!found)
        StoreFinalStatus(STATUS_FAILED);
    else
        StoreFinalStatus(!removedAny || lastRemoval ? STATUS_DONE : STATUS_FAILED);
    return 0;
}
