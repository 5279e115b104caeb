// SPDX-License-Identifier: MIT
#include "app/Form1.h"
#include "history/ClipboardWatcher.h"
#include "history/Fakes.h"
#include "winapi/RecordingWin32Api.h"

#include "platform/windows/Win32Form1View.h"
#include "platform/windows/Win32ProgressView.h"
#include "platform/windows/Win32SingleInstance.h"
#include "platform/windows/Win32WatcherPump.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnquill {
namespace {

using testing::FakeClipboard;
using testing::FakeFileSystem;
using testing::RecordingWin32Api;

const std::filesystem::path kStore = "C:\\Tarnquill\\tcb.txt";

// The main window's messages reach the controller's handlers: a real Win32
// view, the real controller, the seam recorded and the store in memory.
class Win32Form1ViewTest : public ::testing::Test {
protected:
    Win32Form1ViewTest()
    {
        files.files[kStore] = "first||!o@!@#w@#$!@#$%z||\r\n";
        api.onShell_NotifyIconA = [this](DWORD, const NotifyIconDataA& data) {
            trayWindow = data.hWnd;
            return 1;
        };
        view.setProcessEnd([this] { ++processEnds; });
        form1.emplace(view, history, clipboard, api, form2, form3);
        view.routeTo(*form1, [this] { pump.wake(); });
        history.setListView(&view.listView());
        form1->Load();
    }

    ~Win32Form1ViewTest() override { ::ShowWindow(view.hWnd(), SW_HIDE); }

    ::HWND control(const char* name, int index = app::kNoIndex) { return view.window().control(name, index); }

    // A left click on a label, as the mouse makes it.
    void click(const char* name, int index = app::kNoIndex)
    {
        ::SendMessageW(control(name, index), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageW(control(name, index), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    int trayCalls(DWORD message) const
    {
        const std::string prefix = "Shell_NotifyIconA(" + std::to_string(message) + ",";
        return static_cast<int>(std::ranges::count_if(api.callsTo("Shell_NotifyIconA"),
                                                      [&](const std::string& call) { return call.starts_with(prefix); }));
    }

    FakeFileSystem files;
    TextHistory history{files, kStore};
    FakeClipboard clipboard;
    RecordingWin32Api api;
    ClipboardWatcher watcher{clipboard, history};
    Win32WatcherPump pump{watcher};
    Win32ProgressView form2View{app::WindowId::Form2, nullptr};
    Win32ProgressView form3View{app::WindowId::form3, nullptr};
    app::ProgressForm form2{form2View, [] {}};
    app::ProgressForm form3{form3View, [] {}};
    Win32Form1View view{history, pump, nullptr};
    std::optional<app::Form1> form1;
    int processEnds = 0;
    HWND trayWindow = 0;
};

TEST_F(Win32Form1ViewTest, SelectingARowShowsTheWholeEntry)
{
    const ::HWND list = control("List1");
    EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 500);
    history.addt(std::string("second entry, longer than a row"));
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    ::SendMessageW(view.hWnd(), WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<::LPARAM>(list));
    EXPECT_EQ(view.window().text("Text1", app::kNoIndex), "second entry, longer than a row");
}

// "_" docks the window in the tray with Picture1 as the callback window; the
// shell's left-button release, arriving at Picture1 as a mouse move whose x
// is the message, brings it back and removes the icon.
TEST_F(Win32Form1ViewTest, TrayIconReleaseRestoresTheWindow)
{
    ASSERT_TRUE(::IsWindowVisible(view.hWnd()));
    click("Label1", 0);
    EXPECT_FALSE(::IsWindowVisible(view.hWnd()));
    ASSERT_EQ(trayCalls(0 /* NIM_ADD */), 1);
    EXPECT_EQ(trayWindow, view.Picture1_hWnd());

    ::SendMessageW(control("Picture1"), WM_MOUSEMOVE, 0, MAKELPARAM(WM_MOUSEMOVE, 0));
    EXPECT_FALSE(::IsWindowVisible(view.hWnd())) << "only a left-button release restores";
    ::SendMessageW(control("Picture1"), WM_MOUSEMOVE, 0, MAKELPARAM(WM_LBUTTONUP, 0));
    EXPECT_TRUE(::IsWindowVisible(view.hWnd()));
    EXPECT_EQ(trayCalls(2 /* NIM_DELETE */), 1);
}

TEST_F(Win32Form1ViewTest, SecondStartRequestRestoresTheWindow)
{
    click("Label6");
    ASSERT_FALSE(::IsWindowVisible(view.hWnd()));
    ::SendMessageW(view.hWnd(), Win32SingleInstance::showMessage(), 0, 0);
    EXPECT_TRUE(::IsWindowVisible(view.hWnd()));
}

// The session's query saves and keeps running; its end, a close from another
// program and "Exit" each run the exit once.
TEST_F(Win32Form1ViewTest, SessionEndAndCloseRunTheExit)
{
    history.addt(std::string("kept"));
    files.files.erase(kStore);
    EXPECT_EQ(::SendMessageW(view.hWnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(files.files.count(kStore));
    EXPECT_FALSE(api.callsTo("RegSetValueExA").empty());
    EXPECT_EQ(processEnds, 0);

    ::SendMessageW(view.hWnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(processEnds, 1);
    ::SendMessageW(view.hWnd(), WM_CLOSE, 0, 0);
    click("Label3");
    EXPECT_EQ(processEnds, 1);
}

TEST_F(Win32Form1ViewTest, CloseFromAnotherProgramSaves)
{
    files.files.erase(kStore);
    ::SendMessageW(view.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(processEnds, 1);
    ASSERT_TRUE(files.files.count(kStore));
    EXPECT_EQ(files.files[kStore].rfind("first||", 0), 0u);
}

TEST_F(Win32Form1ViewTest, CheckTwoClickAppliesTheRunEntry)
{
    api.calls.clear();
    ::SendMessageW(control("Check2"), BM_CLICK, 0, 0);
    EXPECT_EQ(view.Check2_Value(), 0);
    EXPECT_FALSE(api.callsTo("RegDeleteValueA").empty());
}

} // namespace
} // namespace tarnquill
