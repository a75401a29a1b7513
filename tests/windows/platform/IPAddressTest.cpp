// The IPv4 address control, typed into key by key and read and set through
// its window object.

#include "platform/IPAddressEdit.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QApplication>
#include <QLineEdit>
#include <array>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

using Fields = std::array<const char*, 4>;
using Bytes = std::array<int, 4>;

class AddressControl : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dialog.exchangeAddress = true;
        ASSERT_TRUE(dialog.Open());
        edit = qobject_cast<IPAddressEdit*>(dialog.address.widget());
        ASSERT_NE(edit, nullptr);
        dialog.address.SetFocus();
        ASSERT_TRUE(waitFor([&] { return addressField(edit, 0)->hasFocus(); }));
    }

    void expectFields(const Fields& expected) const
    {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(addressField(edit, i)->text(), QString::fromUtf8(expected[i]))
                << "field " << i;
    }

    // The count GetAddress returns, and the four bytes it reads.
    std::pair<int, Bytes> read()
    {
        BYTE b[4] = {99, 99, 99, 99};
        const int count = dialog.address.GetAddress(b[0], b[1], b[2], b[3]);
        return {count, Bytes{b[0], b[1], b[2], b[3]}};
    }

    ProbeDialog dialog{kForm};
    IPAddressEdit* edit = nullptr;
};

struct Typing
{
    const char* typed;
    Fields fields;
    int count;
    Bytes bytes;
};

class AddressTyping : public AddressControl, public ::testing::WithParamInterface<Typing>
{};

TEST_P(AddressTyping, FillsTheFieldsKeyByKey)
{
    typeText(QString::fromUtf8(GetParam().typed));
    expectFields(GetParam().fields);
    EXPECT_EQ(read(), std::make_pair(GetParam().count, GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AddressTyping,
    ::testing::Values(
        Typing{"192.168.1.10", {"192", "168", "1", "10"}, 4, {192, 168, 1, 10}},
        Typing{"1.2.3.4", {"1", "2", "3", "4"}, 4, {1, 2, 3, 4}},
        Typing{"1921681", {"192", "168", "1", ""}, 3, {192, 168, 1, 0}}, // three digits move on
        Typing{"10.300", {"10", "255", "", ""}, 2, {10, 255, 0, 0}},     // clamped
        Typing{"999999999999", {"255", "255", "255", "255"}, 4, {255, 255, 255, 255}},
        Typing{"1a2b.c3", {"12", "3", "", ""}, 2, {12, 3, 0, 0}}, // letters refused
        Typing{"", {"", "", "", ""}, 0, {0, 0, 0, 0}}));

TEST_F(AddressControl, BackspaceInAnEmptyFieldGoesBack)
{
    typeText(QStringLiteral("12.3"));
    pressKey(Qt::Key_Backspace); // deletes the 3
    expectFields({"12", "", "", ""});
    EXPECT_TRUE(addressField(edit, 1)->hasFocus());
    pressKey(Qt::Key_Backspace); // empty: back to the end of the first field
    EXPECT_TRUE(addressField(edit, 0)->hasFocus());
    pressKey(Qt::Key_Backspace);
    expectFields({"1", "", "", ""});
}

TEST_F(AddressControl, GetAddressCountsNonBlankFieldsAndReadsBlanksAsZero)
{
    addressField(edit, 0)->setText(QStringLiteral("10"));
    addressField(edit, 2)->setText(QStringLiteral("0"));
    EXPECT_EQ(read(), std::make_pair(2, Bytes{10, 0, 0, 0}));
    for (int i = 0; i < 4; ++i)
        addressField(edit, i)->clear();
    EXPECT_EQ(read(), std::make_pair(0, Bytes{0, 0, 0, 0}));
}

TEST_F(AddressControl, SetAddressReplacesAllFourFields)
{
    typeText(QStringLiteral("1.2"));
    dialog.address.SetAddress(172, 16, 254, 3);
    expectFields({"172", "16", "254", "3"});
    dialog.address.SetAddress(0, 0, 0, 0);
    expectFields({"0", "0", "0", "0"});
    EXPECT_EQ(read(), std::make_pair(4, Bytes{0, 0, 0, 0}));
}

TEST_F(AddressControl, TypingOverAProposedAddressReplacesItFieldByField)
{
    dialog.address.SetAddress(192, 168, 1, 1);
    addressField(edit, 0)->selectAll(); // as when the control is tabbed into
    // "127" fills the first field and moves on with the next one selected;
    // the '.' that follows must not move on a second time.
    typeText(QStringLiteral("127.1.1.10"));
    expectFields({"127", "1", "1", "10"});
}

} // namespace
