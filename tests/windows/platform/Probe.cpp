#include "tests/windows/platform/Probe.h"

#include "platform/WinApp.h"
#include "tests/windows/WindowTest.h"

#include <QApplication>
#include <QWidget>

namespace probe {

// The application object of these tests; the framework finds the main
// window through it.
CWinApp g_testApp;

ProbeDialog::ProbeDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd)
    : CDialog(dialogTemplate, pParentWnd)
{}

ProbeDialog::~ProbeDialog()
{
    if (destroyed != nullptr)
        *destroyed = true;
}

const MessageMap* ProbeDialog::GetMessageMap() const
{
    static const MessageMap map{
        CDialog::GetMessageMap(),
        {
            msg::onShowWindow(&ProbeDialog::OnShowWindow),
            msg::onTimer(&ProbeDialog::OnTimer),
            msg::onEditSetFocus(kEdit, &ProbeDialog::OnSetfocusEdit),
            msg::onEditSetFocus(kEditNoStop, &ProbeDialog::OnSetfocusEditNoStop),
            msg::onCommand(kPlain, &ProbeDialog::OnPlain),
        }};
    return &map;
}

bool ProbeDialog::Open()
{
    if (!Create())
        return false;
    ShowWindow(SW_SHOW);
    return kelvor::test::waitFor([this] { return kelvor::test::isActive(*this); });
}

void ProbeDialog::OnShowWindow(BOOL bShow, UINT)
{
    events.push_back("show " + std::to_string(bShow) +
                     (widget()->isVisible() ? " visible" : " hidden"));
}

void ProbeDialog::OnTimer(UINT_PTR nIDEvent)
{
    events.push_back("timer " + std::to_string(nIDEvent));
    if (onTick)
        onTick(nIDEvent);
}

void ProbeDialog::OnSetfocusEdit()
{
    focusReached(kEdit);
}

void ProbeDialog::OnSetfocusEditNoStop()
{
    focusReached(kEditNoStop);
}

void ProbeDialog::focusReached(int id)
{
    editFocus.push_back(id);
    if (focusSelfOnEditFocus)
        SetFocus();
}

void ProbeDialog::OnPlain()
{
    events.push_back("plain");
    if (onPlain)
        onPlain();
}

BOOL ProbeDialog::OnInitDialog()
{
    if (loadOnInit)
        return CDialog::OnInitDialog();
    return TRUE;
}

void ProbeDialog::OnOK()
{
    events.push_back("OK");
    if (passDefaults)
        CDialog::OnOK();
}

void ProbeDialog::OnCancel()
{
    events.push_back("Cancel");
    if (passDefaults)
        CDialog::OnCancel();
}

void ProbeDialog::OnCommand(int nID)
{
    events.push_back("command " + std::to_string(nID));
    CDialog::OnCommand(nID);
}

void ProbeDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    if (textId != 0) {
        DDX_Text(pDX, textId, text);
        if (maxChars > 0)
            DDV_MaxChars(pDX, text, maxChars);
    }
    if (exchangeAddress)
        DDX_Control(pDX, kAddress, address);
}

void ProbeDialog::PostNcDestroy()
{
    if (releaseOnDestroy)
        DeleteThisLater();
}

MainWindowScope::MainWindowScope(CWnd* wnd)
{
    g_testApp.m_pMainWnd = wnd;
}

MainWindowScope::~MainWindowScope()
{
    g_testApp.m_pMainWnd = nullptr;
}

bool hasFocus(CDialog& dialog, int id)
{
    QWidget* control = kelvor::test::controlOf(dialog, id);
    QWidget* focus = QApplication::focusWidget();
    return control != nullptr && focus != nullptr &&
           (focus == control || control->isAncestorOf(focus));
}

} // namespace probe
