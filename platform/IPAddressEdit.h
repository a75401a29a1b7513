#pragma once

#include <QFrame>
#include <array>
#include <cstdint>

class QLineEdit;

// An IPv4 address input: four fields of 0 to 255 separated by dots. Typing a
// third digit or a '.' moves on to the next field; Backspace in an empty
// field and the arrow keys at a field's edge move back and forth. The whole
// control is one stop in the tab order. A blank field reads as 0.
class IPAddressEdit : public QFrame
{
    Q_OBJECT

public:
    explicit IPAddressEdit(QWidget* parent = nullptr);

    // Fills address (blank fields as 0) and returns how many fields are not
    // blank.
    int address(std::array<std::uint8_t, 4>& address) const;
    void setAddress(const std::array<std::uint8_t, 4>& address);

    // Names the control and its four fields for screen readers: the fields
    // as the first to fourth part of the address called addressName.
    void nameFields(const QString& addressName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFieldEdited(int index);
    void focusField(int index, bool selectAll, bool cursorAtEnd = false);
    int indexOf(QObject* object) const;

    std::array<QLineEdit*, 4> m_fields{};
};
