// Message boxes: shown for real with the buttons, icons, keys and owner
// handling the program was written for.

#include "platform/AppName.h"
#include "platform/WinApp.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

QMessageBox* activeBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible() && QApplication::activeWindow() == box)
            return box;
    }
    return nullptr;
}

enum class Answer
{
    Enter,
    Escape,
    CloseBox
};

struct BoxCase
{
    const char* name;
    UINT flags;
    QMessageBox::Icon icon;
    Answer answer;
    int result;
};

class RealBox : public ::testing::TestWithParam<BoxCase>
{};

TEST(WindowMessageBox, IsOwnedByTheWindowAndAnswersWithTheButtonPressed)
{
    MessageBoxRecorder boxes;
    boxes.answerWith([](const ShownMessageBox&) { return IDCANCEL; });
    ProbeDialog owner(kForm);
    ASSERT_TRUE(owner.Create());
    EXPECT_EQ(owner.MessageBox("続けますか？", "確認ﾒｯｾｰｼﾞ", 0x21), IDCANCEL);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].owner, owner.widget());
    EXPECT_EQ(boxes.shown()[0].text, "続けますか？");
    EXPECT_EQ(boxes.shown()[0].caption, "確認ﾒｯｾｰｼﾞ");
    EXPECT_EQ(boxes.shown()[0].type, 0x21u);
    EXPECT_TRUE(owner.IsWindowEnabled()); // given back
}

TEST(WindowMessageBox, OfAWindowThatIsGoneHasNoOwner)
{
    MessageBoxRecorder boxes;
    ProbeDialog owner(kForm);
    EXPECT_EQ(owner.MessageBox("本文", "ﾒｯｾｰｼﾞ", 0x40), IDOK);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].owner, nullptr);
}

TEST(FrameworkMessageBox, GivesPlainBoxesTheExclamationIcon)
{
    MessageBoxRecorder boxes;
    ProbeDialog main(kForm);
    ASSERT_TRUE(main.Create());
    MainWindowScope scope(&main);
    AfxMessageBox("a");
    AfxMessageBox("b", MB_OKCANCEL);
    AfxMessageBox("c", MB_ICONINFORMATION);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes.shown()[1].type, MB_OKCANCEL | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes.shown()[2].type, MB_ICONINFORMATION);
    EXPECT_EQ(boxes.shown()[0].owner, main.widget());
    EXPECT_EQ(boxes.shown()[0].caption, AfxGetAppName());
}

TEST_P(RealBox, ShowsTheIconAndButtonsAndAnswersTheKeys)
{
    const BoxCase& box = GetParam();
    ProbeDialog owner(kForm);
    ASSERT_TRUE(owner.Open());
    Script script;
    script.when(
        "box active", [] { return activeBox() != nullptr; },
        [&] {
            QMessageBox* shown = activeBox();
            EXPECT_EQ(shown->icon(), box.icon);
            EXPECT_EQ(shown->text(), QStringLiteral("本文"));
            EXPECT_EQ(shown->windowTitle(), QStringLiteral("ﾒｯｾｰｼﾞ"));
            QStringList texts;
            for (QAbstractButton* button : shown->buttons())
                texts << button->text();
            texts.sort();
            const QStringList expected =
                (box.flags & 0x0F) == MB_OKCANCEL
                    ? QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}
                    : QStringList{QStringLiteral("OK")};
            EXPECT_EQ(texts, expected);
            EXPECT_FALSE(owner.IsWindowEnabled());
            switch (box.answer) {
            case Answer::Enter:
                pressKey(Qt::Key_Return);
                break;
            case Answer::Escape:
                pressKey(Qt::Key_Escape);
                break;
            case Answer::CloseBox:
                shown->windowHandle()->close();
                break;
            }
        });
    EXPECT_EQ(owner.MessageBox("本文", "ﾒｯｾｰｼﾞ", box.flags), box.result);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_TRUE(waitFor([&] { return isActive(owner); }));
}

INSTANTIATE_TEST_SUITE_P(
    FlagsAndKeys, RealBox,
    ::testing::Values(
        BoxCase{"StopEnter", 0x10, QMessageBox::Critical, Answer::Enter, IDOK},
        BoxCase{"StopEscape", 0x10, QMessageBox::Critical, Answer::Escape, IDOK},
        BoxCase{"StopCloseBox", 0x10, QMessageBox::Critical, Answer::CloseBox, IDOK},
        BoxCase{"QuestionEnter", 0x21, QMessageBox::Question, Answer::Enter, IDOK},
        BoxCase{"QuestionEscape", 0x21, QMessageBox::Question, Answer::Escape, IDCANCEL},
        BoxCase{"QuestionCloseBox", 0x21, QMessageBox::Question, Answer::CloseBox, IDCANCEL},
        BoxCase{"InformationEscape", 0x40, QMessageBox::Information, Answer::Escape, IDOK},
        BoxCase{"ExclamationEnter", 0x30, QMessageBox::Warning, Answer::Enter, IDOK}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RealBoxOwner, AlreadyDisabledStaysDisabled)
{
    ProbeDialog owner(kForm);
    ASSERT_TRUE(owner.Open());
    owner.EnableWindow(FALSE); // as a modal chain leaves it
    Script script;
    script.when(
        "box active", [] { return activeBox() != nullptr; }, [] { pressKey(Qt::Key_Return); });
    EXPECT_EQ(owner.MessageBox("本文", "ﾒｯｾｰｼﾞ", 0x40), IDOK);
    EXPECT_FALSE(owner.IsWindowEnabled());
}

} // namespace
