// Data exchange: texts both ways, length limits when loading and when
// validating, and controls attached to their window objects.

#include "platform/IPAddressEdit.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

QLineEdit* editOf(CDialog& dialog)
{
    return qobject_cast<QLineEdit*>(controlOf(dialog, kEdit));
}

} // namespace

TEST(DataExchange, TextGoesBothWays)
{
    ProbeDialog dialog(kNoDefault);
    dialog.textId = kEdit;
    dialog.text = "ｱｲｳ　テスト";
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(editOf(dialog)->text(), QStringLiteral("ｱｲｳ　テスト"));
    editOf(dialog)->setText(QStringLiteral("192.168.0.1 ＡＢＣ"));
    EXPECT_EQ(dialog.UpdateData(TRUE), TRUE);
    EXPECT_EQ(dialog.text, "192.168.0.1 ＡＢＣ");
    dialog.text.clear();
    EXPECT_EQ(dialog.UpdateData(FALSE), TRUE);
    EXPECT_TRUE(editOf(dialog)->text().isEmpty());
}

TEST(DataExchange, LoadingSetsTheLimitForWhatIsTyped)
{
    ProbeDialog dialog(kNoDefault);
    dialog.textId = kEdit;
    dialog.maxChars = 5;
    ASSERT_TRUE(dialog.Open());
    typeText(QStringLiteral("abcdefgh"));
    EXPECT_EQ(editOf(dialog)->text(), QStringLiteral("abcde"));
}

TEST(DataExchange, OverLongTextFailsWithTheFrameworksMessage)
{
    MessageBoxRecorder boxes;
    ProbeDialog dialog(kNoDefault);
    dialog.textId = kEdit;
    dialog.maxChars = 5;
    dialog.loadOnInit = false; // no limit on the control yet
    ASSERT_TRUE(dialog.Open());
    dialog.GetDlgItem(kPlain)->SetFocus();
    editOf(dialog)->setText(QStringLiteral("abcdefg"));
    EXPECT_EQ(dialog.UpdateData(TRUE), FALSE);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "5 文字以内で入力してください。");
    EXPECT_EQ(boxes.shown()[0].type, 0x30u);
    EXPECT_EQ(boxes.shown()[0].owner, dialog.widget());
    EXPECT_TRUE(waitFor([&] { return hasFocus(dialog, kEdit); }));
    EXPECT_EQ(editOf(dialog)->selectedText(), QStringLiteral("abcdefg"));
}

TEST(DataExchange, DefaultOKOfAModalDialogTracesTheFailureAndStaysOpen)
{
    MessageBoxRecorder boxes;
    TraceRecorder trace;
    ProbeDialog dialog(kNoDefault);
    dialog.textId = kEdit;
    dialog.maxChars = 3;
    dialog.loadOnInit = false;
    Script script;
    script.when(
        "dialog active", [&] { return isActive(dialog); },
        [&] {
            editOf(dialog)->setText(QStringLiteral("abcd"));
            pressKey(Qt::Key_Return);
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{"3 文字以内で入力してください。"});
            EXPECT_EQ(trace.lines(),
                      std::vector<std::string>{"UpdateData failed during dialog termination.\n"});
            EXPECT_TRUE(dialog.IsWindowVisible());
            EXPECT_EQ(activeModalDialog(), &dialog);
            editOf(dialog)->setText(QStringLiteral("abc"));
            pressKey(Qt::Key_Return);
        });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.text, "abc");
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST(DataExchange, ControlIsAttachedOnceAndAgainToANewWindow)
{
    ProbeDialog dialog(kForm);
    dialog.exchangeAddress = true;
    ASSERT_TRUE(dialog.Create());
    QWidget* first = dialog.address.widget();
    ASSERT_NE(qobject_cast<IPAddressEdit*>(first), nullptr);
    EXPECT_EQ(dialog.GetDlgItem(kAddress), &dialog.address);
    EXPECT_EQ(dialog.UpdateData(TRUE), TRUE);
    EXPECT_EQ(dialog.UpdateData(FALSE), TRUE);
    EXPECT_EQ(dialog.address.widget(), first);

    dialog.DestroyWindow();
    EXPECT_EQ(dialog.address.widget(), nullptr);
    ASSERT_TRUE(dialog.Create());
    EXPECT_NE(dialog.address.widget(), nullptr);
    EXPECT_EQ(dialog.address.widget(), controlOf(dialog, kAddress));
}
