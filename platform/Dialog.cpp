#include "platform/Dialog.h"

#include "platform/DataExchange.h"
#include "platform/DefaultOwner.h"
#include "platform/DialogBuilder.h"
#include "platform/DialogManager.h"
#include "platform/DialogWindow.h"
#include "platform/Trace.h"
#include "platform/WindowPlacement.h"

#include <QEventLoop>
#include <QPushButton>
#include <QWindow>

namespace {

// The window object GetDlgItem hands out for a control nobody subclassed.
class ControlWnd : public CWnd
{
public:
    explicit ControlWnd(QWidget* widget) { AttachWidget(widget, false); }
};

CWnd* existingOrNone(CWnd* wnd)
{
    return wnd != nullptr && wnd->GetSafeHwnd() != nullptr ? wnd : nullptr;
}

} // namespace

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd)
    : m_template(dialogTemplate), m_pParentWnd(pParentWnd)
{}

CDialog::~CDialog()
{
    LeaveModalLoop(this);
    if (auto* window = qobject_cast<DialogWindow*>(widget()))
        window->setManager(nullptr);
}

const MessageMap* CDialog::GetMessageMap() const
{
    static const MessageMap map{CWnd::GetMessageMap(),
                                {
                                    msg::onCommand(IDOK, &CDialog::OnOK),
                                    msg::onCommand(IDCANCEL, &CDialog::OnCancel),
                                }};
    return &map;
}

void CDialog::createWindow(CWnd* owner)
{
    m_pOwner = owner != this ? owner : nullptr;

    auto* window = new DialogWindow(windowFlagsFor(m_template));
    // Named after its template, as the controls are after their ids.
    window->setObjectName(QStringLiteral("dialog%1").arg(m_template.id));
    const QFont font = dialogFont(m_template.fontFace, m_template.pointSize);
    window->setFont(font);
    const DialogBaseUnits units = dialogBaseUnits(font);
    window->setFixedSize(dialogClientSize(m_template, units));
    window->setWindowTitle(QString::fromUtf8(m_template.caption));
    AttachWidget(window, true);

    std::vector<DialogControl> controls;
    for (const BuiltControl& built : buildControls(m_template, window, units)) {
        const int id = built.item->id;
        if (auto* button = qobject_cast<QPushButton*>(built.widget)) {
            QObject::connect(button, &QPushButton::clicked, window, [this, id, button] {
                // A click already under way when the button was disabled
                // (a screen reader's press is a timed one) gives nothing,
                // as a disabled button gives nothing.
                if (button->isEnabled())
                    SendMessage({MessageKind::Command, id, 0, 0});
            });
        }
        if (auto* edit = qobject_cast<EditControl*>(built.widget)) {
            QObject::connect(edit, &EditControl::focusReceived, window, [this, id] {
                SendMessage({MessageKind::EditSetFocus, id, 0, 0});
            });
        }
        controls.push_back({built.item, built.widget});
    }
    m_manager =
        std::make_unique<DialogManager>(m_template, window, std::move(controls), [this](int id) {
            SendMessage({MessageKind::Command, id, 0, 0});
        });
    window->setManager(m_manager.get());
    window->setFirstShowHandler([this] { centreOverOwner(); });

    if (m_pOwner != nullptr) {
        window->winId();
        QWidget* ownerWindow = m_pOwner->widget()->window();
        ownerWindow->winId();
        window->windowHandle()->setTransientParent(ownerWindow->windowHandle());
    }
}

BOOL CDialog::initDialog()
{
    try {
        return OnInitDialog();
    } catch (...) {
        ReportCurrentException();
        return TRUE;
    }
}

int CDialog::DoModal()
{
    if (widget() != nullptr)
        return -1;
    CWnd* owner =
        m_pParentWnd != nullptr ? existingOrNone(m_pParentWnd) : DefaultOwner(OwnedWindow::Modal);

    m_bModal = true;
    m_bEnded = false;
    m_nModalResult = -1;
    createWindow(owner);
    if (m_pOwner != nullptr && m_pOwner->IsWindowEnabled()) {
        m_pOwner->EnableWindow(FALSE);
        m_bOwnerDisabledByUs = true;
    }
    EnterModalLoop(this);

    const BOOL focusFirst = initDialog();
    if (!m_bEnded) {
        if (focusFirst)
            m_manager->setInitialFocus();
        ShowWindow(SW_SHOW);
        if (!m_bEnded && widget() != nullptr) {
            QEventLoop loop;
            m_pLoop = &loop;
            loop.exec(QEventLoop::DialogExec);
            m_pLoop = nullptr;
        }
    }

    LeaveModalLoop(this);
    releaseOwner();
    DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

BOOL CDialog::Create(CWnd* pParentWnd)
{
    if (widget() != nullptr)
        return FALSE;
    CWnd* parent = pParentWnd != nullptr ? pParentWnd : m_pParentWnd;
    CWnd* owner = parent != nullptr ? existingOrNone(parent) : DefaultOwner(OwnedWindow::Modeless);

    m_bModal = false;
    m_bEnded = false;
    createWindow(owner);
    const BOOL focusFirst = initDialog();
    if (widget() == nullptr)
        return FALSE;
    if (focusFirst)
        m_manager->setInitialFocus();
    if (m_template.style & WS_VISIBLE)
        ShowWindow(SW_SHOW);
    return TRUE;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bModal) {
        m_bEnded = true;
        // Like the dialog manager: the owner comes back before this one goes,
        // so the activation passes to it. No show-window notice is sent.
        releaseOwner();
        if (widget() != nullptr)
            widget()->hide();
        if (m_pLoop != nullptr)
            m_pLoop->exit();
    } else if (widget() != nullptr) {
        widget()->hide();
    }
}

BOOL EndDialog(HWND hDlg, int nResult)
{
    auto* dialog = dynamic_cast<CDialog*>(hDlg);
    if (dialog == nullptr)
        return FALSE;
    dialog->EndDialog(nResult);
    return TRUE;
}

void CDialog::releaseOwner()
{
    if (m_pOwner == nullptr)
        return;
    if (m_bOwnerDisabledByUs) {
        m_pOwner->EnableWindow(TRUE);
        m_bOwnerDisabledByUs = false;
        if (m_pOwner->IsWindowVisible())
            m_pOwner->SetActiveWindow();
    }
}

void CDialog::centreOverOwner()
{
    QWidget* ownerWindow = m_pOwner != nullptr && m_pOwner->widget() != nullptr
                               ? m_pOwner->widget()->window()
                               : nullptr;
    if (widget() != nullptr)
        centreWindow(widget(), ownerWindow);
}

BOOL CDialog::DestroyWindow()
{
    if (widget() == nullptr)
        return FALSE;
    if (m_bModal && !m_bEnded)
        EndDialog(-1);
    for (auto& [id, control] : m_subclassed)
        control->UnsubclassWindow();
    m_subclassed.clear();
    m_itemWindows.clear();
    if (auto* window = qobject_cast<DialogWindow*>(widget()))
        window->setManager(nullptr);
    m_manager.reset();
    return CWnd::DestroyWindow();
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    if (widget() == nullptr)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

CWnd* CDialog::GetDlgItem(int nID)
{
    if (!m_manager)
        return nullptr;
    QWidget* control = m_manager->widgetOf(nID);
    if (control == nullptr)
        return nullptr;
    if (const auto subclassed = m_subclassed.find(nID); subclassed != m_subclassed.end())
        return subclassed->second;
    auto& wnd = m_itemWindows[nID];
    if (!wnd)
        wnd = std::make_unique<ControlWnd>(control);
    return wnd.get();
}

bool CDialog::onDlgItemSubclassed(int nID, CWnd& control)
{
    if (!m_manager || m_manager->widgetOf(nID) == nullptr || m_subclassed.count(nID) != 0)
        return false;
    m_subclassed[nID] = &control;
    return true;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) {
        AfxTrace("%s", "UpdateData failed during dialog termination.\n");
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}
