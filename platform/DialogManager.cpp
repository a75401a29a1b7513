#include "platform/DialogManager.h"

#include "platform/DialogBuilder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

DialogManager::DialogManager(const DialogTemplate& dialogTemplate, QWidget* window,
                             std::vector<DialogControl> controls, CommandSink sendCommand)
    : m_template(dialogTemplate), m_window(window), m_controls(std::move(controls)),
      m_sendCommand(std::move(sendCommand))
{}

QWidget* DialogManager::widgetOf(int id) const
{
    for (const DialogControl& control : m_controls) {
        if (control.item->id == id && control.widget != nullptr)
            return control.widget;
    }
    return nullptr;
}

const DialogControl* DialogManager::controlFor(QWidget* widget) const
{
    for (QWidget* w = widget; w != nullptr && w != m_window; w = w->parentWidget()) {
        for (const DialogControl& control : m_controls) {
            if (control.widget == w)
                return &control;
        }
    }
    return nullptr;
}

void DialogManager::onEnterKey()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* button = qobject_cast<QPushButton*>(focus);
        button != nullptr && controlFor(button) != nullptr && button->isEnabled()) {
        button->click();
        return;
    }
    for (const DialogControl& control : m_controls) {
        if (isDefaultPushButton(*control.item)) {
            // A disabled default button makes Enter do nothing.
            if (control.widget != nullptr && control.widget->isEnabled())
                m_sendCommand(control.item->id);
            return;
        }
    }
    m_sendCommand(IDOK);
}

void DialogManager::onEscapeKey()
{
    m_sendCommand(IDCANCEL);
}

void DialogManager::onCloseRequest()
{
    if (!(m_template.style & WS_SYSMENU) || !m_window->isEnabled())
        return;
    if (QWidget* cancel = widgetOf(IDCANCEL); cancel != nullptr && !cancel->isEnabled())
        return;
    m_sendCommand(IDCANCEL);
}

bool DialogManager::moveFocus(bool forward)
{
    std::vector<const DialogControl*> stops;
    for (const DialogControl& control : m_controls) {
        QWidget* w = control.widget;
        if (w != nullptr && isTabStop(*control.item) && w->isEnabled() && w->isVisible())
            stops.push_back(&control);
    }
    if (stops.empty())
        return true;

    const DialogControl* current = controlFor(QApplication::focusWidget());
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

void DialogManager::onFocusChanged(QWidget* now)
{
    auto* focusedButton = qobject_cast<QPushButton*>(now);
    if (focusedButton != nullptr && controlFor(focusedButton) == nullptr)
        focusedButton = nullptr;
    for (const DialogControl& control : m_controls) {
        auto* button = qobject_cast<QPushButton*>(control.widget.data());
        if (button == nullptr)
            continue;
        button->setDefault(focusedButton != nullptr ? button == focusedButton
                                                    : isDefaultPushButton(*control.item));
    }
}

void DialogManager::setInitialFocus()
{
    for (const DialogControl& control : m_controls) {
        QWidget* w = control.widget;
        if (w != nullptr && isTabStop(*control.item) && w->isEnabled() && !w->isHidden()) {
            w->setFocus(Qt::TabFocusReason);
            // The window is not active yet, so the edit's own select-on-tab
            // does not happen; the dialog manager selects the text itself.
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                edit->selectAll();
            return;
        }
    }
    // Nothing takes the focus: the window keeps it, so its keys still work.
    m_window->setFocus(Qt::OtherFocusReason);
}
