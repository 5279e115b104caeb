// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

#include <functional>
#include <vector>

namespace tarnquill {
namespace {

struct CallCase {
    const char* name;
    std::function<void(CWinAPI&)> member;
    std::vector<std::string> calls;
};

void PrintTo(const CallCase& c, std::ostream* os)
{
    *os << c.name;
}

class CWinAPIWindowCalls : public CWinAPITest, public ::testing::WithParamInterface<CallCase> {};

// Each member's whole sequence of platform calls, with the constants its
// arguments select; an argument outside the listed values makes no call.
TEST_P(CWinAPIWindowCalls, MakesExactlyItsSequence)
{
    GetParam().member(winapi);
    EXPECT_THAT(api.calls, ElementsAreArray(GetParam().calls));
}

const std::string kPos = "SetWindowPos(77, ";

INSTANTIATE_TEST_SUITE_P(
    Members, CWinAPIWindowCalls,
    ::testing::Values(
        CallCase{"TopMostOmitted", [](CWinAPI& w) { w.SetMyPosTopMost(77); }, {kPos + "-1, 0, 0, 0, 0, 3)"}},
        CallCase{"TopMostTakenOff", [](CWinAPI& w) { w.SetMyPosTopMost(77, kTrue); }, {kPos + "-2, 0, 0, 0, 0, 3)"}},
        CallCase{"TopMostWithOne", [](CWinAPI& w) { w.SetMyPosTopMost(77, 1); }, {kPos + "-1, 0, 0, 0, 0, 3)"}},
        CallCase{"OnDesktop", [](CWinAPI& w) { w.SetMyPosOnDesktop(77); }, {kPos + "1, 0, 0, 0, 0, 19)"}},
        CallCase{"HideOmitted", [](CWinAPI& w) { w.HideWindow(77); }, {kPos + "1, 0, 0, 0, 0, 128)"}},
        CallCase{"ShowWithOne", [](CWinAPI& w) { w.HideWindow(77, 1); }, {kPos + "1, 0, 0, 0, 0, 64)"}},
        CallCase{"Transparent", [](CWinAPI& w) { w.MakeTransparentForm(77); },
                 {"SetWindowLongA(77, -20, 32)", kPos + "-2, 0, 0, 0, 0, 35)"}},
        CallCase{"TaskBarHide", [](CWinAPI& w) { w.TaskBar(0); },
                 {"FindWindowA(\"Shell_traywnd\", \"\")", "SetWindowPos(100, 0, 0, 0, 0, 0, 128)"}},
        CallCase{"TaskBarShow", [](CWinAPI& w) { w.TaskBar(1); },
                 {"FindWindowA(\"Shell_traywnd\", \"\")", "SetWindowPos(100, 0, 0, 0, 0, 0, 64)"}},
        CallCase{"TaskBarOther", [](CWinAPI& w) { w.TaskBar(2); }, {}},
        CallCase{"WorkArea", [](CWinAPI& w) { w.SetSysWorkArea(-5, 10, 800, 570); },
                 {"SystemParametersInfoA(47, 0, {-5, 10, 800, 570}, 3)"}},
        CallCase{"Wallpaper", [](CWinAPI& w) { w.SetDeskWallPaper(1, "C:\\a b.bmp"); },
                 {"SystemParametersInfoA(20, 0, \"C:\\a b.bmp\", 3)"}},
        CallCase{"WallpaperOmitted", [](CWinAPI& w) { w.SetDeskWallPaper(1); },
                 {"SystemParametersInfoA(20, 0, \"\", 3)"}},
        CallCase{"WallpaperNone", [](CWinAPI& w) { w.SetDeskWallPaper(0, "x.bmp"); },
                 {"SystemParametersInfoA(20, 0, \"(None)\", 3)"}},
        CallCase{"WallpaperOther", [](CWinAPI& w) { w.SetDeskWallPaper(2, "x.bmp"); }, {}},
        CallCase{"SecureKeysOff", [](CWinAPI& w) { w.DisableCtrlAltDelete(kTrue); },
                 {"SystemParametersInfoA(97, 4294967295, 0, 0)"}},
        CallCase{"SecureKeysOn", [](CWinAPI& w) { w.DisableCtrlAltDelete(kFalse); },
                 {"SystemParametersInfoA(97, 0, 0, 0)"}},
        CallCase{"ToolBar", [](CWinAPI& w) { w.ChangeToolBarStyle(77); },
                 {"FindWindowExA(77, 0, \"ToolbarWindow32\", NULL)", "SendMessageA(100, 1081, 0, 0)",
                  "SendMessageA(100, 1080, 0, 2048)"}},
        CallCase{"Move", [](CWinAPI& w) { w.MoveFormWithoutBorders(77); },
                 {"ReleaseCapture()", "SendMessageA(77, 161, 2, 0)"}},
        CallCase{"ScreenSaver", [](CWinAPI& w) { w.StartScreenSaver(77); }, {"SendMessageA(77, 274, 61760, 0)"}},
        CallCase{"ShutDown", [](CWinAPI& w) { w.ExitWindows(0); }, {"ExitWindowsEx(1, 0)"}},
        CallCase{"Reboot", [](CWinAPI& w) { w.ExitWindows(1); }, {"ExitWindowsEx(2, 0)"}},
        CallCase{"Force", [](CWinAPI& w) { w.ExitWindows(2); }, {"ExitWindowsEx(4, 0)"}},
        CallCase{"LogOff", [](CWinAPI& w) { w.ExitWindows(3); }, {"ExitWindowsEx(0, 0)"}},
        CallCase{"ExitOther", [](CWinAPI& w) { w.ExitWindows(4); w.ExitWindows(-1); }, {}},
        CallCase{"CursorShow", [](CWinAPI& w) { w.ShowMouse(-1); }, {"ShowCursor(-1)"}},
        CallCase{"CursorHide", [](CWinAPI& w) { w.ShowMouse(0); }, {"ShowCursor(0)"}},
        CallCase{"CursorOther", [](CWinAPI& w) { w.ShowMouse(1); }, {}},
        CallCase{"MousePosInPixels", [](CWinAPI& w) { w.SetMousePos(-5, 40000); }, {"SetCursorPos(-5, 40000)"}}),
    kNamed);

TEST(CWinAPIWindowTest, ToolBarStyleKeepsTheOtherBits)
{
    RecordingWin32Api api;
    api.onSendMessageA = [](HWND, UINT msg, WPARAM, LPARAM) { return msg == TB_GETSTYLE ? 0x0101 : 0; };
    CWinAPI winapi{api};
    winapi.ChangeToolBarStyle(5);
    EXPECT_EQ(api.calls.back(), "SendMessageA(100, 1080, 0, 2305)");
}

// Only 1 is a success; 2 (assigned, but another window has it), 0 and -1
// all show the box, and the default procedure is called every time.
TEST(CWinAPIWindowTest, HotKeyAsksForAnotherUnlessTheResultIsOne)
{
    for (const LRESULT result : {1, 2, 0, -1}) {
        RecordingWin32Api api;
        api.onSendMessageA = [result](HWND, UINT, WPARAM, LPARAM) { return result; };
        CWinAPI winapi{api};
        api.calls.clear();
        winapi.SetHotKey(77, 0x0641);
        std::vector<std::string> expected{"SendMessageA(77, 50, 1601, 0)"};
        if (result != 1)
            expected.push_back("MessageBoxA(0, \"You need another hotkey\", \"Error\", 0)");
        expected.push_back("DefWindowProcA(77, 24, 0, 0)");
        EXPECT_THAT(api.calls, ElementsAreArray(expected)) << "result " << result;
    }
}

} // namespace
} // namespace tarnquill
