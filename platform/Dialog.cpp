#include "platform/Dialog.h"

#include "platform/DataExchange.h"
#include "platform/DialogBuilder.h"
#include "platform/DialogWindow.h"
#include "platform/WinApp.h"
#include "platform/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

struct CDialog::Control
{
    const DialogItem* item;
    QPointer<QWidget> widget;
    std::unique_ptr<CWnd> wrapper; // made on first GetDlgItem
    CWnd* attached = nullptr;      // set by DDX_Control
};

namespace {

std::vector<CDialog*>& modalStack()
{
    // Never destroyed: dialog objects that are globals may outlive any
    // ordinary static here.
    static auto* stack = new std::vector<CDialog*>;
    return *stack;
}

class ControlWnd : public CWnd
{
public:
    explicit ControlWnd(QWidget* widget) { AttachWidget(widget, false); }
};

} // namespace

// DialogWindow

DialogWindow::DialogWindow(CDialog* dialog, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), m_dialog(dialog)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && now->window() == this)
            m_dialog->onFocusChanged(now);
    });
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        m_dialog->onEnterKey();
        return;
    case Qt::Key_Escape:
        event->accept();
        m_dialog->onEscapeKey();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The dialog decides; hiding and destroying are its business.
    event->ignore();
    m_dialog->onCloseRequest();
}

void DialogWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        m_dialog->centreOnFirstShow();
    QWidget::showEvent(event);
}

bool DialogWindow::focusNextPrevChild(bool next)
{
    return m_dialog->moveFocus(next);
}

// CDialog

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd)
    : m_template(dialogTemplate), m_pParentWnd(pParentWnd)
{}

CDialog::~CDialog()
{
    auto& stack = modalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    m_controls.clear();
}

CDialog* CDialog::ActiveModalDialog()
{
    const auto& stack = modalStack();
    return stack.empty() ? nullptr : stack.back();
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
    m_bCentred = false;

    auto* window = new DialogWindow(this, windowFlagsFor(m_template));
    const QFont font = dialogFont(m_template.fontFace, m_template.pointSize);
    window->setFont(font);
    const DialogBaseUnits units = dialogBaseUnits(font);
    window->setFixedSize(dialogClientSize(m_template, units));
    window->setWindowTitle(QString::fromUtf8(m_template.caption));
    AttachWidget(window, true);

    for (const BuiltControl& built : buildControls(m_template, window, units)) {
        auto control = std::make_unique<Control>();
        control->item = built.item;
        control->widget = built.widget;
        const int id = built.item->id;
        if (auto* button = qobject_cast<QPushButton*>(built.widget)) {
            QObject::connect(button, &QPushButton::clicked, window, [this, id] {
                SendMessage({MessageKind::Command, id, 0, 0});
            });
        }
        if (auto* edit = qobject_cast<EditControl*>(built.widget)) {
            QObject::connect(edit, &EditControl::focusReceived, window, [this, id] {
                SendMessage({MessageKind::EditSetFocus, id, 0, 0});
            });
        }
        m_controls.push_back(std::move(control));
    }

    if (m_pOwner != nullptr && m_pOwner->widget() != nullptr) {
        window->winId();
        QWidget* ownerWindow = m_pOwner->widget()->window();
        ownerWindow->winId();
        window->windowHandle()->setTransientParent(ownerWindow->windowHandle());
    }
}

int CDialog::DoModal()
{
    if (widget() != nullptr)
        return -1;
    CWnd* owner = m_pParentWnd;
    if (owner == nullptr)
        owner = ActiveModalDialog();
    if (owner == nullptr)
        owner = AfxGetMainWnd();
    if (owner != nullptr && owner->widget() == nullptr)
        owner = nullptr;

    m_bModal = true;
    m_bEnded = false;
    m_nModalResult = -1;
    createWindow(owner);
    if (m_pOwner != nullptr && m_pOwner->IsWindowEnabled()) {
        m_pOwner->EnableWindow(FALSE);
        m_bOwnerDisabledByUs = true;
    }
    modalStack().push_back(this);

    BOOL focusFirst = TRUE;
    try {
        focusFirst = OnInitDialog();
    } catch (...) {
        ReportCurrentException();
    }
    if (!m_bEnded) {
        if (focusFirst)
            setInitialFocus();
        ShowWindow(SW_SHOW);
        if (!m_bEnded && widget() != nullptr) {
            QEventLoop loop;
            m_pLoop = &loop;
            loop.exec(QEventLoop::DialogExec);
            m_pLoop = nullptr;
        }
    }

    auto& stack = modalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    releaseOwner();
    DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

BOOL CDialog::Create(CWnd* pParentWnd)
{
    if (widget() != nullptr)
        return FALSE;
    CWnd* owner = pParentWnd != nullptr ? pParentWnd : m_pParentWnd;
    if (owner == nullptr)
        owner = AfxGetMainWnd();
    if (owner != nullptr && owner->widget() == nullptr)
        owner = nullptr;

    m_bModal = false;
    m_bEnded = false;
    createWindow(owner);
    BOOL focusFirst = TRUE;
    try {
        focusFirst = OnInitDialog();
    } catch (...) {
        ReportCurrentException();
    }
    if (widget() == nullptr)
        return FALSE;
    if (focusFirst)
        setInitialFocus();
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

BOOL CDialog::DestroyWindow()
{
    if (widget() == nullptr)
        return FALSE;
    if (m_bModal && !m_bEnded)
        EndDialog(-1);
    for (auto& control : m_controls) {
        if (control->attached != nullptr)
            control->attached->AttachWidget(nullptr, false);
    }
    m_controls.clear();
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
    for (auto& control : m_controls) {
        if (control->item->id != nID || control->widget == nullptr)
            continue;
        if (control->attached != nullptr)
            return control->attached;
        if (!control->wrapper)
            control->wrapper = std::make_unique<ControlWnd>(control->widget);
        return control->wrapper.get();
    }
    return nullptr;
}

bool CDialog::attachControl(int nID, CWnd& control)
{
    for (auto& entry : m_controls) {
        if (entry->item->id == nID && entry->widget != nullptr) {
            control.AttachWidget(entry->widget, false);
            entry->attached = &control;
            return true;
        }
    }
    return false;
}

CDialog::Control* CDialog::controlFor(QWidget* widget)
{
    for (QWidget* w = widget; w != nullptr && w != this->widget(); w = w->parentWidget()) {
        for (auto& control : m_controls) {
            if (control->widget == w)
                return control.get();
        }
    }
    return nullptr;
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

void CDialog::OnCommand(int) {}

void CDialog::setInitialFocus()
{
    for (auto& control : m_controls) {
        QWidget* w = control->widget;
        if (w != nullptr && isTabStop(*control->item) && w->isEnabled() && !w->isHidden()) {
            w->setFocus(Qt::TabFocusReason);
            // The window is not active yet, so the edit's own select-on-tab
            // does not happen; the dialog manager selects the text itself.
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                edit->selectAll();
            return;
        }
    }
    // Nothing takes the focus: the dialog keeps it, so its keys still work.
    widget()->setFocus(Qt::OtherFocusReason);
}

void CDialog::centreOnFirstShow()
{
    if (m_bCentred || widget() == nullptr)
        return;
    m_bCentred = true;

    QWidget* ownerWindow = m_pOwner != nullptr && m_pOwner->widget() != nullptr
                               ? m_pOwner->widget()->window()
                               : nullptr;
    centreWindow(widget(), ownerWindow);
}

void CDialog::onEnterKey()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* button = qobject_cast<QPushButton*>(focus);
        button != nullptr && controlFor(button) != nullptr && button->isEnabled()) {
        button->click();
        return;
    }
    for (auto& control : m_controls) {
        if (isDefaultPushButton(*control->item)) {
            // A disabled default button makes Enter do nothing.
            if (control->widget != nullptr && control->widget->isEnabled())
                SendMessage({MessageKind::Command, control->item->id, 0, 0});
            return;
        }
    }
    SendMessage({MessageKind::Command, IDOK, 0, 0});
}

void CDialog::onEscapeKey()
{
    SendMessage({MessageKind::Command, IDCANCEL, 0, 0});
}

void CDialog::onCloseRequest()
{
    if (!(m_template.style & WS_SYSMENU) || !IsWindowEnabled())
        return;
    if (CWnd* cancel = GetDlgItem(IDCANCEL); cancel != nullptr && !cancel->IsWindowEnabled())
        return;
    SendMessage({MessageKind::Command, IDCANCEL, 0, 0});
}

bool CDialog::moveFocus(bool forward)
{
    std::vector<Control*> stops;
    for (auto& control : m_controls) {
        QWidget* w = control->widget;
        if (w != nullptr && isTabStop(*control->item) && w->isEnabled() && w->isVisible())
            stops.push_back(control.get());
    }
    if (stops.empty())
        return true;

    const Control* current = controlFor(QApplication::focusWidget());
    auto it = std::find(stops.begin(), stops.end(), current);
    std::size_t index = 0;
    if (it == stops.end()) {
        index = forward ? 0 : stops.size() - 1;
    } else {
        const auto position = static_cast<std::size_t>(it - stops.begin());
        index =
            forward ? (position + 1) % stops.size() : (position + stops.size() - 1) % stops.size();
    }
    stops[index]->widget->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void CDialog::onFocusChanged(QWidget* now)
{
    // A push button with the focus is the default one for as long as it has
    // the focus; otherwise the template's default button is.
    auto* focusedButton = qobject_cast<QPushButton*>(now);
    if (focusedButton != nullptr && controlFor(focusedButton) == nullptr)
        focusedButton = nullptr;
    for (auto& control : m_controls) {
        auto* button = qobject_cast<QPushButton*>(control->widget.data());
        if (button == nullptr)
            continue;
        button->setDefault(focusedButton != nullptr ? button == focusedButton
                                                    : isDefaultPushButton(*control->item));
    }
}
