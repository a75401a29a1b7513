#include "platform/IPAddressEdit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

IPAddressEdit::IPAddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);

    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(validator);
        field->setFocusPolicy(Qt::ClickFocus);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { onFieldEdited(i); });
        layout->addWidget(field, 1);
        m_fields[i] = field;
        if (i < 3) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot, 0);
        }
    }
    setFocusProxy(m_fields[0]);
    setFocusPolicy(Qt::StrongFocus);
}

int IPAddressEdit::address(std::array<std::uint8_t, 4>& address) const
{
    int nonBlank = 0;
    for (int i = 0; i < 4; ++i) {
        const QString text = m_fields[i]->text();
        address[i] = static_cast<std::uint8_t>(std::min(text.toInt(), 255));
        if (!text.isEmpty())
            ++nonBlank;
    }
    return nonBlank;
}

void IPAddressEdit::setAddress(const std::array<std::uint8_t, 4>& address)
{
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(QString::number(address[i]));
}

void IPAddressEdit::nameFields(const QString& addressName)
{
    setAccessibleName(addressName);
    for (int i = 0; i < 4; ++i) {
        const QString part = QStringLiteral("第%1オクテット").arg(i + 1);
        m_fields[i]->setAccessibleName(
            addressName.isEmpty() ? part : addressName + QLatin1Char(' ') + part);
        m_fields[i]->setAccessibleDescription(QStringLiteral("0～255"));
    }
}

void IPAddressEdit::onFieldEdited(int index)
{
    QLineEdit* field = m_fields[index];
    if (field->text().toInt() > 255)
        field->setText(QStringLiteral("255"));
    if (field->text().size() == 3 && index < 3)
        focusField(index + 1, true);
}

void IPAddressEdit::focusField(int index, bool selectAll, bool cursorAtEnd)
{
    QLineEdit* field = m_fields[index];
    field->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        field->selectAll();
    else
        field->setCursorPosition(cursorAtEnd ? field->text().size() : 0);
}

int IPAddressEdit::indexOf(QObject* object) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_fields[i] == object)
            return i;
    }
    return -1;
}

bool IPAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    const int index = indexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* field = m_fields[index];
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();

    if (key->text() == QStringLiteral(".")) {
        // Only after digits typed into this field: a '.' right after the
        // third digit moved on (the next field is then selected) is not
        // taken as a second move.
        if (index < 3 && !field->text().isEmpty() && atEnd)
            focusField(index + 1, true);
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (atStart && index > 0) {
            focusField(index - 1, false, true);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (atStart && index > 0) {
            focusField(index - 1, false, true);
            return true;
        }
        break;
    case Qt::Key_Right:
        if (atEnd && index < 3) {
            focusField(index + 1, false, false);
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}
