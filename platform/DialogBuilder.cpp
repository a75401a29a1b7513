#include "platform/DialogBuilder.h"

#include "platform/IPAddressEdit.h"

#include <QLabel>
#include <QPushButton>

void EditControl::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focusReceived();
}

namespace {

QString textOf(const DialogItem& item)
{
    return QString::fromUtf8(item.text != nullptr ? item.text : "");
}

QWidget* makeButton(const DialogItem& item, QWidget* parent)
{
    auto* button = new QPushButton(textOf(item), parent);
    button->setAutoDefault(false);
    button->setDefault(isDefaultPushButton(item));
    button->setFocusPolicy(isTabStop(item) ? Qt::StrongFocus : Qt::ClickFocus);
    return button;
}

QWidget* makeEdit(const DialogItem& item, QWidget* parent)
{
    auto* edit = new EditControl(textOf(item), parent);
    edit->setFocusPolicy(isTabStop(item) ? Qt::StrongFocus : Qt::ClickFocus);
    edit->setFrame((item.style & WS_BORDER) != 0);
    if (item.style & ES_PASSWORD)
        edit->setEchoMode(QLineEdit::Password);
    if (item.style & ES_READONLY)
        edit->setReadOnly(true);
    if ((item.exStyle & WS_EX_TRANSPARENT) || (item.style & ES_READONLY)) {
        // Shows the dialog's background through, like a label.
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        edit->setPalette(palette);
    }
    if (!(item.style & WS_BORDER))
        edit->setTextMargins(0, 0, 0, 0);
    return edit;
}

QWidget* makeStatic(const DialogItem& item, QWidget* parent)
{
    auto* label = new QLabel(textOf(item), parent);
    label->setTextFormat(Qt::PlainText);
    label->setMargin(0);
    label->setIndent(0);
    label->setContentsMargins(0, 0, 0, 0);
    const Qt::Alignment horizontal = (item.style & SS_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    if (item.style & SS_CENTERIMAGE) {
        label->setAlignment(horizontal | Qt::AlignVCenter);
    } else {
        label->setAlignment(horizontal | Qt::AlignTop);
        label->setWordWrap(true);
    }
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QWidget* makeIPAddress(const DialogItem& item, QWidget* parent)
{
    auto* edit = new IPAddressEdit(parent);
    if (!isTabStop(item))
        edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}

bool isField(const DialogItem& item)
{
    return item.kind == ControlClass::Edit || item.kind == ControlClass::IPAddress;
}

// Names the controls for screen readers; see buildControls.
void nameControls(std::vector<BuiltControl>& controls)
{
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const DialogItem& item = *controls[i].item;
        QWidget* widget = controls[i].widget;
        QString name =
            item.accessibleName != nullptr ? QString::fromUtf8(item.accessibleName) : QString();
        if (isField(item) && i > 0 && controls[i - 1].item->kind == ControlClass::Static) {
            auto* label = qobject_cast<QLabel*>(controls[i - 1].widget);
            label->setBuddy(widget);
            if (name.isEmpty())
                name = label->text();
        }
        if (name.isEmpty() && !isField(item))
            name = textOf(item);
        widget->setAccessibleName(name);
        if (auto* address = qobject_cast<IPAddressEdit*>(widget))
            address->nameFields(name);
    }
}

} // namespace

bool isTabStop(const DialogItem& item)
{
    return (item.style & WS_TABSTOP) != 0;
}

bool isDefaultPushButton(const DialogItem& item)
{
    return item.kind == ControlClass::Button && (item.style & 0x0F) == BS_DEFPUSHBUTTON;
}

Qt::WindowFlags windowFlagsFor(const DialogTemplate& dialogTemplate)
{
    const DWORD style = dialogTemplate.style;
    Qt::WindowFlags flags = (dialogTemplate.exStyle & WS_EX_APPWINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if ((style & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return flags;
}

QSize dialogClientSize(const DialogTemplate& dialogTemplate, const DialogBaseUnits& units)
{
    return mapDialogRect(units, 0, 0, dialogTemplate.cx, dialogTemplate.cy).size();
}

std::vector<BuiltControl> buildControls(const DialogTemplate& dialogTemplate, QWidget* window,
                                        const DialogBaseUnits& units)
{
    std::vector<BuiltControl> controls;
    controls.reserve(dialogTemplate.items.size());
    for (const DialogItem& item : dialogTemplate.items) {
        QWidget* widget = nullptr;
        switch (item.kind) {
        case ControlClass::Button:
            widget = makeButton(item, window);
            break;
        case ControlClass::Edit:
            widget = makeEdit(item, window);
            break;
        case ControlClass::Static:
            widget = makeStatic(item, window);
            break;
        case ControlClass::IPAddress:
            widget = makeIPAddress(item, window);
            break;
        }
        widget->setGeometry(mapDialogRect(units, item.x, item.y, item.cx, item.cy));
        widget->setEnabled((item.style & WS_DISABLED) == 0);
        widget->setVisible((item.style & WS_VISIBLE) != 0);
        if (item.id != IDC_STATIC)
            widget->setObjectName(QStringLiteral("control%1").arg(item.id));
        controls.push_back({&item, widget});
    }
    nameControls(controls);
    return controls;
}
