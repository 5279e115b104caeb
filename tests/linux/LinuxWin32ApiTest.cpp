// SPDX-License-Identifier: MIT
// LinuxWin32Api's desktop stand-ins in this process on the private Xvfb
// (1280x1024, 96 dpi, no window manager, no tray host): the tray records as
// CWinAPI fills them, the clicks' way back to the callback window, the work
// area, the cursor and the message box. The registry is the contract suite's
// (tests/registry).

#include "LinuxTestSupport.h"
#include "StandIns.h"

#include "winapi/CWinAPI.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tarnquill::test {
namespace {

struct Move {
    WPARAM keys;
    int x;
    int y;
    bool operator==(const Move&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Move& move)
{
    return out << "{keys " << move.keys << ", " << move.x << ", " << move.y << "}";
}

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
            m_moves.push_back({keys, x, y});
        });
        m_icon = m_handles.addIcon(colouredIcon(Qt::blue));
    }


    // A record as CWinAPI::TrayIcon fills it, with the flags given.
    NotifyIconDataA record(UINT id, const std::string& tip, UINT flags = NIF_MESSAGE | NIF_ICON | NIF_TIP) const
    {
        NotifyIconDataA data;
        data.hWnd = m_window;
        data.uID = id;
        data.uFlags = flags;
        data.uCallbackMessage = WM_MOUSEMOVE;
        data.hIcon = m_icon;
        std::fill(data.szTip.begin(), data.szTip.end(), ' ');
        std::memcpy(data.szTip.data(), tip.data(), std::min(tip.size(), data.szTip.size()));
        if (tip.size() < data.szTip.size())
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
    EXPECT_EQ(m_api.Shell_NotifyIconA(NIM_DELETE, record(1, "")), 0) << "already gone";
    EXPECT_NE(m_api.trayIcon(m_window, 2), nullptr);
    EXPECT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "back")), 0) << "a removed id may be added again";

    EXPECT_EQ(m_api.Shell_NotifyIconA(3, record(1, "")), 0) << "NIM_SETFOCUS has nothing to focus here";
}

// The tip is the field up to its NUL, all 64 bytes when it has none, in UTF-8.
TEST_F(LinuxWin32ApiTest, TheTipIsTheFieldUpToItsNulInUtf8)
{
    const std::string full = std::string(62, 'b') + "cd";
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "")), 0);
    EXPECT_EQ(tipOf(), QString());
    for (const std::string& tip : {full, std::string("Tarnquill \xe2\x80\x94 caf\xc3\xa9 \xe2\x82\xac")}) {
        ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, tip)), 0);
        EXPECT_EQ(tipOf(), QString::fromStdString(tip));
    }
}

TEST_F(LinuxWin32ApiTest, TheIconComesFromTheHandleTableAndOnlyFlaggedFieldsChange)
{
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "tip")), 0);
    const QSystemTrayIcon* icon = m_api.trayIcon(m_window, 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->icon().cacheKey(), m_handles.icon(m_icon).cacheKey());
    EXPECT_TRUE(icon->isVisible());

    const HICON red = m_handles.addIcon(colouredIcon(Qt::red));
    NotifyIconDataA tipOnly = record(1, "new tip", NIF_TIP);
    tipOnly.hIcon = red;
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, tipOnly), 0);
    EXPECT_EQ(icon->icon().cacheKey(), m_handles.icon(m_icon).cacheKey()) << "NIF_ICON not set: icon kept";
    EXPECT_EQ(icon->toolTip(), "new tip");

    NotifyIconDataA iconOnly = record(1, "ignored", NIF_ICON);
    iconOnly.hIcon = red;
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, iconOnly), 0);
    EXPECT_EQ(icon->icon().cacheKey(), m_handles.icon(red).cacheKey());
    EXPECT_EQ(icon->toolTip(), "new tip") << "NIF_TIP not set: tip kept";

    // A handle the table does not know leaves an empty slot, as the shell
    // shows one, rather than no icon at all.
    NotifyIconDataA unknown = record(1, "", NIF_ICON);
    unknown.hIcon = 0x7777;
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, unknown), 0);
    EXPECT_FALSE(icon->icon().isNull());
    EXPECT_TRUE(icon->isVisible());
}

TEST_F(LinuxWin32ApiTest, ClicksReachTheCallbackWindowAsTheShellsMouseMoves)
{
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "tip")), 0);
    QSystemTrayIcon* icon = m_api.trayIcon(m_window, 1);
    ASSERT_NE(icon, nullptr);
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    emit icon->activated(QSystemTrayIcon::Unknown);
    // wParam is the icon's id, x the mouse message over the icon, y 0.
    EXPECT_EQ(m_moves, (std::vector<Move>{{1, 514, 0}, {1, 515, 0}, {1, 517, 0}, {1, 520, 0}}));
}

// Without NIF_MESSAGE the window hears nothing until a change sets it.
TEST_F(LinuxWin32ApiTest, WithoutNifMessageTheWindowHearsNothing)
{
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_ADD, record(1, "tip", NIF_ICON | NIF_TIP)), 0);
    emit m_api.trayIcon(m_window, 1)->activated(QSystemTrayIcon::Trigger);
    ASSERT_NE(m_api.Shell_NotifyIconA(NIM_MODIFY, record(1, "tip", NIF_MESSAGE)), 0);
    emit m_api.trayIcon(m_window, 1)->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(m_moves, (std::vector<Move>{{1, 514, 0}}));
}

TEST_F(LinuxWin32ApiTest, TheUtilityClassDecodesAClickAndMayRemoveTheIconFromItsOwnClick)
{
    // What Form1 does: the callback window reports x in twips, TryIcnRtnMsg
    // turns it back into the message, and a left-button release removes the
    // icon while its click is still being delivered.
    CWinAPI winApi(m_api);
    std::vector<std::int32_t> decoded;
    m_handles.addWindow(m_callbackWindow, [&](WPARAM, int x, int) {
        float X = static_cast<float>(x * m_api.TwipsPerPixelX());
        decoded.push_back(winApi.TryIcnRtnMsg(X));
        if (decoded.back() == 514)
            winApi.TrayIcon(2, m_window, "Tarnquill", Picture(m_icon));
    });
    winApi.TrayIcon(0, m_window, "Tarnquill", Picture(m_icon));
    QSystemTrayIcon* icon = m_api.trayIcon(m_window, 1);
    ASSERT_NE(icon, nullptr);
    emit icon->activated(QSystemTrayIcon::Context);
    ASSERT_NE(m_api.trayIcon(m_window, 1), nullptr) << "a right click leaves the icon";
    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(decoded, (std::vector<std::int32_t>{517, 514}));
    EXPECT_EQ(m_api.trayIcon(m_window, 1), nullptr);
    settle(50); // the icon's deferred deletion runs without harm
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
    EXPECT_NE(m_icon, control);

    delete child;
    EXPECT_EQ(m_handles.widget(control), nullptr);
    EXPECT_FALSE(m_handles.sendMessage(control, WM_MOUSEMOVE, 0, 0));
}

// ---- Screen ---------------------------------------------------------------

xcb_connection_t* connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t rootWindow()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

xcb_atom_t atomNamed(const char* name)
{
    const auto cookie = xcb_intern_atom(connection(), 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection(), cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Root-window properties as a window manager publishes them, removed again
// when the test ends: the X server is shared by every test of this program.
class RootProperties {
public:
    void set(const char* name, const std::vector<std::uint32_t>& words)
    {
        const xcb_atom_t atom = atomNamed(name);
        xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, rootWindow(), atom, XCB_ATOM_CARDINAL, 32,
                            static_cast<std::uint32_t>(words.size()), words.data());
        xcb_flush(connection());
        m_set.push_back(atom);
    }
    ~RootProperties()
    {
        for (const xcb_atom_t atom : m_set)
            xcb_delete_property(connection(), rootWindow(), atom);
        xcb_flush(connection());
    }

private:
    std::vector<xcb_atom_t> m_set;
};

TEST_F(LinuxWin32ApiTest, TheWorkAreaIsTheWindowManagersForTheCurrentDesktopElseTheScreen)
{
    WinRect area;
    ASSERT_NE(m_api.SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0), 0);
    EXPECT_EQ(area, (WinRect{0, 0, 1280, 1024})) << "no window manager: the whole screen";

    RootProperties properties;
    // Two desktops; a panel of 24 pixels at the top of the first, one of 40
    // at the bottom of the second.
    properties.set("_NET_WORKAREA", {0, 24, 1280, 1000, 0, 0, 1280, 984});
    ASSERT_NE(m_api.SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0), 0);
    EXPECT_EQ(area, (WinRect{0, 24, 1280, 1024})) << "no current desktop published: the first";
    properties.set("_NET_CURRENT_DESKTOP", {1});
    ASSERT_NE(m_api.SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0), 0);
    EXPECT_EQ(area, (WinRect{0, 0, 1280, 984}));

    EXPECT_EQ(m_api.SystemParametersInfoA(SPI_SETWORKAREA, 0, area, 0), 0) << "not on Linux yet";
}

TEST_F(LinuxWin32ApiTest, TheCursorAndTheTwipsAreTheScreens)
{
    EXPECT_EQ(m_api.TwipsPerPixelX(), 15.0f);
    EXPECT_EQ(m_api.TwipsPerPixelY(), 15.0f);

    ASSERT_NE(m_api.SetCursorPos(321, 654), 0);
    WinPoint where;
    ASSERT_NE(m_api.GetCursorPos(where), 0);
    EXPECT_EQ(where, (WinPoint{321, 654}));
}

// ---- Message box --------------------------------------------------------------

// Runs `look` on the next modal message box once it shows; `look` closes it.
void onNextBox(std::function<void(QMessageBox&)> look)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, look] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        look(*box);
    });
    timer->start(10);
}

TEST_F(LinuxWin32ApiTest, ListFuncShowsAModalBoxWithOnlyOkNoIconAndTheAppTitle)
{
    CWinAPI winApi(m_api);
    QString title, text;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::Icon icon = QMessageBox::Critical;
    bool modal = false;
    onNextBox([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        modal = box.isModal();
        for (QAbstractButton* button : box.buttons())
            buttons.push_back(box.standardButton(button));
        box.buttons().front()->click();
    });
    winApi.ListFunc();
    EXPECT_EQ(title, "Tarnquill");
    EXPECT_TRUE(modal);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, std::vector<QMessageBox::StandardButton>{QMessageBox::Ok});
    // CR LF breaks lines (the catalogue itself is CWinAPIListFunc's).
    EXPECT_TRUE(text.startsWith(QLatin1String("\nDelay \n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
}

TEST_F(LinuxWin32ApiTest, OtherBoxesAnswerWithTheButtonPressed)
{
    struct Row {
        UINT type;
        QMessageBox::StandardButton press;
        int answer;
        QMessageBox::Icon icon;
    };
    const Row rows[] = {
        {0x01, QMessageBox::Cancel, 2, QMessageBox::NoIcon},     // MB_OKCANCEL: IDCANCEL
        {0x24, QMessageBox::No, 7, QMessageBox::Question},       // MB_YESNO | MB_ICONQUESTION: IDNO
        {0x33, QMessageBox::Yes, 6, QMessageBox::Warning},       // MB_YESNOCANCEL | MB_ICONEXCLAMATION: IDYES
        {0x12, QMessageBox::Ignore, 5, QMessageBox::Critical},   // MB_ABORTRETRYIGNORE | MB_ICONHAND: IDIGNORE
        {0x45, QMessageBox::Retry, 4, QMessageBox::Information}, // MB_RETRYCANCEL | MB_ICONASTERISK: IDRETRY
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        onNextBox([&](QMessageBox& box) {
            title = box.windowTitle();
            icon = box.icon();
            box.button(row.press)->click();
        });
        EXPECT_EQ(m_api.MessageBoxA(0, "question", "caption", row.type), row.answer);
        EXPECT_EQ(icon, row.icon);
        EXPECT_EQ(title, "caption");
    }
}

} // namespace
} // namespace tarnquill::test
