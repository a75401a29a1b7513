// The main function of the window tests: an application on the offscreen
// platform (no display needed), with the look the program sets up.

#include "platform/WinApp.h"
#include "platform/Wnd.h"

#include <QApplication>
#include <curl/curl.h>
#include <gtest/gtest.h>

namespace {

// The offscreen platform cannot raise windows or pass on size hints, and says
// so for every window; that is expected here.
void quietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QStringLiteral("This plugin does not support")))
        return;
    if (text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    qt_message_output(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessageHandler);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    testing::InitGoogleTest(&argc, argv);
    // As the program names itself (app/main.cpp).
    QCoreApplication::setApplicationName(QStringLiteral("kelvor"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Enable3dControlsStatic();
    const int result = RUN_ALL_TESTS();
    CWnd::DestroyAllWindows();
    curl_global_cleanup();
    return result;
}
