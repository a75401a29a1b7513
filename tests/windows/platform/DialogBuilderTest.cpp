// The program's own templates, built into windows: sizes and places in
// pixels, texts, and the style bits that change what a control does.

#include "platform/DialogUnits.h"
#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <gtest/gtest.h>

using namespace kelvor::test;
using probe::ProbeDialog;

namespace {

struct BuiltWindow
{
    UINT id;
    QSize clientSize;
};

class RealTemplate : public ::testing::TestWithParam<BuiltWindow>
{};

QString textOf(QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    return {};
}

TEST_P(RealTemplate, BuildsEveryControlInTemplateOrderAndPlace)
{
    const DialogTemplate& dialogTemplate = DialogResource(GetParam().id);
    ProbeDialog dialog(dialogTemplate);
    ASSERT_TRUE(dialog.Create());
    QWidget* window = dialog.widget();
    EXPECT_EQ(window->size(), GetParam().clientSize);
    EXPECT_EQ(window->font().pixelSize(), 15);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(dialogTemplate.caption));
    EXPECT_EQ(dialog.IsWindowVisible(), (dialogTemplate.style & WS_VISIBLE) ? TRUE : FALSE);

    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), (dialogTemplate.style & WS_SYSMENU) != 0);
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    const QList<QWidget*> children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), static_cast<qsizetype>(dialogTemplate.items.size()));
    const DialogBaseUnits units{9, 16}; // IPAPGothic at 15 px
    for (std::size_t i = 0; i < dialogTemplate.items.size(); ++i) {
        const DialogItem& item = dialogTemplate.items[i];
        QWidget* control = children[static_cast<qsizetype>(i)];
        SCOPED_TRACE(testing::Message() << "item " << i << " id " << item.id);
        EXPECT_EQ(control->geometry(), mapDialogRect(units, item.x, item.y, item.cx, item.cy));
        EXPECT_EQ(control->isHidden(), (item.style & WS_VISIBLE) == 0);
        EXPECT_EQ(control->isEnabled(), (item.style & WS_DISABLED) == 0);
        if (item.kind != ControlClass::IPAddress) {
            EXPECT_EQ(textOf(control), QString::fromUtf8(item.text));
        }
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_EQ(button->isDefault(), (item.style & 0x0F) == BS_DEFPUSHBUTTON);
        }
    }

    // Nothing the framework does may set a display name: the desktop would
    // add it to every caption.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("probe-name"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("probe-name"));
    QCoreApplication::setApplicationName(name);
}

INSTANTIATE_TEST_SUITE_P(AllFive, RealTemplate,
                         ::testing::Values(BuiltWindow{IDD_RT_UT_DIALOG, {401, 218}},
                                           BuiltWindow{IDD_IPADD, {401, 218}},
                                           BuiltWindow{IDD_SUBMENU, {401, 216}},
                                           BuiltWindow{IDD_UPLOAD, {401, 174}},
                                           BuiltWindow{IDD_DELETE, {401, 174}}));

TEST(Builder, MainWindowTextsAndStartButtonAreExact)
{
    ProbeDialog dialog(DialogResource(IDD_RT_UT_DIALOG));
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(controlOf(dialog, IDOK)->geometry(), QRect(18, 168, 81, 32));
    EXPECT_EQ(dialog.widget()->windowTitle(),
              QStringLiteral("ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ"));
    const QList<QLabel*> labels = dialog.widget()->findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 2);
    EXPECT_EQ(labels[1]->text(), QStringLiteral("プログラムアップロードユーティリティ　Ver 3.00"));
    EXPECT_EQ(labels[1]->text().count(QChar(0x3000)), 1);
}

TEST(Builder, EditStylesPasswordReadOnlyBorderlessTransparent)
{
    ProbeDialog connection(DialogResource(IDD_IPADD));
    ASSERT_TRUE(connection.Create());
    auto* login = qobject_cast<QLineEdit*>(controlOf(connection, IDC_LOGIN));
    auto* password = qobject_cast<QLineEdit*>(controlOf(connection, IDC_PASSWORD));
    ASSERT_TRUE(login != nullptr && password != nullptr);
    EXPECT_EQ(login->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(login->hasFrame());
    EXPECT_FALSE(login->isReadOnly());
    EXPECT_EQ(qobject_cast<QPushButton*>(controlOf(connection, IDCANCEL))->text(),
              QStringLiteral("ｷｬﾝｾﾙ"));

    ProbeDialog upload(DialogResource(IDD_UPLOAD));
    ASSERT_TRUE(upload.Create());
    auto* status = qobject_cast<QLineEdit*>(controlOf(upload, IDC_STATUS_TEXT));
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isReadOnly());
    EXPECT_FALSE(status->hasFrame());
    EXPECT_EQ(status->palette().color(QPalette::Base).alpha(), 0);
    EXPECT_EQ(status->focusPolicy() & Qt::TabFocus, 0);
}

TEST(Builder, HiddenDefaultButtonStaysHiddenWhenTheWindowShows)
{
    ProbeDialog dialog(DialogResource(IDD_DELETE));
    ASSERT_TRUE(dialog.Create());
    EXPECT_FALSE(dialog.IsWindowVisible()); // no WS_VISIBLE in the template
    dialog.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dialog.IsWindowVisible());
    QWidget* cancel = controlOf(dialog, IDOK);
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_EQ(dialog.widget()->windowHandle()->title(), QStringLiteral("削除中"));
}

} // namespace
