#pragma once

#include "platform/DialogTemplate.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

// One control of a dialog: its template entry and the widget built from it.
struct DialogControl
{
    const DialogItem* item;
    QPointer<QWidget> widget;
};

// The keyboard and focus rules of the classic dialog manager, for one
// dialog window and its controls:
// - Enter clicks the push button that has the focus; otherwise it gives the
//   default push button's command (nothing while that button is disabled),
//   or IDOK where the template has no default button;
// - Escape gives IDCANCEL; so does the close box, where the window has a
//   system menu and both the window and its Cancel button (if it has one)
//   are enabled;
// - Tab and Shift+Tab go round the enabled, visible tab stops in template
//   order;
// - a push button is the default one while it has the focus; otherwise the
//   template's default button is;
// - when the dialog starts, the first enabled, visible tab stop takes the
//   focus, its text selected; with none, the window keeps the focus.
class DialogManager
{
public:
    using CommandSink = std::function<void(int id)>;

    DialogManager(const DialogTemplate& dialogTemplate, QWidget* window,
                  std::vector<DialogControl> controls, CommandSink sendCommand);

    const std::vector<DialogControl>& controls() const { return m_controls; }
    // The widget of the first control with this id, or null.
    QWidget* widgetOf(int id) const;
    // The control that widget is, or lies inside; null for none.
    const DialogControl* controlFor(QWidget* widget) const;

    void onEnterKey();
    void onEscapeKey();
    void onCloseRequest();
    bool moveFocus(bool forward);
    void onFocusChanged(QWidget* now);
    void setInitialFocus();

private:
    const DialogTemplate& m_template;
    QWidget* m_window;
    std::vector<DialogControl> m_controls;
    CommandSink m_sendCommand;
};
