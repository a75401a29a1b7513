// Saves a PNG of every window of the program, in the states worth looking
// at, and what a screen reader finds in it (<name>.a11y.txt), into the
// folder given as the only argument. A grab shows no title bar, so each
// picture has a strip on top with the window's icon and caption. Run it with
// QT_QPA_PLATFORM=offscreen to need no display.

#include "app/RT_UTDlg.h"
#include "connection/IPAdd.h"
#include "platform/AppIcon.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "transfer/Delete.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"
#include "transfer/Upload.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPainter>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

namespace {

QString g_folder;

// What a screen reader finds in the window: an object a line, by depth.
void describe(QAccessibleInterface* node, int depth, QTextStream& out)
{
    if (node == nullptr)
        return;
    out << QString(depth * 2, QLatin1Char(' '))
        << QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role()) << " '"
        << node->text(QAccessible::Name) << "'";
    if (const QString value = node->text(QAccessible::Value); !value.isEmpty())
        out << " value '" << value << "'";
    if (const QString description = node->text(QAccessible::Description); !description.isEmpty())
        out << " description '" << description << "'";
    out << "\n";
    for (int i = 0; i < node->childCount(); ++i)
        describe(node->child(i), depth + 1, out);
}

// A PNG of the window under a title strip that shows its icon and caption,
// as a title bar would, and its accessible tree.
void save(QWidget* widget, const QString& name)
{
    QApplication::processEvents();
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const QPixmap client = widget->grab();
    constexpr int kStrip = 22;
    QPixmap picture(client.width(), client.height() + kStrip);
    picture.fill(QColor(0x3c, 0x3c, 0x46));
    {
        QPainter painter(&picture);
        painter.drawPixmap(3, 3, widget->windowIcon().pixmap(16, 16));
        painter.setPen(Qt::white);
        painter.setFont(widget->font());
        painter.drawText(QRect(24, 0, client.width() - 26, kStrip), Qt::AlignVCenter,
                         widget->windowTitle());
        painter.drawPixmap(0, kStrip, client);
    }
    picture.save(path);
    QFile tree(g_folder + QLatin1Char('/') + name + QStringLiteral(".a11y.txt"));
    if (tree.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream out(&tree);
        describe(QAccessible::queryAccessibleInterface(widget), 0, out);
    }
    std::printf("%s (%dx%d)\n", qPrintable(path), widget->width(), widget->height());
}

// A dialog of a template, with no behaviour of its own.
struct PlainDialog : CDialog
{
    explicit PlainDialog(UINT id) : CDialog(DialogResource(id)) {}
};

void saveTemplate(UINT id, const QString& name)
{
    PlainDialog dialog(id);
    dialog.Create();
    dialog.ShowWindow(SW_SHOW);
    save(dialog.widget(), name);
    dialog.DestroyWindow();
}

// Shows a real message box and grabs it once it is up.
void saveMessageBox(const std::string& text, const std::string& caption, UINT type,
                    const QString& name)
{
    QTimer::singleShot(100, [name] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                save(box, name);
                box->done(0);
            }
        }
    });
    ShowMessageBox(nullptr, text, caption, type);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(g_folder);
    Enable3dControlsStatic();
    SetAppIcon(LoadIconImages(IDR_MAINFRAME));

    const QFont font = dialogFont("ＭＳ Ｐゴシック", 11);
    const DialogBaseUnits units = dialogBaseUnits(font);
    std::printf("dialog font: %s, %d px; base units %d x %d\n",
                qPrintable(QFontInfo(font).family()), font.pixelSize(), units.cx, units.cy);

    saveTemplate(IDD_RT_UT_DIALOG, QStringLiteral("102-main"));
    saveTemplate(IDD_SUBMENU, QStringLiteral("130-menu"));

    {
        CIPAdd dialog;
        dialog.Create();
        dialog.ShowWindow(SW_SHOW);
        dialog.m_strLogin = "admin";
        dialog.m_strPassword = "secret";
        dialog.UpdateData(FALSE);
        save(dialog.widget(), QStringLiteral("129-connection"));
        dialog.DestroyWindow();
    }
    {
        g_nStatus = STATUS_RUNNING;
        auto* upload = new CUpload;
        upload->Create();
        upload->ShowWindow(SW_SHOW);
        g_nBlink = 1;
        g_nElapsed = 74;
        upload->SendMessage({MessageKind::Timer, 0, 1, 0}); // wait text shown, 1分15秒
        save(upload->widget(), QStringLiteral("132-upload"));
        upload->DestroyWindow();

        auto* deletion = new CDelete;
        deletion->Create();
        deletion->ShowWindow(SW_SHOW);
        g_nBlink = 1;
        deletion->SendMessage({MessageKind::Timer, 0, 1, 0}); // wait text shown
        save(deletion->widget(), QStringLiteral("133-delete"));
        deletion->DestroyWindow();
    }

    saveMessageBox("ＫＥＬＶＯＲとの接続に失敗しました。", "ｴﾗｰﾒｯｾｰｼﾞ", MB_OK | MB_ICONSTOP,
                   QStringLiteral("box-stop"));
    saveMessageBox("アップロードを開始します。\nよろしいですか？", "確認ﾒｯｾｰｼﾞ",
                   MB_OKCANCEL | MB_ICONQUESTION, QStringLiteral("box-question"));
    saveMessageBox("アップロードが終了しました。\n\nＫＥＬＶＯＲの電源を入れなおしてください。\n"
                   "システムが動作するまでに時間がかかります。\nしばらくお待ちください。",
                   "ﾒｯｾｰｼﾞ", MB_OK | MB_ICONINFORMATION, QStringLiteral("box-information"));
    saveMessageBox("255 文字以内で入力してください。", "kelvor", MB_OK | MB_ICONEXCLAMATION,
                   QStringLiteral("box-exclamation"));

    CWnd::DestroyAllWindows();
    return 0;
}
