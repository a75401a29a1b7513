#pragma once

#include "platform/DialogTemplate.h"
#include "platform/DialogUnits.h"

#include <QLineEdit>
#include <QWidget>
#include <vector>

// An edit control; it announces when it receives the input focus.
class EditControl : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void focusReceived();

protected:
    void focusInEvent(QFocusEvent* event) override;
};

struct BuiltControl
{
    const DialogItem* item;
    QWidget* widget;
};

// The top-level window flags a template's style asks for.
Qt::WindowFlags windowFlagsFor(const DialogTemplate& dialogTemplate);

// The size of the template's client area in pixels.
QSize dialogClientSize(const DialogTemplate& dialogTemplate, const DialogBaseUnits& units);

// Creates the template's controls inside window, placed and sized from
// dialog units, and returns them in template order. Each control gets an
// accessible name: its own text (buttons, statics), the template's name for
// it, or the text of the static right before it in template order, which
// becomes its buddy (the dialog manager's rule for labels); the fields of an
// address control are named as the parts of the address.
std::vector<BuiltControl> buildControls(const DialogTemplate& dialogTemplate, QWidget* window,
                                        const DialogBaseUnits& units);

bool isTabStop(const DialogItem& item);
bool isDefaultPushButton(const DialogItem& item);
