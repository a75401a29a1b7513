// What a screen reader finds in each window of the program, read in process
// through Qt's accessibility interface: every window and every control has
// a name, labels are the buddies of their fields, the address fields are
// named as the parts of the address.

#include "app/RT_UTDlg.h"
#include "connection/IPAdd.h"
#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "tests/support/WorkingFolder.h"
#include "transfer/Delete.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"
#include "transfer/Upload.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace kelvor::test;

namespace {

QAccessibleInterface* accessibleOf(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

std::string nameOf(QWidget* widget)
{
    QAccessibleInterface* node = accessibleOf(widget);
    return node != nullptr ? node->text(QAccessible::Name).toStdString() : std::string();
}

// Every object below node that a user meets (buttons, texts, fields) and
// its name, as "role 'name'" for those without one.
void collectUnnamed(QAccessibleInterface* node, std::vector<std::string>& unnamed)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr)
            continue;
        if (child->text(QAccessible::Name).isEmpty())
            unnamed.push_back(std::to_string(child->role()) + " in '" +
                              node->text(QAccessible::Name).toStdString() + "'");
        collectUnnamed(child, unnamed);
    }
}

struct WindowCase
{
    const char* name;
    UINT templateId;
    const char* caption;
    QAccessible::Role role;
};

void PrintTo(const WindowCase& window, std::ostream* out)
{
    *out << window.name;
}

class WindowsForScreenReaders : public ::testing::TestWithParam<WindowCase>
{
protected:
    // Makes and shows the program's window of this template, modeless.
    CDialog* open(UINT templateId)
    {
        switch (templateId) {
        case IDD_RT_UT_DIALOG:
            owned = std::make_unique<CRT_UTDlg>();
            break;
        case IDD_IPADD:
            owned = std::make_unique<CIPAdd>();
            break;
        case IDD_SUBMENU:
            owned = std::make_unique<CSubMenu>();
            break;
        case IDD_UPLOAD:
            released = new CUpload; // releases itself with its window
            break;
        case IDD_DELETE:
            released = new CDelete;
            break;
        }
        CDialog* dialog = owned ? owned.get() : released;
        dialog->Create();
        dialog->ShowWindow(SW_SHOW);
        return dialog;
    }

    void TearDown() override
    {
        if (released != nullptr)
            released->DestroyWindow();
        g_pWorkerThread.reset();
    }

    WorkingFolder folder; // no settings file: nothing is read from elsewhere
    std::unique_ptr<CDialog> owned;
    CDialog* released = nullptr;
};

TEST_P(WindowsForScreenReaders, NameTheWindowAndEveryControl)
{
    const WindowCase& window = GetParam();
    CDialog* dialog = open(window.templateId);
    QAccessibleInterface* root = accessibleOf(dialog->widget());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->role(), window.role);
    EXPECT_EQ(root->text(QAccessible::Name).toStdString(), window.caption);

    std::vector<std::string> unnamed;
    collectUnnamed(root, unnamed);
    EXPECT_TRUE(unnamed.empty()) << ::testing::PrintToString(unnamed) << "\n"
                                 << accessibleTree(dialog->widget());
}

INSTANTIATE_TEST_SUITE_P(
    ProgramWindows, WindowsForScreenReaders,
    ::testing::Values(WindowCase{"Main", IDD_RT_UT_DIALOG, "ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ",
                                 QAccessible::Window},
                      WindowCase{"Connection", IDD_IPADD, "ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ",
                                 QAccessible::Dialog},
                      WindowCase{"Menu", IDD_SUBMENU, "ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ",
                                 QAccessible::Dialog},
                      WindowCase{"Upload", IDD_UPLOAD, "ｱｯﾌﾟﾛｰﾄﾞ中", QAccessible::Dialog},
                      WindowCase{"Delete", IDD_DELETE, "削除中", QAccessible::Dialog}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionDialogForScreenReaders, LabelsNameTheirFieldsAndTheAddressHasFourParts)
{
    WorkingFolder folder;
    CIPAdd dialog;
    dialog.Create();
    dialog.ShowWindow(SW_SHOW);

    for (const auto& [id, label] :
         {std::pair{IDC_LOGIN, "ログイン名"}, std::pair{IDC_PASSWORD, "パスワード"},
          std::pair{IDC_IPADDRESS, "ＩＰアドレス"}}) {
        QWidget* field = controlOf(dialog, id);
        EXPECT_EQ(nameOf(field), label);
        // The label is the field's buddy: the reader knows what labels it.
        bool labelled = false;
        for (const auto& [other, relation] : accessibleOf(field)->relations(QAccessible::Label)) {
            labelled = labelled || other->text(QAccessible::Name).toStdString() == label;
        }
        EXPECT_TRUE(labelled) << label;
    }

    QWidget* address = controlOf(dialog, IDC_IPADDRESS);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(nameOf(static_cast<QWidget*>(addressField(address, i))),
                  "ＩＰアドレス 第" + std::to_string(i + 1) + "オクテット");
    }
    // The password is named, never read out.
    controlOf(dialog, IDC_PASSWORD)->setProperty("text", QStringLiteral("secret"));
    EXPECT_EQ(accessibleOf(controlOf(dialog, IDC_PASSWORD))
                  ->text(QAccessible::Value)
                  .indexOf(QStringLiteral("secret")),
              -1);
}

TEST(MessageBoxesForScreenReaders, ReadTheCaptionAndTheText)
{
    MessageBoxRecorder boxes;
    std::string tree;
    boxes.answerWith([&](const ShownMessageBox&) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QMessageBox") && widget->isVisible())
                tree = accessibleTree(widget);
        }
        return IDOK;
    });
    CRT_UTDlg owner;
    owner.Create();
    owner.MessageBox("ＩＰアドレスが不正です。", "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP);
    EXPECT_NE(tree.find("'ｴﾗｰﾒｯｾｰｼﾞ'"), std::string::npos) << tree;
    EXPECT_NE(tree.find("ＩＰアドレスが不正です。"), std::string::npos) << tree;
    EXPECT_NE(tree.find("Graphic 'エラー'"), std::string::npos) << tree;
    EXPECT_NE(tree.find("Button 'OK'"), std::string::npos) << tree;
}

} // namespace
