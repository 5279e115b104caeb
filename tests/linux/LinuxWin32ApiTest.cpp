// SPDX-License-Identifier: MIT
// LinuxWin32Api's desktop stand-ins in this process on the private Xvfb
// (1280x1024, 96 dpi, no window manager, no tray host): the tray records as
// CWinAPI fills them, the clicks' way back to the callback window, the work
// area, the cursor and the message box.

#include "LinuxTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
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

    // A record as CWinAPI::TrayIcon fills it, with the flags given.
    NotifyIconDataA record(UINT id, const std::string& tip, UINT flags = NIF_MESSAGE | NIF_ICON | NIF_TIP) const
    {
        NotifyIconDataA data;
        data.hWnd = m_window;
        data.uID = id;
        data.uFlags = flags;
        data.uCallbackMessage = WM_MOUSEMOVE;
        data.hIcon = m_icon;
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

// ---- Screen ---------------------------------------------------------------

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

TEST_F(LinuxWin32ApiTest, TheWorkAreaIsTheWindowManagersForTheCurrentDesktopElseTheScreen)
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

// Each box is modal, with the caption, the text (CR LF breaks a line) and
// the icon and buttons of its type, and answers with the button pressed.
TEST_F(LinuxWin32ApiTest, MessageBoxesAnswerWithTheButtonPressed)
{
    struct Row {
        UINT type;
        QMessageBox::StandardButton press;
        int answer;
        QMessageBox::Icon icon;
        std::size_t buttons;
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
        QMessageBox* shown = nullptr;
        QString title, text;
        std::size_t buttons = 0;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        // Looks at the box once it shows, and presses the button.
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box == shown)
                return;
            shown = box;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            box->button(row.press)->click();
        });
        timer.start(10);
        EXPECT_EQ(m_api.MessageBoxA(0, "first line\r\nsecond", "caption", row.type), row.answer);
        EXPECT_EQ(title, "caption");
        EXPECT_EQ(text, "first line\nsecond");
        EXPECT_EQ(icon, row.icon);
        EXPECT_EQ(buttons, row.buttons);
    }
}

} // namespace
} // namespace tarnquill::test
