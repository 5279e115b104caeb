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
        CallCase{"TopMostOmittedTakenOffWithOne",
                 [](CWinAPI& w) { w.SetMyPosTopMost(77); w.SetMyPosTopMost(77, kTrue); w.SetMyPosTopMost(77, 1); },
                 {kPos + "-1, 0, 0, 0, 0, 3)", kPos + "-2, 0, 0, 0, 0, 3)", kPos + "-1, 0, 0, 0, 0, 3)"}},
        CallCase{"OnDesktop", [](CWinAPI& w) { w.SetMyPosOnDesktop(77); }, {kPos + "1, 0, 0, 0, 0, 19)"}},
        CallCase{"HideOmittedShowWithOne", [](CWinAPI& w) { w.HideWindow(77); w.HideWindow(77, 1); },
                 {kPos + "1, 0, 0, 0, 0, 128)", kPos + "1, 0, 0, 0, 0, 64)"}},
        CallCase{"Transparent", [](CWinAPI& w) { w.MakeTransparentForm(77); },
                 {"SetWindowLongA(77, -20, 32)", kPos + "-2, 0, 0, 0, 0, 35)"}},
        CallCase{"TaskBarHideShowOther", [](CWinAPI& w) { w.TaskBar(0); w.TaskBar(1); w.TaskBar(2); },
                 {"FindWindowA(\"Shell_traywnd\", \"\")", "SetWindowPos(100, 0, 0, 0, 0, 0, 128)",
                  "FindWindowA(\"Shell_traywnd\", \"\")", "SetWindowPos(101, 0, 0, 0, 0, 0, 64)"}},
        CallCase{"WorkArea", [](CWinAPI& w) { w.SetSysWorkArea(-5, 10, 800, 570); },
                 {"SystemParametersInfoA(47, 0, {-5, 10, 800, 570}, 3)"}},
        CallCase{"WallpaperFileOmittedNoneOther",
                 [](CWinAPI& w) {
                     w.SetDeskWallPaper(1, "C:\\a b.bmp"); w.SetDeskWallPaper(1); w.SetDeskWallPaper(0, "x.bmp");
                     w.SetDeskWallPaper(2, "x.bmp");
                 },
                 {"SystemParametersInfoA(20, 0, \"C:\\a b.bmp\", 3)", "SystemParametersInfoA(20, 0, \"\", 3)",
                  "SystemParametersInfoA(20, 0, \"(None)\", 3)"}},
        CallCase{"SecureKeysOffOn", [](CWinAPI& w) { w.DisableCtrlAltDelete(kTrue); w.DisableCtrlAltDelete(kFalse); },
                 {"SystemParametersInfoA(97, 4294967295, 0, 0)", "SystemParametersInfoA(97, 0, 0, 0)"}},
        CallCase{"ToolBar", [](CWinAPI& w) { w.ChangeToolBarStyle(77); },
                 {"FindWindowExA(77, 0, \"ToolbarWindow32\", NULL)", "SendMessageA(100, 1081, 0, 0)",
                  "SendMessageA(100, 1080, 0, 2048)"}},
        CallCase{"Move", [](CWinAPI& w) { w.MoveFormWithoutBorders(77); },
                 {"ReleaseCapture()", "SendMessageA(77, 161, 2, 0)"}},
        CallCase{"ScreenSaver", [](CWinAPI& w) { w.StartScreenSaver(77); }, {"SendMessageA(77, 274, 61760, 0)"}},
        CallCase{"ShutDownRebootForceLogOffOther",
                 [](CWinAPI& w) {
                     for (const std::int32_t how : {0, 1, 2, 3, 4, -1})
                         w.ExitWindows(how);
                 },
                 {"ExitWindowsEx(1, 0)", "ExitWindowsEx(2, 0)", "ExitWindowsEx(4, 0)", "ExitWindowsEx(0, 0)"}},
        CallCase{"CursorShowHideOther", [](CWinAPI& w) { w.ShowMouse(-1); w.ShowMouse(0); w.ShowMouse(1); },
                 {"ShowCursor(-1)", "ShowCursor(0)"}},
        CallCase{"MousePosInPixels", [](CWinAPI& w) { w.SetMousePos(-5, 40000); }, {"SetCursorPos(-5, 40000)"}}),
    kNamed);

TEST_F(CWinAPITest, ToolBarStyleKeepsTheOtherBits)
{
    api.onSendMessageA = [](HWND, UINT msg, WPARAM, LPARAM) { return msg == TB_GETSTYLE ? 0x0101 : 0; };
    winapi.ChangeToolBarStyle(5);
    EXPECT_EQ(api.calls.back(), "SendMessageA(100, 1080, 0, 2305)");
}

// Only 1 is a success; 2 (assigned, but another window has it), 0 and -1
// all show the box, and the default procedure is called every time.
TEST_F(CWinAPITest, HotKeyAsksForAnotherUnlessTheResultIsOne)
{
    for (const LRESULT result : {1, 2, 0, -1}) {
        api.onSendMessageA = [result](HWND, UINT, WPARAM, LPARAM) { return result; };
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
