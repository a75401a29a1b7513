#pragma once

// The end-to-end tests' fixture: the whole program in one process, driven
// through its windows with the keyboard and the mouse, against the unit
// stand-in on port 21 of a loopback address of its own.

#include "app/RT_UT.h"
#include "app/RT_UTDlg.h"
#include "connection/FtpFaultInjection.h"
#include "connection/IPAdd.h"
#include "platform/IPAddressEdit.h"
#include "res/resource.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnitStandIn.h"
#include "tests/windows/WindowTest.h"
#include "tests/support/WorkingFolder.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"

#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace kelvor::test {

namespace fs = std::filesystem;

inline const std::string kConfirmUpload = "アップロードを開始します。\nよろしいですか？";
inline const std::string kConfirmDelete = "プログラムを削除します。\nよろしいですか？";
inline const std::string kUploadDone =
    "アップロードが終了しました。\n\nＫＥＬＶＯＲの電源を入れなおしてください。\n"
    "システムが動作するまでに時間がかかります。\nしばらくお待ちください。";
inline const std::string kUploadFailed = "アップロードに失敗しました。";
inline const std::string kUploadCancelled =
    "アップロードを中止しました。\n電源を切る前に、もう一度プログ"
    "ラム\nアップロードをしてください。";
inline const std::string kPowerNote =
    "\n電源を切る前に、もう一度プログラム\nアップロードをしてください。";
inline const std::string kDeleteDone = "プログラムの削除が終了しました。" + kPowerNote;
inline const std::string kDeleteFailed = "プログラムの削除に失敗しました。" + kPowerNote;

inline QString shownAddress()
{
    auto* edit = qobject_cast<IPAddressEdit*>(controlOf(g_dlgIPAdd, IDC_IPADDRESS));
    QStringList fields;
    for (int i = 0; i < 4; ++i)
        fields << addressField(edit, i)->text();
    return fields.join(QLatin1Char('.'));
}

// In the connection dialog, with the keyboard only: the unit's address over
// whatever is proposed, then login name and password, then Enter. Never
// presses Connect with any other address.
inline void typeAddressAndLogIn(const std::string& unitAddress)
{
    pressKey(Qt::Key_Backtab); // from the login name to the address, the last tab stop
    typeText(QString::fromStdString(unitAddress));
    if (shownAddress() != QString::fromStdString(unitAddress)) {
        ADD_FAILURE() << "typed address reads " << shownAddress().toStdString();
        g_dlgIPAdd.EndDialog(IDCANCEL);
        return;
    }
    pressKey(Qt::Key_Tab);
    typeText(QStringLiteral("kelvor"));
    pressKey(Qt::Key_Tab);
    typeText(QStringLiteral("kelvor"));
    pressKey(Qt::Key_Return);
}

inline QPushButton* progressButton(const char* caption)
{
    QWidget* window = visibleWindowTitled(QString::fromUtf8(caption));
    return window != nullptr ? window->findChild<QPushButton*>() : nullptr;
}

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(unit->root() / "prog"); }

    void TearDown() override
    {
        // As main() does after the application has returned.
        ReleaseOperationState();
        ftp_fault_injection::failSessionOpens(false);
    }

    // Starts the unit stand-in with these options, in place of the one
    // with none.
    void startUnit(UnitStandIn::Options options = {})
    {
        unit = std::make_unique<UnitStandIn>(options);
        fs::create_directories(unit->root() / "prog");
    }

    void writeSettings(const std::string& ini) { folder.write("KELVOR.INI", ini); }

    // KELVOR.INI proposing the unit's address, then these lines.
    void writeSettingsForTheUnit(const std::string& lines)
    {
        writeSettings("[KELVOR]\nDEFAULTIP=" + unit->address() + "\n" + lines);
    }

    // The program file: a few MiB of a fixed pattern.
    fs::path writeProgramFile(const std::string& name = "KELVOR.BIN",
                              std::uint64_t bytes = 3 * 1024 * 1024)
    {
        const fs::path path = folder.path() / name;
        writePatternFile(path, bytes, 7);
        return path;
    }

    // Main window: Start with Enter. Connection dialog: check the proposed
    // address is the unit's (never dial anything else), type login name and
    // password, Enter.
    void startAndLogIn(Script& script, const std::string& password = "kelvor")
    {
        script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
        script.whenActive("connection dialog", IDD_IPADD, [password, address = unit->address()] {
            if (shownAddress() != QString::fromStdString(address)) {
                ADD_FAILURE() << "proposed " << shownAddress().toStdString();
                g_dlgIPAdd.EndDialog(IDCANCEL);
                return;
            }
            auto* login = qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_LOGIN));
            login->clear();
            typeText(QStringLiteral("kelvor"));
            pressKey(Qt::Key_Tab);
            qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_PASSWORD))->clear();
            typeText(QString::fromStdString(password));
            pressKey(Qt::Key_Return);
        });
    }

    // Once the menu is back and active, presses one of its buttons.
    static void whenMenuReady(Script& script, const char* what, int button)
    {
        script.when(
            what,
            [] {
                return activeModalTemplate() == IDD_SUBMENU && g_dlgSubMenu.IsWindowEnabled() &&
                       isActive(g_dlgSubMenu);
            },
            [button] { clickButton(g_dlgSubMenu, button); }, 60s);
    }

    // Runs the program as start-up runs it.
    void runProgram() { EXPECT_EQ(theApp.InitInstance(), FALSE); }

    // Starts an upload that stalls and presses Cancel once it has.
    bool runCancelledUpload(bool sessionsFail);

    bool hasRecord(const std::string& kind) const
    {
        for (const LogRecord& record : unit->records()) {
            if (record.kind == kind)
                return true;
        }
        return false;
    }

    std::unique_ptr<UnitStandIn> unit = std::make_unique<UnitStandIn>();
    WorkingFolder folder;
    MessageBoxRecorder boxes;
};

} // namespace kelvor::test
