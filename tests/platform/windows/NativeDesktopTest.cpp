// SPDX-License-Identifier: MIT
// NativeWin32Api's screen, cursor, tray and message box on a real desktop.
// Under Wine they need an X display: the console run of every *_tests.exe has
// none and skips them; the wine.win32api_desktop test runs them under Xvfb.

#include "SystemProbe.h"

#include "platform/windows/NativeWin32Api.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnquill {
namespace {

class NativeDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (probe::wineWithoutDisplay())
            GTEST_SKIP() << "Wine has no X display here (DISPLAY unset); the wine.win32api_desktop test runs these "
                            "under Xvfb";
    }

    NativeWin32Api api;
};

NotifyIconDataA trayRecord(HWND window, HICON icon, std::string_view tip)
{
    // As the utility class fills it: id 1, message, icon and tip, callback WM_MOUSEMOVE.
    NotifyIconDataA record;
    record.hWnd = window;
    record.uID = 1;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_MOUSEMOVE;
    record.hIcon = icon;
    std::fill(record.szTip.begin(), record.szTip.end(), ' ');
    std::copy(tip.begin(), tip.end(), record.szTip.begin());
    record.szTip[tip.size()] = '\0';
    return record;
}

TEST_F(NativeDesktop, TheTrayIconIsAddedChangedAndRemoved)
{
    probe::TestWindow window;
    ASSERT_NE(window.system(), nullptr);
    const HICON icon = probe::applicationIcon();

    EXPECT_NE(api.Shell_NotifyIconA(NIM_ADD, trayRecord(window.seam(), icon, "Tarnquill")), 0);
    EXPECT_NE(api.Shell_NotifyIconA(NIM_MODIFY, trayRecord(window.seam(), icon, "Tarnquill — café €")), 0);
    EXPECT_NE(api.Shell_NotifyIconA(NIM_DELETE, trayRecord(window.seam(), icon, "")), 0);
    EXPECT_EQ(api.Shell_NotifyIconA(NIM_MODIFY, trayRecord(window.seam(), icon, "gone")), 0)
        << "the icon is no longer there";

    // A 64-byte tip without NUL, as the class stores a long name.
    NotifyIconDataA full = trayRecord(window.seam(), icon, "");
    std::fill(full.szTip.begin(), full.szTip.end(), 'x');
    EXPECT_NE(api.Shell_NotifyIconA(NIM_ADD, full), 0);
    EXPECT_NE(api.Shell_NotifyIconA(NIM_DELETE, full), 0);
}

TEST_F(NativeDesktop, AWindowTheFrontEndBoundIsFoundByItsNumber)
{
    probe::TestWindow window;
    // A number that is not the window's own handle.
    constexpr HWND kBound = 0x7654;
    ASSERT_NE(window.seam(), kBound);
    api.userHandles().bind(kBound, window.system());
    EXPECT_NE(api.Shell_NotifyIconA(NIM_ADD, trayRecord(kBound, probe::applicationIcon(), "bound")), 0);
    EXPECT_NE(api.Shell_NotifyIconA(NIM_DELETE, trayRecord(kBound, probe::applicationIcon(), "bound")), 0);
}

TEST_F(NativeDesktop, TheCursorGoesWhereItIsSentAndIsReadBack)
{
    const WinPoint targets[] = {{123, 45}, {7, 300}};
    for (const WinPoint target : targets) {
        ASSERT_NE(api.SetCursorPos(target.x, target.y), 0);
        WinPoint read{-1, -1};
        ASSERT_NE(api.GetCursorPos(read), 0);
        EXPECT_EQ(read, target);
    }
}

TEST_F(NativeDesktop, TheWorkAreaAndTheTwipsPerPixelAreTheScreens)
{
    WinRect area{};
    ASSERT_NE(api.SystemParametersInfoA(SPI_GETWORKAREA, 0, area, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE), 0);
    EXPECT_EQ(area, probe::systemWorkArea());
    EXPECT_GT(area.right, area.left);
    EXPECT_GT(area.bottom, area.top);

    EXPECT_FLOAT_EQ(api.TwipsPerPixelX(), 1440.0f / static_cast<float>(probe::screenDpi(false)));
    EXPECT_FLOAT_EQ(api.TwipsPerPixelY(), 1440.0f / static_cast<float>(probe::screenDpi(true)));
}

// Needs no display: the awareness is the process's, set by the constructor.
// Wine 8 starts every process aware already, so only Windows can fail this.
TEST(NativeScreen, TheProcessSeesTheScreenInRealPixels)
{
    NativeWin32Api api;
    EXPECT_TRUE(probe::processIsDpiAware())
        << "else a screen above 96 dpi is reported as 96 and windows are scaled up blurred";
}

TEST_F(NativeDesktop, TheMessageBoxShowsTextOutsideTheAnsiCodePage)
{
    // Found by its caption through the W function: a caption turned into '?'
    // on the way would not be found, and the box would wait for ever.
    auto pressed = probe::pressOkOnDialog(L"Tarnquill — café € 𝄞");
    EXPECT_EQ(api.MessageBoxA(0, "Ωμέγα", "Tarnquill — café € 𝄞", MB_OK), IDOK);
    EXPECT_TRUE(pressed.get());
}

} // namespace
} // namespace tarnquill
