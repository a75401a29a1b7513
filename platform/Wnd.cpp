#include "platform/Wnd.h"

#include "platform/AppName.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "platform/RunWhileWaiting.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace {

// Windows whose widget belongs to their window object.
std::vector<CWnd*>& liveWindows()
{
    // Never destroyed: window objects that are globals may outlive any
    // ordinary static here.
    static auto* windows = new std::vector<CWnd*>;
    return *windows;
}

void forget(CWnd* wnd)
{
    auto& windows = liveWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), wnd), windows.end());
}

const char* const kUnexpectedFailure = "処理を続けられませんでした。";

} // namespace

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    forget(this);
    for (auto& [id, timer] : m_timers)
        delete timer.data();
    m_timers.clear();
    if (m_ownsWidget && m_widget)
        delete m_widget.data();
}

HWND CWnd::GetSafeHwnd()
{
    return m_widget ? this : nullptr;
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    if (!m_widget)
        return FALSE;
    const BOOL wasDisabled = m_widget->isEnabled() ? FALSE : TRUE;
    if (!bEnable && !wasDisabled && m_widget->isWindow()) {
        // Disabling moves the focus out of the window; the window gets it
        // back where it was once it is enabled again.
        m_focusWhileDisabled = m_widget->focusWidget();
    }
    m_widget->setEnabled(bEnable != FALSE);
    if (bEnable && wasDisabled && m_focusWhileDisabled) {
        if (m_focusWhileDisabled->isEnabled() && m_focusWhileDisabled->isVisible())
            m_focusWhileDisabled->setFocus(Qt::OtherFocusReason);
        m_focusWhileDisabled.clear();
    }
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const
{
    return m_widget && m_widget->isEnabled() ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    if (!m_widget)
        return FALSE;
    const bool wasVisible = m_widget->isVisible();
    const bool show = nCmdShow != SW_HIDE;
    if (show != wasVisible)
        SendMessage({MessageKind::ShowWindow, 0, show ? 1u : 0u, 0});
    if (!m_widget) // the handler may have destroyed the window
        return wasVisible ? TRUE : FALSE;
    if (show) {
        m_widget->show();
        if (m_widget->isWindow()) {
            m_widget->raise();
            m_widget->activateWindow();
        }
    } else {
        m_widget->hide();
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const
{
    return m_widget && m_widget->isVisible() ? TRUE : FALSE;
}

CWnd* CWnd::SetActiveWindow()
{
    if (m_widget) {
        QWidget* window = m_widget->window();
        window->raise();
        window->activateWindow();
    }
    return this;
}

CWnd* CWnd::SetFocus()
{
    if (m_widget)
        m_widget->setFocus(Qt::OtherFocusReason);
    return this;
}

BOOL CWnd::SetWindowPos(ZOrder /*insertAfter: always topmost*/, int /*x*/, int /*y*/, int /*cx*/,
                        int /*cy*/, UINT /*nFlags*/)
{
    if (!m_widget || !m_widget->isWindow())
        return FALSE;
    Qt::WindowFlags flags = m_widget->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, true);
    if (m_widget->isVisible() && m_widget->windowHandle() != nullptr) {
        // Changing the widget's flags would hide it; tell the window directly.
        m_widget->overrideWindowFlags(flags);
        m_widget->windowHandle()->setFlags(flags);
    } else {
        m_widget->setWindowFlags(flags);
    }
    m_widget->raise();
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_widget)
        return FALSE;
    while (!m_timers.empty())
        KillTimer(m_timers.begin()->first);
    forget(this);
    QWidget* widget = m_widget.data();
    m_widget.clear();
    widget->hide();
    if (m_ownsWidget) {
        // A handler of this very window may be running: let it return first.
        widget->deleteLater();
    }
    m_ownsWidget = false;
    PostNcDestroy();
    return TRUE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse)
{
    if (!m_widget)
        return 0;
    auto& timer = m_timers[nIDEvent];
    if (!timer) {
        timer = new QTimer(m_widget);
        timer->setObjectName(QStringLiteral("timer %1").arg(nIDEvent));
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, m_widget, [this, nIDEvent] {
            SendMessage({MessageKind::Timer, 0, nIDEvent, 0});
        });
    }
    timer->start(static_cast<int>(nElapse));
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    const auto it = m_timers.find(nIDEvent);
    if (it == m_timers.end())
        return FALSE;
    // The tick being handled may belong to this timer: stop it now, delete it
    // once the handler has returned.
    if (QTimer* timer = it->second) {
        timer->stop();
        timer->deleteLater();
    }
    m_timers.erase(it);
    return TRUE;
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT nType)
{
    return ShowMessageBox(m_widget, text, caption, nType);
}

CWnd* CWnd::GetDlgItem(int)
{
    return nullptr;
}

BOOL CWnd::SubclassDlgItem(int nID, CWnd* pParent)
{
    if (m_widget || pParent == nullptr)
        return FALSE;
    CWnd* item = pParent->GetDlgItem(nID);
    if (item == nullptr || item->widget() == nullptr)
        return FALSE;
    QWidget* control = item->widget();
    if (!pParent->onDlgItemSubclassed(nID, *this))
        return FALSE;
    AttachWidget(control, false);
    return TRUE;
}

void CWnd::UnsubclassWindow()
{
    if (!m_ownsWidget)
        m_widget.clear();
}

bool CWnd::onDlgItemSubclassed(int, CWnd&)
{
    return false;
}

void CWnd::SendMessage(const Message& message)
{
    // While a call is waited for, a command would run a handler inside the
    // one that waits (a screen reader's press of a button and a close sent
    // by the session are no input, so they are not dropped as input is).
    if (message.kind == MessageKind::Command && IsWaiting())
        return;
    try {
        dispatch(message);
    } catch (...) {
        ReportCurrentException();
    }
}

void CWnd::ReportCurrentException()
{
    std::string text;
    try {
        throw;
    } catch (const CException& failure) {
        if (!failure.GetErrorMessage(text))
            text.clear();
    } catch (...) {
    }
    if (text.empty())
        text = kUnexpectedFailure;
    ReportFailure(text);
}

void CWnd::ReportFailure(const std::string& text)
{
    MessageBox(text, AfxGetAppName(), MB_OK | MB_ICONSTOP);
}

void CWnd::dispatch(const Message& message)
{
    const MessageMap* map = GetMessageMap();
    const MessageMapEntry* entry = map ? map->find(message.kind, message.id) : nullptr;
    if (entry != nullptr) {
        entry->handler(*this, message);
        return;
    }
    switch (message.kind) {
    case MessageKind::Command:
        OnCommand(message.id);
        break;
    case MessageKind::ShowWindow:
        OnShowWindow(message.param != 0 ? TRUE : FALSE, message.status);
        break;
    case MessageKind::Timer:
        OnTimer(message.param);
        break;
    case MessageKind::EditSetFocus:
        break;
    }
}

const MessageMap* CWnd::GetMessageMap() const
{
    static const MessageMap map{nullptr, {}};
    return &map;
}

void CWnd::OnShowWindow(BOOL, UINT) {}

void CWnd::OnTimer(UINT_PTR) {}

void CWnd::OnCommand(int) {}

void CWnd::PostNcDestroy() {}

void CWnd::DeleteThisLater()
{
    QTimer::singleShot(0, QCoreApplication::instance(), [this] { delete this; });
}

void CWnd::AttachWidget(QWidget* widget, bool ownsWidget)
{
    m_widget = widget;
    m_ownsWidget = ownsWidget;
    if (ownsWidget)
        liveWindows().push_back(this);
}

void CWnd::DestroyAllWindows()
{
    // Destroying a window may release its object, so work from a copy.
    const std::vector<CWnd*> windows = liveWindows();
    for (CWnd* wnd : windows) {
        if (std::find(liveWindows().begin(), liveWindows().end(), wnd) != liveWindows().end())
            wnd->DestroyWindow();
    }
    // Let deferred deletions (widgets, released window objects) happen now.
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    return hWnd != nullptr ? hWnd->EnableWindow(bEnable) : FALSE;
}

HWND SetActiveWindow(HWND hWnd)
{
    if (hWnd != nullptr)
        hWnd->SetActiveWindow();
    return hWnd;
}
