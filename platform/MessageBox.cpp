#include "platform/MessageBox.h"

#include "platform/Text.h"
#include "platform/WindowPlacement.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

QMessageBox::Icon iconFor(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// What a screen reader says the box's icon is.
QString iconName(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONSTOP:
        return QStringLiteral("エラー");
    case MB_ICONQUESTION:
        return QStringLiteral("確認");
    case MB_ICONEXCLAMATION:
        return QStringLiteral("警告");
    case MB_ICONINFORMATION:
        return QStringLiteral("情報");
    default:
        return {};
    }
}

} // namespace

int ShowMessageBox(QWidget* ownerWindow, const std::string& text, const std::string& caption,
                   UINT nType)
{
    if (ownerWindow != nullptr)
        ownerWindow = ownerWindow->window();

    QMessageBox box;
    if (ownerWindow != nullptr)
        box.setFont(ownerWindow->font());
    box.setWindowTitle(toQString(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(toQString(text));
    box.setIcon(iconFor(nType));
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        icon->setAccessibleName(iconName(nType));
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if ((nType & 0x0F) == MB_OKCANCEL)
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel != nullptr ? cancel : ok);

    // Modal to its owner only, the way the owner's own modal dialogs are.
    box.setWindowModality(Qt::NonModal);
    const bool disableOwner = ownerWindow != nullptr && ownerWindow->isEnabled();
    // Disabling moves the focus out of the owner; it comes back afterwards.
    const QPointer<QWidget> ownerFocus = disableOwner ? ownerWindow->focusWidget() : nullptr;
    if (disableOwner)
        ownerWindow->setEnabled(false);
    if (ownerWindow != nullptr) {
        box.winId();
        ownerWindow->winId();
        box.windowHandle()->setTransientParent(ownerWindow->windowHandle());
    }

    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    box.show();
    centreWindow(&box, ownerWindow);
    box.raise();
    box.activateWindow();
    if (box.isVisible())
        loop.exec(QEventLoop::DialogExec);

    if (disableOwner) {
        ownerWindow->setEnabled(true);
        if (ownerFocus != nullptr && ownerFocus->isEnabled() && ownerFocus->isVisible())
            ownerFocus->setFocus(Qt::OtherFocusReason);
        if (ownerWindow->isVisible())
            ownerWindow->activateWindow();
    }
    return box.clickedButton() == cancel && cancel != nullptr ? IDCANCEL : IDOK;
}
