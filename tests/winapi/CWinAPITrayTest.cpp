// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

#include <tuple>
#include <utility>

namespace tarnquill {
namespace {

// The func chooses the shell message (-1: none is sent). An unset picture
// fails before any call, whatever the func.
TEST_F(CWinAPITest, TrayIconFuncChoosesTheShellMessage)
{
    for (const auto& [func, message] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, -1}, {-1, -1}}) {
        api.calls.clear();
        EXPECT_EQ(runtimeErrorOf([&] { winapi.TrayIcon(func, 77, "Tarnquill", Picture()); }),
                  RuntimeError::kObjectNotSet);
        winapi.TrayIcon(func, 77, "Tarnquill", Picture(5));
        if (message < 0) {
            EXPECT_THAT(api.calls, IsEmpty()) << func;
        } else {
            ASSERT_EQ(api.calls.size(), 1u) << func;
            EXPECT_EQ(api.calls[0].substr(0, 21), "Shell_NotifyIconA(" + std::to_string(message) + ", ");
        }
    }
}

// The shell reads the record byte for byte: window, icon and tip in place,
// the tip's 64 bytes holding the text and a NUL, cut or padded.
TEST_F(CWinAPITest, TheTrayRecordHoldsTheTextAndANulCutOrPaddedTo64Bytes)
{
    std::string head; // size 88, window, id 1, flags 7, message 512, icon
    for (const std::uint32_t field : {88u, 1234u, 1u, 7u, 512u, 0x162Eu})
        for (int i = 0; i < 4; ++i)
            head += static_cast<char>(field >> (8 * i));
    const std::string nul(1, '\0');
    // The name given, the 64 bytes of szTip.
    for (const auto& [sName, field] : {
             std::pair{std::string(), nul + std::string(63, ' ')},
             {"Tarnquill", "Tarnquill" + nul + std::string(54, ' ')},
             {std::string(63, 'a'), std::string(63, 'a') + nul}, // 63 keeps its NUL
             {std::string(64, 'b'), std::string(64, 'b')},       // 64 has none
             {std::string(64, 'c') + "overflow", std::string(64, 'c')},
             {std::string(62, 'd') + "\xC3\xA9", std::string(62, 'd') + "\xC3\xA9"},
             // A character split at the end becomes padding.
             {std::string(63, 'e') + "\xC3\xA9", std::string(63, 'e') + " "},
             {std::string(62, 'f') + "\xE2\x82\xAC", std::string(62, 'f') + "  "}}) {
        ASSERT_EQ(field.size(), 64u);
        api.calls.clear();
        winapi.TrayIcon(0, 1234, sName, Picture(0x162E));
        EXPECT_THAT(api.calls, ElementsAre("Shell_NotifyIconA(0, " + byteList(head + field) + ")"));
    }
}

TEST_F(CWinAPITest, TryIcnRtnMsgUndoesTheTwipScalingOfTheShellsMessage)
{
    api.twipsPerPixelY = 1; // never the vertical factor
    // Twips per pixel, the X given, the message, the pixels left in the caller's X.
    for (const auto& [factor, given, message, pixels] :
         {std::tuple{15.0f, 7710.0f, 514, 514.0f}, {15.0f, 7724.0f, 514, 514.0f}, // truncated
          {15.0f, 7725.0f, 515, 515.0f}, {15.0f, 7665.0f, 0, 511.0f}, {15.0f, 0.0f, 0, 0.0f},
          {15.0f, 7680.0f, 512, 512.0f}, {15.0f, 7815.0f, 521, 521.0f}, {15.0f, 7830.0f, 0, 522.0f},
          {15.0f, -7710.0f, 0, -514.0f}, {12.0f, 6168.0f, 514, 514.0f},
          {15.0f, 7679.5f, 512, 512.0f}, // 7680 after rounding
          // Factors that are not whole: 192 and 168 dpi. A release arrives as
          // 514 pixels times the exact factor.
          {7.5f, 3855.0f, 514, 514.0f}, {1440.0f / 168, 513 * 1440.0f / 168, 513, 513.0f},
          {1440.0f / 168, 514 * 1440.0f / 168, 514, 514.0f}}) {
        api.twipsPerPixelX = factor;
        float x = given;
        EXPECT_EQ(winapi.TryIcnRtnMsg(x), message) << given << " at " << factor;
        EXPECT_EQ(x, pixels) << given << " at " << factor;
    }
}

TEST_F(CWinAPITest, TryIcnRtnMsgErrorsLeaveTheCallersXAsItWas)
{
    float x = 3e9f;
    EXPECT_EQ(runtimeErrorOf([&] { winapi.TryIcnRtnMsg(x); }), RuntimeError::kOverflow);
    EXPECT_EQ(x, 3e9f);

    api.twipsPerPixelX = 0.4f;
    x = 7710;
    EXPECT_EQ(runtimeErrorOf([&] { winapi.TryIcnRtnMsg(x); }), RuntimeError::kDivisionByZero);
    EXPECT_EQ(x, 7710);
}

// The bitmaps go on the item the menu bar's drop-down holds at the position,
// by its command id; an unset picture changes nothing.
TEST_F(CWinAPITest, MenuBitmapsSetsBothImagesByCommandIdOnTheMenuBar)
{
    api.onGetMenu = [](HWND) { return 300; };
    api.onGetSubMenu = [](HMENU, int) { return 301; };
    api.onGetMenuItemID = [](HMENU, int) { return 9001u; };
    winapi.MenuBitmaps(55, 2, 4, Picture(77));
    EXPECT_THAT(api.calls, ElementsAre("GetMenu(55)", "GetSubMenu(300, 2)", "GetMenuItemID(301, 4)",
                                       "SetMenuItemBitmaps(300, 9001, 4, 77, 77)"));
    api.calls.clear();
    EXPECT_EQ(runtimeErrorOf([&] { winapi.MenuBitmaps(55, 0, 0, Picture()); }), RuntimeError::kObjectNotSet);
    EXPECT_THAT(api.callsTo("SetMenuItemBitmaps"), IsEmpty());
}

} // namespace
} // namespace tarnquill
