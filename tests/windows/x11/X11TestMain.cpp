// The main function of the tests under a real X server: a virtual display
// of its own (Xvfb), and the program's windows on Qt's X11 platform, so that
// what the window system asks of them is answered by the real platform code.
// Exits with 77 (skipped) where there is no Xvfb.

#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "tests/support/ChildProcess.h"

#include <QApplication>
#include <cstdio>
#include <curl/curl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace {

constexpr int kSkipped = 77;
constexpr const char* kXvfb = "/usr/bin/Xvfb";

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!std::filesystem::exists(kXvfb)) {
        std::printf("%s is not installed: skipped\n", kXvfb);
        return kSkipped;
    }
    // Xvfb picks a free display itself and names it on its standard output.
    kelvor::test::ChildProcess xvfb(
        {kXvfb,
         {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"},
         "/dev/null",
         true});
    const std::optional<std::string> display = xvfb.readLine(std::chrono::seconds(20));
    if (!display) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", QByteArray(":") + QByteArray::fromStdString(*display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");

    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication::setApplicationName(QStringLiteral("kelvor"));
    int result = 1;
    {
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        Enable3dControlsStatic();
        result = RUN_ALL_TESTS();
        CWnd::DestroyAllWindows();
    }
    curl_global_cleanup();
    return result;
}
