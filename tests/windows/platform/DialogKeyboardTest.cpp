// The keyboard as the classic dialog manager gives it: the first tab stop
// has the focus, Tab follows the template, Enter and Escape are commands,
// and the close box is Cancel where the window has a system menu.

#include "platform/IPAddressEdit.h"
#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

void pressShiftTab()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
}

} // namespace

TEST(Keyboard, FirstTabStopHasTheFocusWithItsTextSelected)
{
    ProbeDialog dialog(kForm);
    dialog.textId = kEdit;
    dialog.text = "初期値";
    Script script;
    script.when(
        "dialog active", [&] { return isActive(dialog); },
        [&] {
            auto* edit = qobject_cast<QLineEdit*>(controlOf(dialog, kEdit));
            EXPECT_EQ(QApplication::focusWidget(), edit);
            EXPECT_EQ(edit->selectedText(), QStringLiteral("初期値"));
            dialog.EndDialog(IDCANCEL);
        });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(Keyboard, TabSkipsNonStopsHiddenAndDisabledAndWraps)
{
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(dialog.Open());
    // Hidden and disabled tab stops, and the edit without WS_TABSTOP, are
    // passed over; the address control is one stop.
    const std::vector<int> order{kEdit, kAddress, kDefault, kPlain, IDCANCEL};
    ASSERT_TRUE(hasFocus(dialog, order.front()));
    for (std::size_t i = 1; i <= order.size(); ++i) {
        pressKey(Qt::Key_Tab);
        EXPECT_TRUE(hasFocus(dialog, order[i % order.size()])) << "tab " << i;
    }
    for (std::size_t i = order.size(); i-- > 0;) {
        pressShiftTab();
        EXPECT_TRUE(hasFocus(dialog, order[i])) << "shift+tab to " << order[i];
    }
}

TEST(Keyboard, AddressControlIsOneStopFromAnyOfItsFields)
{
    ProbeDialog connection(DialogResource(IDD_IPADD));
    ASSERT_TRUE(connection.Open());
    EXPECT_TRUE(hasFocus(connection, IDC_LOGIN));
    auto* address = qobject_cast<IPAddressEdit*>(controlOf(connection, IDC_IPADDRESS));
    ASSERT_NE(address, nullptr);
    addressField(address, 2)->setFocus();
    pressKey(Qt::Key_Tab); // the address is last: wraps to the login name
    EXPECT_TRUE(hasFocus(connection, IDC_LOGIN));
    addressField(address, 3)->setFocus();
    pressShiftTab();
    EXPECT_TRUE(hasFocus(connection, IDHELP));
}

struct KeyCase
{
    const char* name;
    const DialogTemplate* dialogTemplate;
    int focusId; // 0: the focus the dialog opens with
    Qt::Key key;
    std::vector<std::string> events;
};

class KeyCommand : public ::testing::TestWithParam<KeyCase>
{};

TEST_P(KeyCommand, SendsTheDialogManagersCommand)
{
    ProbeDialog dialog(*GetParam().dialogTemplate);
    dialog.passDefaults = false;
    ASSERT_TRUE(dialog.Open());
    if (GetParam().focusId != 0) {
        dialog.GetDlgItem(GetParam().focusId)->SetFocus();
        ASSERT_TRUE(waitFor([&] { return hasFocus(dialog, GetParam().focusId); }));
    }
    dialog.events.clear();
    pressKey(GetParam().key);
    EXPECT_EQ(dialog.events, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    EnterAndEscape, KeyCommand,
    ::testing::Values(
        KeyCase{"EnterInAnEditPressesTheDefault", &kForm, kEdit, Qt::Key_Return, {"command 1006"}},
        KeyCase{"KeypadEnterLikewise", &kForm, kAddress, Qt::Key_Enter, {"command 1006"}},
        KeyCase{"EnterOnAFocusedButtonPressesIt", &kForm, kPlain, Qt::Key_Return, {"plain"}},
        KeyCase{"EnterOnFocusedCancel", &kForm, IDCANCEL, Qt::Key_Return, {"Cancel"}},
        KeyCase{"EnterWithoutADefaultIsOK", &kNoDefault, kEdit, Qt::Key_Return, {"OK"}},
        KeyCase{
            "EnterWithADisabledDefaultDoesNothing", &kDisabledDefault, kEdit, Qt::Key_Return, {}},
        KeyCase{
            "EnterReachesAHiddenDefault", &DialogResource(IDD_DELETE), 0, Qt::Key_Return, {"OK"}},
        KeyCase{"EscapeIsCancel", &kForm, kEdit, Qt::Key_Escape, {"Cancel"}},
        KeyCase{"EscapeOnAButtonIsCancel", &kForm, kDefault, Qt::Key_Escape, {"Cancel"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Keyboard, FocusedPushButtonIsDrawnAsTheDefault)
{
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(dialog.Open());
    auto* byTemplate = qobject_cast<QPushButton*>(controlOf(dialog, kDefault));
    auto* plain = qobject_cast<QPushButton*>(controlOf(dialog, kPlain));
    plain->setFocus();
    ASSERT_TRUE(waitFor([&] { return plain->hasFocus(); }));
    EXPECT_TRUE(plain->isDefault());
    EXPECT_FALSE(byTemplate->isDefault());
    dialog.GetDlgItem(kEdit)->SetFocus();
    ASSERT_TRUE(waitFor([&] { return hasFocus(dialog, kEdit); }));
    EXPECT_FALSE(plain->isDefault());
    EXPECT_TRUE(byTemplate->isDefault());
}

struct CloseCase
{
    const char* name;
    const DialogTemplate* dialogTemplate;
    bool disabled;
    std::vector<std::string> events;
};

class CloseBox : public ::testing::TestWithParam<CloseCase>
{};

TEST_P(CloseBox, IsCancelOnlyWithASystemMenuAndWhileEnabled)
{
    ProbeDialog dialog(*GetParam().dialogTemplate);
    dialog.passDefaults = false;
    ASSERT_TRUE(dialog.Open());
    dialog.events.clear();
    if (GetParam().disabled)
        dialog.EnableWindow(FALSE);
    dialog.widget()->windowHandle()->close(); // as the window manager does
    EXPECT_EQ(dialog.events, GetParam().events);
    EXPECT_TRUE(dialog.IsWindowVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, CloseBox,
                         ::testing::Values(CloseCase{"SystemMenu", &kNoDefault, false, {"Cancel"}},
                                           CloseCase{"NoSystemMenu", &kNoSysMenu, false, {}},
                                           CloseCase{"Disabled", &kNoDefault, true, {}}),
                         [](const auto& info) { return std::string(info.param.name); });
