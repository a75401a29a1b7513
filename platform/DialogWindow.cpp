#include "platform/DialogWindow.h"

#include "platform/DialogManager.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QShowEvent>

namespace {

// Screen readers meet a dialog window as a dialog, and the application
// window as a window, not as a plain client area.
QAccessibleInterface* accessibleDialogWindow(const QString& className, QObject* object)
{
    if (className != QLatin1String("DialogWindow") || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    const bool applicationWindow = widget->windowType() == Qt::Window;
    return new QAccessibleWidget(widget,
                                 applicationWindow ? QAccessible::Window : QAccessible::Dialog);
}

} // namespace

DialogWindow::DialogWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&accessibleDialogWindow);
        return true;
    }();
    (void)factoryInstalled;
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    m_focusChanges =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (m_manager != nullptr && now != nullptr && now->window() == this)
                m_manager->onFocusChanged(now);
        });
}

DialogWindow::~DialogWindow()
{
    // Going, the widget gives up the focus, which the application announces
    // while the widget is no longer a DialogWindow: that must not reach it.
    disconnect(m_focusChanges);
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_manager == nullptr ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        m_manager->onEnterKey();
        return;
    case Qt::Key_Escape:
        event->accept();
        m_manager->onEscapeKey();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_manager != nullptr)
        m_manager->onCloseRequest();
}

void DialogWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && m_onFirstShow) {
        const auto handler = std::move(m_onFirstShow);
        m_onFirstShow = nullptr;
        handler();
    }
    QWidget::showEvent(event);
}

bool DialogWindow::focusNextPrevChild(bool next)
{
    return m_manager != nullptr ? m_manager->moveFocus(next) : QWidget::focusNextPrevChild(next);
}
