// The connection dialog: the proposed address, the address check, the login
// against a real FTP server on loopback, and its failure reports.

#include "app/RT_UTDlg.h"
#include "connection/Ftp.h"
#include "connection/FtpFaultInjection.h"
#include "connection/IPAdd.h"
#include "platform/AppName.h"
#include "platform/IPAddressEdit.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "tests/support/Sockets.h"
#include "tests/support/UnitStandIn.h"
#include "tests/windows/WindowTest.h"
#include "tests/support/WorkingFolder.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

using namespace kelvor::test;

namespace {

const std::string kConnectFailed = "ＫＥＬＶＯＲとの接続に失敗しました。";
const std::string kBadAddress = "ＩＰアドレスが不正です。";

QWidget* addressControl()
{
    return controlOf(g_dlgIPAdd, IDC_IPADDRESS);
}

QString shownAddress()
{
    QStringList fields;
    for (int i = 0; i < 4; ++i)
        fields << addressField(addressControl(), i)->text();
    return fields.join(QLatin1Char('.'));
}

void setText(int id, const QString& text)
{
    qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, id))->setText(text);
}

void setAddressFields(const QStringList& fields)
{
    for (int i = 0; i < 4; ++i)
        addressField(addressControl(), i)->setText(fields[i]);
}

bool busyCursorShown()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// Counts what reaches the program: key presses and mouse presses anywhere
// and the connection dialog's close box once armed, and paints of the connection dialog while
// the busy cursor shows. Installed before the program's own wait begins, it
// sees only what the wait lets through.
class WhatArrives : public QObject
{
public:
    WhatArrives() { qApp->installEventFilter(this); }
    ~WhatArrives() override { qApp->removeEventFilter(this); }
    bool armed = false;
    int input = 0;
    int paintsWhileBusy = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        QWidget* dialog = g_dlgIPAdd.widget();
        const bool closeBox = type == QEvent::Close && event->spontaneous() && dialog != nullptr &&
                              watched == dialog->windowHandle();
        if (armed && (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || closeBox))
            ++input;
        if (type == QEvent::Paint && dialog != nullptr && watched == dialog && busyCursorShown())
            ++paintsWhileBusy;
        return false;
    }
};

// What an impatient operator does while the connect waits: Enter, Escape,
// another click on 接続, a click on ｷｬﾝｾﾙ and the close box, each as the
// window system delivers it; and what is no input yet acts: a screen
// reader's press of each button (a timed click), a click by code, a close
// sent by Qt.
void pressEverythingDuringTheWait()
{
    for (const int id : {IDOK, IDCANCEL}) {
        QAccessible::queryAccessibleInterface(controlOf(g_dlgIPAdd, id))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
    }
    qobject_cast<QPushButton*>(controlOf(g_dlgIPAdd, IDCANCEL))->click();
    QCloseEvent closeByQt;
    QCoreApplication::sendEvent(g_dlgIPAdd.widget(), &closeByQt);

    QWindow* window = g_dlgIPAdd.widget()->windowHandle();
    QTest::keyClick(window, Qt::Key_Return);
    QTest::keyClick(window, Qt::Key_Escape);
    for (const int id : {IDOK, IDCANCEL}) {
        QWidget* button = controlOf(g_dlgIPAdd, id);
        const QPoint centre = button->mapTo(g_dlgIPAdd.widget(), button->rect().center());
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre);
    }
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    qApp->notify(window, &close);
}

class ConnectionDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_pFtpConnection = nullptr;
        g_bPassive = 0;
        g_strDeviceAddress.clear();
    }

    void TearDown() override
    {
        ftp_fault_injection::failSessionOpens(false);
        ftp_fault_injection::restoreBounds();
        delete g_pFtpConnection;
        g_pFtpConnection = nullptr;
    }

    // Runs the dialog; body runs once it is up and active. Returns the
    // dialog's result (-2 when the test had to end it).
    int runDialog(const std::function<void()>& body)
    {
        Script script;
        script.whenActive("connection dialog", IDD_IPADD, [&] {
            body();
            if (g_dlgIPAdd.IsWindowVisible() && activeModalTemplate() == IDD_IPADD)
                g_dlgIPAdd.EndDialog(-2);
        });
        return g_dlgIPAdd.DoModal();
    }

    WorkingFolder folder;
    MessageBoxRecorder boxes;
    ShellRecorder shell;
    TraceRecorder trace;
};

struct ProposalCase
{
    const char* name;
    const char* ini; // nullptr: no settings file
    const char* shown;
};

void PrintTo(const ProposalCase& value, std::ostream* out)
{
    *out << value.name;
}

class AddressProposal : public ConnectionDialog, public ::testing::WithParamInterface<ProposalCase>
{};

TEST_P(AddressProposal, ComesFromTheSettingsFile)
{
    if (GetParam().ini != nullptr)
        folder.write("KELVOR.INI", GetParam().ini);
    runDialog([] { EXPECT_EQ(shownAddress(), QString::fromUtf8(GetParam().shown)); });
    EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressProposal,
    ::testing::Values(
        ProposalCase{"NoSettingsFile", nullptr, "192.168.1.1"},
        ProposalCase{"Configured", "[KELVOR]\nDEFAULTIP=192.168.1.20\n", "192.168.1.20"},
        ProposalCase{"OctetZeroRefused", "[KELVOR]\nDEFAULTIP=192.168.0.1\n", "192.168.1.1"},
        ProposalCase{"SpacesAccepted", "[KELVOR]\nDEFAULTIP=10 1 2 3\n", "10.1.2.3"},
        ProposalCase{"EmptyRefused", "[KELVOR]\nDEFAULTIP=\n", "192.168.1.1"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ConnectionDialog, EveryShowProposesAfreshReplacingWhatWasTyped)
{
    folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=192.168.1.20\n");
    runDialog([&] {
        setAddressFields({"10", "9", "8", "7"});
        folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=192.168.1.30\n");
        g_dlgIPAdd.ShowWindow(SW_HIDE); // a hide is a show-window notice too
        EXPECT_EQ(shownAddress(), QStringLiteral("192.168.1.30"));
        setAddressFields({"10", "9", "8", "7"});
        g_dlgIPAdd.ShowWindow(SW_SHOW);
        EXPECT_EQ(shownAddress(), QStringLiteral("192.168.1.30"));
    });
}

TEST_F(ConnectionDialog, KeyboardStartsInTheLoginNameAndTabsInTemplateOrder)
{
    runDialog([] {
        EXPECT_EQ(QApplication::focusWidget(), controlOf(g_dlgIPAdd, IDC_LOGIN));
        const int order[] = {IDC_PASSWORD, IDOK, IDCANCEL, IDHELP, IDC_IPADDRESS, IDC_LOGIN};
        for (int id : order) {
            pressKey(Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QWidget* expected = controlOf(g_dlgIPAdd, id);
            EXPECT_TRUE(focus == expected || expected->isAncestorOf(focus)) << "control " << id;
        }
        auto* password = qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_PASSWORD));
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(password->maxLength(), 255);
    });
}

TEST_F(ConnectionDialog, AllZeroOrBlankAddressIsRefusedAndShownAsZeros)
{
    runDialog([] {
        setAddressFields({"", "", "", ""});
        clickButton(g_dlgIPAdd, IDOK);
        EXPECT_EQ(shownAddress(), QStringLiteral("0.0.0.0"));
        setAddressFields({"0", "", "0", ""});
        pressKey(Qt::Key_Return);
        EXPECT_TRUE(g_dlgIPAdd.IsWindowVisible());
    });
    ASSERT_EQ(boxes.shown().size(), 2u);
    for (const ShownMessageBox& box : boxes.shown()) {
        EXPECT_EQ(box.text, kBadAddress);
        EXPECT_EQ(box.caption, "ｴﾗｰﾒｯｾｰｼﾞ");
        EXPECT_EQ(box.type, 0x10u);
        EXPECT_EQ(box.ownerTemplate, IDD_IPADD);
    }
    EXPECT_EQ(g_strDeviceAddress, ""); // never got that far
}

TEST_F(ConnectionDialog, PartlyBlankAddressIsAcceptedAndAFailedLoginLeavesTheDialogOpen)
{
    RefusingPort nothing("127.0.1.10");
    runDialog([] {
        // An octet of 0 is fine when typed, unlike in the settings file.
        setAddressFields({"127", "", "1", "10"});
        setText(IDC_LOGIN, QStringLiteral("kelvor"));
        clickButton(g_dlgIPAdd, IDOK);
        EXPECT_EQ(shownAddress(), QStringLiteral("127.0.1.10"));
        EXPECT_TRUE(g_dlgIPAdd.IsWindowVisible());
        EXPECT_EQ(qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_LOGIN))->text(),
                  QStringLiteral("kelvor"));
    });
    EXPECT_EQ(g_strDeviceAddress, "127.0.1.10");
    EXPECT_EQ(g_bPassive, 1);
    EXPECT_EQ(g_pFtpConnection, nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, kConnectFailed);
    EXPECT_EQ(boxes.shown()[0].type, 0x10u);
}

TEST_F(ConnectionDialog, RefusedLoginThenGoodOneRunsTheMenuAndThenCloses)
{
    UnitStandIn unit;
    folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=" + unit.address() + "\n");

    Script script;
    script.whenActive("connection dialog", IDD_IPADD, [&] {
        setText(IDC_LOGIN, QString::fromStdString(unit.user()));
        setText(IDC_PASSWORD, QStringLiteral("wrong"));
        clickButton(g_dlgIPAdd, IDOK);
        EXPECT_EQ(g_pFtpConnection, nullptr);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{kConnectFailed});
        setText(IDC_PASSWORD, QString::fromStdString(unit.password()));
        clickButton(g_dlgIPAdd, IDOK);
    });
    script.whenActive("operations menu", IDD_SUBMENU, [&] {
        EXPECT_NE(g_pFtpConnection, nullptr);
        EXPECT_FALSE(g_dlgIPAdd.IsWindowEnabled());
        clickButton(g_dlgSubMenu, IDCANCEL);
    });
    EXPECT_EQ(g_dlgIPAdd.DoModal(), IDOK);
    EXPECT_EQ(g_strDeviceAddress, unit.address());
    EXPECT_EQ(boxes.shown().size(), 1u); // nothing more after the menu
    // Every press of Connect logged in on a session of its own.
    EXPECT_EQ(unit.sessions(), 2);
    const auto passwords = unit.commands("PASS");
    ASSERT_EQ(passwords.size(), 2u);
    EXPECT_EQ(passwords[0].argument, "wrong");
    EXPECT_EQ(passwords[1].argument, unit.password());
}

TEST_F(ConnectionDialog, WaitForAUnitThatNeverAnswersKeepsTheDialogAliveAndDropsInput)
{
    // A unit still starting answers nothing; the connect waits for its whole
    // bound, shortened here.
    ftp_fault_injection::setBounds({std::chrono::milliseconds(1500), kFtpBounds.serverResponse,
                                    kFtpBounds.stalledTransfer, kFtpBounds.sizeAnswer});
    UnansweringPort unit;
    folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=" + unit.address() + "\n");

    WhatArrives arrived;
    int clicksWhileWaiting = 0; // what no input filter stops, and no command may follow
    int ticksWhileWaiting = 0;
    bool attemptSeenWaiting = false;
    bool inputGiven = false;
    QTimer meanwhile;
    meanwhile.setInterval(50);
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
        if (!busyCursorShown())
            return;
        arrived.armed = true;
        ++ticksWhileWaiting;
        attemptSeenWaiting = attemptSeenWaiting || unit.attemptsWaiting() > 0;
        g_dlgIPAdd.widget()->update();
        if (ticksWhileWaiting == 3) {
            pressEverythingDuringTheWait();
            inputGiven = true;
        }
    });
    const int result = runDialog([&] {
        for (const int id : {IDOK, IDCANCEL})
            QObject::connect(qobject_cast<QPushButton*>(controlOf(g_dlgIPAdd, id)),
                             &QPushButton::clicked,
                             [&] { clicksWhileWaiting += busyCursorShown(); });
        setText(IDC_LOGIN, QStringLiteral("kelvor"));
        meanwhile.start();
        clickButton(g_dlgIPAdd, IDOK);
        meanwhile.stop();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        QCoreApplication::processEvents();
        EXPECT_TRUE(g_dlgIPAdd.IsWindowVisible());
    });

    EXPECT_TRUE(attemptSeenWaiting) << "the connect never waited for an answer";
    EXPECT_TRUE(inputGiven);
    EXPECT_GE(ticksWhileWaiting, 3);
    EXPECT_GE(arrived.paintsWhileBusy, 1);
    EXPECT_EQ(arrived.input, 0);
    EXPECT_EQ(clicksWhileWaiting, 3); // two presses, one click by code
    // One press of 接続, one report; the dialog stayed open.
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{kConnectFailed});
    EXPECT_EQ(result, -2);
    EXPECT_EQ(g_pFtpConnection, nullptr);
}

TEST_F(ConnectionDialog, LineBreaksInTheLoginAreNeverSent)
{
    UnitStandIn unit;
    folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=" + unit.address() + "\n");
    runDialog([&] {
        // A pasted text keeps its line break in the field.
        setText(IDC_LOGIN, QString::fromStdString(unit.user()));
        setText(IDC_PASSWORD, QString::fromStdString(unit.password() + "\r\nDELE x"));
        clickButton(g_dlgIPAdd, IDOK);
        EXPECT_TRUE(g_dlgIPAdd.IsWindowVisible());
    });
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{kConnectFailed});
    EXPECT_TRUE(unit.commands("DELE").empty());
    EXPECT_TRUE(unit.commands("PASS").empty());
}

TEST_F(ConnectionDialog, SessionThatCannotOpenIsReportedWithTheStopIcon)
{
    ftp_fault_injection::failSessionOpens(true);
    runDialog([] {
        clickButton(g_dlgIPAdd, IDOK);
        EXPECT_TRUE(g_dlgIPAdd.IsWindowVisible());
    });
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(boxes.shown()[0].text, "インターネット セッションを開始できませんでした。");
    EXPECT_EQ(boxes.shown()[0].caption, AfxGetAppName());
    EXPECT_EQ(g_strDeviceAddress, "");
    EXPECT_TRUE(trace.lines().empty());
}

TEST_F(ConnectionDialog, OverlongLoginFailsTheDataExchangeWithATraceLine)
{
    runDialog([] {
        auto* login = qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_LOGIN));
        login->setMaxLength(1000); // as if the text had come in past the limit
        login->setText(QString(256, QLatin1Char('a')));
        clickButton(g_dlgIPAdd, IDOK);
        EXPECT_TRUE(g_dlgIPAdd.IsWindowVisible());
        // Once the dialog is active again, the field that failed has the focus.
        EXPECT_TRUE(waitFor([login] { return QApplication::focusWidget() == login; }));
    });
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "255 文字以内で入力してください。");
    EXPECT_EQ(boxes.shown()[0].type, 0x30u);
    EXPECT_EQ(trace.lines(),
              std::vector<std::string>{"UpdateData failed during dialog termination.\n"});
    EXPECT_EQ(g_strDeviceAddress, "");
}

TEST_F(ConnectionDialog, HelpOpensTheSecondPage)
{
    folder.write("help2.htm", "<html></html>");
    runDialog([] { clickButton(g_dlgIPAdd, IDHELP); });
    ASSERT_EQ(shell.opened().size(), 1u);
    EXPECT_EQ(shell.opened()[0], (folder.path() / "help2.htm").string());
}

class ConnectionDialogEnds : public ConnectionDialog, public ::testing::WithParamInterface<int>
{};

TEST_P(ConnectionDialogEnds, WithoutAnyConnection)
{
    UnitStandIn unit;
    folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=" + unit.address() + "\n");
    Script script;
    script.whenActive("connection dialog", IDD_IPADD, [] {
        switch (GetParam()) {
        case 0:
            clickButton(g_dlgIPAdd, IDCANCEL);
            break;
        case 1:
            pressKey(Qt::Key_Escape);
            break;
        default:
            g_dlgIPAdd.widget()->close();
        }
    });
    EXPECT_EQ(g_dlgIPAdd.DoModal(), IDCANCEL);
    EXPECT_EQ(unit.sessions(), 0);
    EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(CancelEscapeCloseBox, ConnectionDialogEnds, ::testing::Values(0, 1, 2));

} // namespace
