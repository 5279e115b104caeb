// SPDX-License-Identifier: MIT
// LinuxWin32Api's desktop stand-ins on this process's private Xvfb (1280x1024,
// 96 dpi). Without a window manager or tray host: the tray records as CWinAPI
// fills them, the clicks' way back to the callback window, the work area, the
// cursor and the message box. With a real window manager (openbox), acting
// on windows of another X client: states read back with xprop, clicks and
// keys made with xdotool, the root window read as a screenshot. Log-off and
// power-off go to a mock logind on a private bus.

#include "LinuxTestSupport.h"

#include "winapi/CWinAPI.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace tarnquill::test {
namespace {

// A mouse message as the callback window hears it: wParam, x, y.
using Move = std::tuple<WPARAM, int, int>;

QIcon colouredIcon(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class LinuxWin32ApiTest : public ::testing::Test, protected StandIns {
protected:
    LinuxWin32ApiTest()
    {
        m_window = m_handles.addWindow(m_callbackWindow, [this](WPARAM keys, int x, int y) {
            m_moves.emplace_back(keys, x, y);
        });
        m_icon = m_handles.addIcon(colouredIcon(Qt::blue));
    }

    // A record as CWinAPI::TrayIcon fills it, with the flags and icon given.
    NotifyIconDataA record(UINT id, const std::string& tip, UINT flags = NIF_MESSAGE | NIF_ICON | NIF_TIP,
                           HICON icon = 0) const
    {
        NotifyIconDataA data;
        data.hWnd = m_window;
        data.uID = id;
        data.uFlags = flags;
        data.uCallbackMessage = WM_MOUSEMOVE;
        data.hIcon = icon != 0 ? icon : m_icon;
        data.szTip.fill(' ');
        if (tip.copy(data.szTip.data(), data.szTip.size()) < data.szTip.size())
            data.szTip[tip.size()] = '\0';
        return data;
    }

    QString tipOf(UINT id = 1) const
    {
        const QSystemTrayIcon* icon = m_api.trayIcon(m_window, id);
        return icon ? icon->toolTip() : QStringLiteral("(no icon)");
    }

    QWidget m_callbackWindow;
    HWND m_window = 0;
    HICON m_icon = 0;
    std::vector<Move> m_moves;
};

TEST_F(LinuxWin32ApiTest, TrayActionsAnswerAsTheShellDoes)
{
    EXPECT_EQ(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "x")), 0) << "no icon to change yet";
    EXPECT_EQ(m_api.Shell_NotifyIconA(NIM_DELETE, record(1, "x")), 0) << "no icon to remove yet";

    EXPECT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "first")), 0);
    EXPECT_EQ(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "again")), 0) << "the id is taken";
    EXPECT_EQ(tipOf(), "first") << "a refused add changes nothing";
    EXPECT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(2, "second")), 0) << "another id of the same window";

    EXPECT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "changed")), 0);
    EXPECT_EQ(tipOf(1), "changed");
    EXPECT_EQ(tipOf(2), "second");

    EXPECT_NE(m_api.Shell_NotifyIconA(NIM_DELETE, record(1, "")), 0);
    EXPECT_EQ(m_api.trayIcon(m_window, 1), nullptr);
    EXPECT_NE(m_api.trayIcon(m_window, 2), nullptr);
    EXPECT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "back")), 0) << "a removed id may be added again";

    EXPECT_EQ(m_api.Shell_NotifyIconA(3, record(1, "")), 0) << "NIM_SETFOCUS has nothing to focus here";
}

// The tip is the field up to its NUL, all 64 bytes when it has none, in
// UTF-8; the icon is the handle table's.
TEST_F(LinuxWin32ApiTest, TheIconComesFromTheHandleTableAndOnlyFlaggedFieldsChange)
{
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "")), 0);
    const QSystemTrayIcon* icon = m_api.trayIcon(m_window, 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->icon().cacheKey(), m_handles.icon(m_icon).cacheKey());
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(tipOf(), QString());
    for (const std::string& tip : {std::string(62, 'b') + "cd", std::string("T \xe2\x80\x94 caf\xc3\xa9 \xe2\x82\xac")}) {
        ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, tip)), 0);
        EXPECT_EQ(tipOf(), QString::fromStdString(tip));
    }

    const HICON red = m_handles.addIcon(colouredIcon(Qt::red));
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "new tip", NIF_TIP, red)), 0);
    EXPECT_EQ(icon->icon().cacheKey(), m_handles.icon(m_icon).cacheKey()) << "NIF_ICON not set: icon kept";
    EXPECT_EQ(icon->toolTip(), "new tip");

    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "ignored", NIF_ICON, red)), 0);
    EXPECT_EQ(icon->icon().cacheKey(), m_handles.icon(red).cacheKey());
    EXPECT_EQ(icon->toolTip(), "new tip") << "NIF_TIP not set: tip kept";

    // A handle the table does not know leaves an empty slot, as the shell
    // shows one, rather than no icon at all.
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "", NIF_ICON, 0x7777)), 0);
    EXPECT_FALSE(icon->icon().isNull());
    EXPECT_TRUE(icon->isVisible());
}

// Each click reaches the callback window as the shell's mouse message over
// the icon: wParam the icon's id, x the message, y 0. Without NIF_MESSAGE
// the window hears nothing until a change sets it.
TEST_F(LinuxWin32ApiTest, ClicksReachTheCallbackWindowAsTheShellsMouseMoves)
{
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "tip", NIF_ICON | NIF_TIP)), 0);
    QSystemTrayIcon* icon = m_api.trayIcon(m_window, 1);
    ASSERT_NE(icon, nullptr);
    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(m_moves.empty());
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "tip", NIF_MESSAGE)), 0);
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                        QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown})
        emit icon->activated(reason);
    EXPECT_EQ(m_moves, (std::vector<Move>{{1, 514, 0}, {1, 515, 0}, {1, 517, 0}, {1, 520, 0}}));
}

TEST_F(LinuxWin32ApiTest, TopLevelWindowsAreTheirXWindowsAndEverythingElseGetsItsOwnNumber)
{
    QWidget topLevel;
    auto* child = new QLabel(&topLevel);
    const HWND window = m_handles.addWindow(topLevel);
    EXPECT_EQ(static_cast<WId>(window), topLevel.winId()) << "xdotool and the window manager see the same id";
    const HWND control = m_handles.addWindow(*child);
    EXPECT_GE(control, 0x40000000);
    EXPECT_EQ(m_handles.addWindow(*child), control) << "registered once";
    EXPECT_EQ(m_handles.widget(window), &topLevel);
    EXPECT_EQ(m_handles.widget(control), child);

    delete child;
    EXPECT_EQ(m_handles.widget(control), nullptr);
    EXPECT_FALSE(m_handles.sendMessage(control, WM_MOUSEMOVE, 0, 0));
}

// Root-window properties as a window manager publishes them, removed again
// when the test ends: the X server is shared by every test of this program.
struct RootProperties {
    void set(const std::string& name, const std::string& words)
    {
        output({"xprop", "-root", "-f", name, "32c", "-set", name, words});
        m_set.push_back(name);
    }
    ~RootProperties()
    {
        for (const std::string& name : m_set)
            output({"xprop", "-root", "-remove", name});
    }
    std::vector<std::string> m_set;
};

TEST_F(LinuxWin32ApiTest, TheWorkAreaIsTheWindowManagersForTheCurrentDesktopElseTheScreensAsAreTheCursorAndTwips)
{
    const auto workArea = [this] {
        WinRect area;
        EXPECT_NE(m_api.SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0), 0);
        return area;
    };
    EXPECT_EQ(workArea(), (WinRect{0, 0, 1280, 1024})) << "no window manager: the whole screen";
    RootProperties properties;
    // Two desktops; a panel of 24 pixels at the top of the first, one of 40
    // at the bottom of the second.
    properties.set("_NET_WORKAREA", "0,24,1280,1000,0,0,1280,984");
    EXPECT_EQ(workArea(), (WinRect{0, 24, 1280, 1024})) << "no current desktop published: the first";
    properties.set("_NET_CURRENT_DESKTOP", "1");
    EXPECT_EQ(workArea(), (WinRect{0, 0, 1280, 984}));
    WinRect area;
    EXPECT_EQ(m_api.SystemParametersInfoA(SPI_SETWORKAREA, 0, area, 0), 0) << "not on Linux yet";

    // The cursor and the twips are the screen's too.
    EXPECT_EQ(m_api.TwipsPerPixelX(), 15.0f);
    EXPECT_EQ(m_api.TwipsPerPixelY(), 15.0f);
    ASSERT_NE(m_api.SetCursorPos(321, 654), 0);
    WinPoint where;
    ASSERT_NE(m_api.GetCursorPos(where), 0);
    EXPECT_EQ(where, (WinPoint{321, 654}));
}

// Each box is modal, with the caption, the text (CR LF breaks a line) and
// the icon and buttons of its type, and answers with the button pressed.
TEST_F(LinuxWin32ApiTest, MessageBoxesAnswerWithTheButtonPressed)
{
    struct Row {
        UINT type;
        QMessageBox::StandardButton press;
        int answer;
        QMessageBox::Icon icon;
        qsizetype buttons;
    };
    const Row rows[] = {
        {0x00, QMessageBox::Ok, 1, QMessageBox::NoIcon, 1},          // MB_OK: IDOK
        {0x01, QMessageBox::Cancel, 2, QMessageBox::NoIcon, 2},      // MB_OKCANCEL: IDCANCEL
        {0x24, QMessageBox::No, 7, QMessageBox::Question, 2},        // MB_YESNO | MB_ICONQUESTION: IDNO
        {0x33, QMessageBox::Yes, 6, QMessageBox::Warning, 3},        // MB_YESNOCANCEL | MB_ICONEXCLAMATION: IDYES
        {0x12, QMessageBox::Ignore, 5, QMessageBox::Critical, 3},    // MB_ABORTRETRYIGNORE | MB_ICONHAND: IDIGNORE
        {0x45, QMessageBox::Retry, 4, QMessageBox::Information, 2},  // MB_RETRYCANCEL | MB_ICONASTERISK: IDRETRY
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        // Reads the box once it shows, and presses the button.
        bool shown = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || shown)
                return;
            shown = true;
            EXPECT_EQ(box->windowTitle(), "caption");
            EXPECT_EQ(box->text(), "first line\nsecond");
            EXPECT_EQ(box->icon(), row.icon);
            EXPECT_EQ(box->buttons().size(), row.buttons);
            box->button(row.press)->click();
        });
        timer.start(10);
        EXPECT_EQ(m_api.MessageBoxA(0, "first line\r\nsecond", "caption", row.type), row.answer);
        EXPECT_TRUE(shown);
    }
}

// ---- With a window manager ------------------------------------------------------

QString rootProperty(const char* name)
{
    return QString::fromStdString(output({"xprop", "-root", name}));
}

// Another X client, with windows of its own.
class OtherClient final {
public:
    ~OtherClient() { xcb_disconnect(m_c); }

    // A window at the place asked for (USPosition | PPosition), mapped and,
    // but for a dock, in its frame. Without `clicks` it takes no button
    // presses, so a press on it leaves no grab of this client behind.
    xcb_window_t window(const char* name, std::int16_t x, std::int16_t y, std::uint16_t width, std::uint16_t height,
                        const char* type = nullptr, bool clicks = true)
    {
        const xcb_window_t window = xcb_generate_id(m_c);
        const std::uint32_t values[] = {m_screen->white_pixel, clicks ? std::uint32_t{XCB_EVENT_MASK_BUTTON_PRESS} : 0u};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, window, m_screen->root, x, y, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                          values);
        const std::string wmClass = std::string(name) + '\0' + "TqTest" + '\0';
        const std::uint32_t hints[18] = {1 | 4, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
        setProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size(), wmClass.data());
        setProperty(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, std::strlen(name), name);
        setProperty(window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        if (type != nullptr) {
            const xcb_atom_t value = atom(type);
            setProperty(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &value);
        }
        // A request that reaches a window manager still starting up can be
        // lost: it is made again.
        for (int attempt = 0; attempt < 20; ++attempt) {
            xcb_map_window(m_c, window);
            xcb_flush(m_c);
            if (waitUntil([&] { return isViewable(window) && (type != nullptr || parent(window) != root()); }, 500))
                break;
        }
        return window;
    }

    xcb_window_t root() const { return m_screen->root; }

    bool isViewable(xcb_window_t window)
    {
        const Reply<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, window), nullptr)};
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    xcb_window_t parent(xcb_window_t window)
    {
        const Reply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(m_c, xcb_query_tree(m_c, window), nullptr)};
        return tree ? tree->parent : XCB_NONE;
    }

    // Whether a button press reached `window` since the last call.
    bool pressed(xcb_window_t window)
    {
        bool seen = false;
        while (const Reply<xcb_generic_event_t> event{xcb_poll_for_event(m_c)})
            seen = seen || ((event->response_type & 0x7f) == XCB_BUTTON_PRESS
                            && reinterpret_cast<const xcb_button_press_event_t*>(event.get())->event == window);
        return seen;
    }

    // The window's top-left corner on the screen.
    std::pair<int, int> position(xcb_window_t window)
    {
        const Reply<xcb_translate_coordinates_reply_t> at{
            xcb_translate_coordinates_reply(m_c, xcb_translate_coordinates(m_c, window, root(), 0, 0), nullptr)};
        return {at->dst_x, at->dst_y};
    }

    // The position once the window manager has stopped moving the window.
    std::pair<int, int> settledPosition(xcb_window_t window)
    {
        auto last = position(window);
        for (int i = 0; i < 20; ++i) {
            settle(150);
            if (position(window) == last)
                break;
            last = position(window);
        }
        return last;
    }

private:
    struct Free {
        void operator()(void* reply) const { std::free(reply); }
    };
    template <typename T>
    using Reply = std::unique_ptr<T, Free>;

    void setProperty(xcb_window_t window, xcb_atom_t name, xcb_atom_t type, std::uint8_t format, std::size_t length,
                     const void* data)
    {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window, name, type, format,
                            static_cast<std::uint32_t>(length), data);
    }

    xcb_atom_t atom(const char* name)
    {
        const auto length = static_cast<std::uint16_t>(std::strlen(name));
        const Reply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, length, name), nullptr)};
        return reply->atom;
    }

    xcb_connection_t* m_c = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
};

class WindowStandInTest : public ::testing::Test, protected StandIns {
protected:
    WindowStandInTest()
    {
        ::unsetenv("XDG_CURRENT_DESKTOP");
        m_wm = std::make_unique<ChildProcess>("openbox", QStringList{"--sm-disable"});
        waitUntil([] { return rootProperty("_NET_SUPPORTING_WM_CHECK").contains(QLatin1String("window id")); });
    }

    HWND handle(xcb_window_t window) const { return static_cast<HWND>(window); }

    CWinAPI m_winapi{m_api};
    std::unique_ptr<ChildProcess> m_wm;
    OtherClient m_other;
};

TEST_F(WindowStandInTest, TopmostBottomHideAndShowReachTheWindowManager)
{
    const xcb_window_t a = m_other.window("alpha", 50, 50, 200, 150);
    const xcb_window_t b = m_other.window("beta", 100, 100, 200, 150);
    EXPECT_EQ(m_api.FindWindowA(std::string("TQTEST"), std::string("alpha")), handle(a));
    EXPECT_EQ(m_api.FindWindowA(std::string("beta"), std::nullopt), handle(b));
    EXPECT_EQ(m_api.FindWindowA(std::string("gamma"), std::nullopt), 0);

    const auto above = [&] {
        return output({"xprop", "-id", std::to_string(a), "_NET_WM_STATE"}).find("_NET_WM_STATE_ABOVE") != std::string::npos;
    };
    m_winapi.SetMyPosTopMost(handle(a));
    EXPECT_TRUE(waitUntil(above));
    m_winapi.SetMyPosTopMost(handle(a), kTrue);
    EXPECT_TRUE(waitUntil([&] { return !above(); }));

    // On the desktop: first in the stacking list, below the other window.
    m_winapi.SetMyPosOnDesktop(handle(b));
    const QString bId = QStringLiteral("0x%1").arg(b, 0, 16);
    EXPECT_TRUE(waitUntil([&] {
        return rootProperty("_NET_CLIENT_LIST_STACKING").section(QLatin1Char('#'), 1).trimmed().startsWith(bId);
    })) << rootProperty("_NET_CLIENT_LIST_STACKING").toStdString();

    m_winapi.HideWindow(handle(a));
    EXPECT_TRUE(waitUntil([&] { return !m_other.isViewable(a); }));
    // A hidden window is still found, and comes back.
    EXPECT_EQ(m_api.FindWindowA(std::string("alpha"), std::nullopt), handle(a));
    m_winapi.HideWindow(handle(a), 1);
    EXPECT_TRUE(waitUntil([&] { return m_other.isViewable(a); }));

    EXPECT_EQ(m_api.SetWindowPos(0x1fffffff, HWND_TOP, 0, 0, 0, 0, 3), 0);
}

TEST_F(WindowStandInTest, TransparentWindowLetsClicksThrough)
{
    const xcb_window_t under = m_other.window("under", 0, 0, 1000, 800);
    const xcb_window_t over = m_other.window("over", 100, 100, 200, 150);
    const auto [x, y] = m_other.settledPosition(over);
    output({"xdotool", "mousemove", std::to_string(x + 100), std::to_string(y + 75), "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return m_other.pressed(over); }));

    m_winapi.MakeTransparentForm(handle(over));
    settle(300);
    output({"xdotool", "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return m_other.pressed(under); }));
    // The previous extended style comes back: click-through already.
    EXPECT_EQ(m_api.SetWindowLongA(handle(over), GWL_EXSTYLE, 0), WS_EX_TRANSPARENT);
    // The click raised the window beneath; bring this one back over it.
    m_api.SetWindowPos(handle(over), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    settle(300);
    output({"xdotool", "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return m_other.pressed(over); }));
}

TEST_F(WindowStandInTest, MoveFollowsThePointer)
{
    const xcb_window_t window = m_other.window("mover", 100, 100, 200, 150, nullptr, false);
    const auto before = m_other.settledPosition(window);
    const int x = before.first + 50;
    const int y = before.second + 50;
    output({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "mousedown", "1"});
    m_winapi.MoveFormWithoutBorders(handle(window));
    settle(200);
    for (int step = 1; step <= 5; ++step) {
        output({"xdotool", "mousemove", std::to_string(x + step * 40), std::to_string(y + step * 20)});
        settle(50);
    }
    output({"xdotool", "mouseup", "1"});
    // By the pointer's way, give or take the frame's border and title, which
    // the window manager may count in at the start.
    EXPECT_TRUE(waitUntil([&] {
        const auto [x, y] = m_other.position(window);
        return std::abs(x - before.first - 200) <= 25 && std::abs(y - before.second - 100) <= 25;
    }))
        << before.first << "," << before.second << " -> " << m_other.position(window).first << ","
        << m_other.position(window).second;
}

TEST_F(WindowStandInTest, TaskBarHidesAndShowsTheDock)
{
    const xcb_window_t dock = m_other.window("panel", 0, 0, 300, 30, "_NET_WM_WINDOW_TYPE_DOCK");
    m_other.window("app", 50, 50, 100, 100);
    m_winapi.TaskBar(0);
    EXPECT_TRUE(waitUntil([&] { return !m_other.isViewable(dock); }));
    // Withdrawn only once the window manager has let it go (back on the
    // root); a map request before that reaches a window it is still
    // unmanaging and is lost with it.
    EXPECT_TRUE(waitUntil([&] { return m_other.parent(dock) == m_other.root(); }));
    m_winapi.TaskBar(1);
    EXPECT_TRUE(waitUntil([&] { return m_other.isViewable(dock); }));
}

// A hot key brings its window forward; another window asking for the same key
// gets 2, a window that does not exist 0, a key that cannot be one -1.
TEST_F(WindowStandInTest, HotKeyRaisesItsWindow)
{
    const xcb_window_t target = m_other.window("target", 50, 50, 200, 150);
    const xcb_window_t other = m_other.window("other", 100, 100, 200, 150);
    constexpr WPARAM kCtrlAltK = (6 << 8) | 'K';
    EXPECT_EQ(m_api.SendMessageA(handle(target), WM_SETHOTKEY, kCtrlAltK, 0), 1);
    EXPECT_EQ(m_api.SendMessageA(handle(other), WM_SETHOTKEY, kCtrlAltK, 0), 2);
    EXPECT_EQ(m_api.SendMessageA(handle(other), WM_SETHOTKEY, 0, 0), 1);
    EXPECT_EQ(m_api.SendMessageA(0x1fffffff, WM_SETHOTKEY, kCtrlAltK, 0), 0);
    EXPECT_EQ(m_api.SendMessageA(handle(other), WM_SETHOTKEY, 0x20, 0), -1);

    const QString targetId = QStringLiteral("0x%1").arg(target, 0, 16);
    output({"xdotool", "windowactivate", std::to_string(other)});
    ASSERT_FALSE(rootProperty("_NET_ACTIVE_WINDOW").contains(targetId));
    output({"xdotool", "key", "ctrl+alt+k"});
    EXPECT_TRUE(waitUntil([&] { return rootProperty("_NET_ACTIVE_WINDOW").contains(targetId); }))
        << rootProperty("_NET_ACTIVE_WINDOW").toStdString();
}

// On a bare X server the wallpaper is the root window's background, filled
// with the image; "(None)" takes it away. The cursor counter goes down and up.
TEST_F(WindowStandInTest, WallpaperAndCursorCounter)
{
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(QColor(200, 30, 40));
    const QString file = QString::fromStdString((m_folder.path() / "red picture.png").string());
    ASSERT_TRUE(red.save(file));

    const auto corner = [] {
        return QGuiApplication::primaryScreen()->grabWindow(0, 600, 5, 1, 1).toImage().pixel(0, 0) & 0xFFFFFF;
    };
    m_winapi.SetDeskWallPaper(1, file.toStdString());
    EXPECT_TRUE(waitUntil([&] { return corner() == 0xC81E28u; }));
    EXPECT_TRUE(rootProperty("_XROOTPMAP_ID").contains(QLatin1String("pixmap id")));
    m_winapi.SetDeskWallPaper(0);
    EXPECT_TRUE(waitUntil([&] { return corner() == 0u; }));
    EXPECT_FALSE(rootProperty("_XROOTPMAP_ID").contains(QLatin1String("pixmap id")));
    EXPECT_EQ(m_api.SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, std::string("/no/such.png"), 3), 0);

    EXPECT_EQ(m_api.ShowCursor(0), -1);
    EXPECT_EQ(m_api.ShowCursor(0), -2);
    EXPECT_EQ(m_api.ShowCursor(1), -1);
    EXPECT_EQ(m_api.ShowCursor(1), 0);
}

// Log-off, power-off and restart ask logind, here a mock of it.
TEST_F(WindowStandInTest, ExitWindowsAsksLogind)
{
    ScopedEnv session("XDG_SESSION_ID", "c7");
    MockBus logind(m_folder, "DBUS_SYSTEM_BUS_ADDRESS", {"--system", "--template", "logind"},
                   QStringLiteral("org.freedesktop.login1"));
    ASSERT_TRUE(logind.isUp());
    for (int how : {3, 0, 1, 2})
        m_winapi.ExitWindows(how);
    const auto count = [&](const std::string& call) {
        const QString log = QString::fromStdString(logind.log());
        return log.count(QString::fromStdString(call));
    };
    EXPECT_TRUE(waitUntil([&] { return count("TerminateSession \"c7\"") == 2; })) << logind.log();
    EXPECT_EQ(count("PowerOff True"), 1);
    EXPECT_EQ(count("Reboot True"), 1);
}

} // namespace
} // namespace tarnquill::test
