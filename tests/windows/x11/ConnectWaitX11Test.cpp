// The connection dialog under a real X server while it waits for a unit
// that never answers: the window system's questions are answered on the
// spot. A desktop pings a window (_NET_WM_PING) and offers to force-quit a
// program whose window does not answer; a window that is uncovered must
// paint itself again. Both are asked here from a connection of the test's
// own, as a window manager would, while the connect waits.

#include "app/RT_UTDlg.h"
#include "connection/Ftp.h"
#include "connection/FtpFaultInjection.h"
#include "connection/IPAdd.h"
#include "res/resource.h"
#include "tests/support/Poll.h"
#include "tests/support/Sockets.h"
#include "tests/windows/WindowTest.h"
#include "tests/support/WorkingFolder.h"
#include "transfer/OperationState.h"

#include <QLineEdit>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <xcb/xcb.h>

using namespace kelvor::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kConnectBound = std::chrono::milliseconds(2500);
constexpr auto kAnswerBound = std::chrono::seconds(5);
constexpr std::uint32_t kCoverColour = 0xff00ff; // no dialog is magenta

// What the window manager side saw, each with the time it saw it.
struct Answers
{
    std::optional<Clock::time_point> pingAnswered;
    std::optional<Clock::time_point> repainted;
    std::string failure;
};

// The window manager's side: an X connection of its own.
class WindowManagerSide
{
public:
    WindowManagerSide() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        // Replies to pings are sent to the root window, to whoever watches
        // its structure (or redirects its children, as the window manager
        // would; there is none here).
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~WindowManagerSide() { xcb_disconnect(m_connection); }
    WindowManagerSide(const WindowManagerSide&) = delete;
    WindowManagerSide& operator=(const WindowManagerSide&) = delete;

    bool usable() const { return xcb_connection_has_error(m_connection) == 0; }

    // Sends _NET_WM_PING to window; true once it has answered.
    bool ping(xcb_window_t window)
    {
        const xcb_atom_t protocols = atom("WM_PROTOCOLS");
        const xcb_atom_t ping = atom("_NET_WM_PING");
        const std::uint32_t stamp = ++m_stamp;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols;
        message.data.data32[0] = ping;
        message.data.data32[1] = stamp;
        message.data.data32[2] = window;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
        return pollUntil(
            [&] {
                while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                    const bool answer =
                        (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                        reinterpret_cast<xcb_client_message_event_t*>(event)->data.data32[1] ==
                            stamp;
                    std::free(event);
                    if (answer)
                        return true;
                }
                return false;
            },
            kAnswerBound);
    }

    // Covers window with a window of the cover colour and takes it away
    // again; true once the point (x, y) of window shows something else
    // than the cover once more.
    bool uncoverAndSeeRepaint(xcb_window_t window, std::int16_t x, std::int16_t y)
    {
        const auto translated = xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_screen->root, 0, 0),
            nullptr);
        const auto geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        if (translated == nullptr || geometry == nullptr) {
            std::free(translated);
            std::free(geometry);
            return false;
        }
        const std::int16_t left = translated->dst_x;
        const std::int16_t top = translated->dst_y;
        const std::uint16_t width = geometry->width;
        const std::uint16_t height = geometry->height;
        std::free(translated);
        std::free(geometry);

        const xcb_window_t cover = xcb_generate_id(m_connection);
        const std::uint32_t values[] = {kCoverColour, 1};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, cover, m_screen->root, left, top,
                          width, height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(m_connection, cover);
        xcb_flush(m_connection);
        const std::int16_t pointX = static_cast<std::int16_t>(left + x);
        const std::int16_t pointY = static_cast<std::int16_t>(top + y);
        const bool covered =
            pollUntil([&] { return pixelAt(pointX, pointY) == kCoverColour; }, kAnswerBound);
        xcb_destroy_window(m_connection, cover);
        xcb_flush(m_connection);
        return covered &&
               pollUntil([&] { return pixelAt(pointX, pointY) != kCoverColour; }, kAnswerBound);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    }

    // What the screen shows at (x, y), as 0xRRGGBB; all ones when unknown.
    std::uint32_t pixelAt(std::int16_t x, std::int16_t y)
    {
        auto* reply = xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root, x, y, 1, 1, ~0u),
            nullptr);
        std::uint32_t pixel = 0xffffffff;
        if (reply != nullptr && xcb_get_image_data_length(reply) >= 4) {
            std::memcpy(&pixel, xcb_get_image_data(reply), 4);
            pixel &= 0xffffff;
        }
        std::free(reply);
        return pixel;
    }

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen = nullptr;
    std::uint32_t m_stamp = 0;
};

} // namespace

TEST(ConnectWaitUnderX11, TheDialogAnswersPingsAndRepaintsWhileTheUnitIsWaitedFor)
{
    ftp_fault_injection::setBounds({kConnectBound, kFtpBounds.serverResponse,
                                    kFtpBounds.stalledTransfer, kFtpBounds.sizeAnswer});
    UnansweringPort unit;
    WorkingFolder folder;
    folder.write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=" + unit.address() + "\n");
    MessageBoxRecorder boxes;
    std::optional<Clock::time_point> waitEnded;
    boxes.answerWith([&](const ShownMessageBox&) {
        waitEnded = Clock::now();
        return IDOK;
    });

    WindowManagerSide windowManager;
    ASSERT_TRUE(windowManager.usable());
    Answers answers;
    Script script;
    script.whenActive("connection dialog", IDD_IPADD, [&] {
        qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, IDC_LOGIN))->setText("kelvor");
        const auto window = static_cast<xcb_window_t>(g_dlgIPAdd.widget()->winId());
        auto asking = std::async(std::launch::async, [&] {
            Answers seen;
            // The connect has begun, and waits, once its SYN goes unanswered.
            if (!pollUntil([&] { return unit.attemptsWaiting() > 0; }, kAnswerBound)) {
                seen.failure = "the connect never waited for the unit";
                return seen;
            }
            if (windowManager.ping(window))
                seen.pingAnswered = Clock::now();
            if (windowManager.uncoverAndSeeRepaint(window, 4, 4))
                seen.repainted = Clock::now();
            return seen;
        });
        clickButton(g_dlgIPAdd, IDOK);
        // The event loop runs on meanwhile, so answers that come late do come.
        waitFor(
            [&] { return asking.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            3 * kAnswerBound);
        answers = asking.get();
        g_dlgIPAdd.EndDialog(IDCANCEL);
    });
    g_dlgIPAdd.DoModal();
    ftp_fault_injection::restoreBounds();

    ASSERT_EQ(answers.failure, "");
    ASSERT_TRUE(waitEnded) << "no report after the wait";
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ＫＥＬＶＯＲとの接続に失敗しました。"});
    // Answered while the connect still waited, not once it had given up.
    ASSERT_TRUE(answers.pingAnswered) << "the ping was never answered";
    EXPECT_LT(*answers.pingAnswered, *waitEnded) << "the ping was answered only after the wait";
    ASSERT_TRUE(answers.repainted) << "the uncovered dialog never painted itself again";
    EXPECT_LT(*answers.repainted, *waitEnded) << "the dialog painted itself only after the wait";
    delete g_pFtpConnection;
    g_pFtpConnection = nullptr;
}
