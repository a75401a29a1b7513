#include "platform/IPAddressCtrl.h"

#include "platform/IPAddressEdit.h"

namespace {

IPAddressEdit* editOf(CWnd& wnd)
{
    return qobject_cast<IPAddressEdit*>(wnd.widget());
}

} // namespace

int CIPAddressCtrl::GetAddress(BYTE& nField0, BYTE& nField1, BYTE& nField2, BYTE& nField3)
{
    std::array<std::uint8_t, 4> address{};
    int nonBlank = 0;
    if (IPAddressEdit* edit = editOf(*this))
        nonBlank = edit->address(address);
    nField0 = address[0];
    nField1 = address[1];
    nField2 = address[2];
    nField3 = address[3];
    return nonBlank;
}

void CIPAddressCtrl::SetAddress(BYTE nField0, BYTE nField1, BYTE nField2, BYTE nField3)
{
    if (IPAddressEdit* edit = editOf(*this))
        edit->setAddress({nField0, nField1, nField2, nField3});
}
