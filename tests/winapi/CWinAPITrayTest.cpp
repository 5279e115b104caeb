// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

namespace tarnquill {
namespace {

struct ActionCase {
    std::int32_t func;
    int message; // -1: no call
};

class CWinAPITrayAction : public CWinAPITest, public ::testing::WithParamInterface<ActionCase> {};

// An unset picture fails before any call, whatever the func.
TEST_P(CWinAPITrayAction, FuncChoosesTheShellMessage)
{
    EXPECT_EQ(runtimeErrorOf([&] { winapi.TrayIcon(GetParam().func, 77, "Tarnquill", Picture()); }),
              RuntimeError::kObjectNotSet);
    winapi.TrayIcon(GetParam().func, 77, "Tarnquill", Picture(5));
    if (GetParam().message < 0) {
        EXPECT_THAT(api.calls, IsEmpty());
    } else {
        ASSERT_EQ(api.calls.size(), 1u);
        EXPECT_EQ(api.calls[0].substr(0, 21), "Shell_NotifyIconA(" + std::to_string(GetParam().message) + ", ");
    }
}

INSTANTIATE_TEST_SUITE_P(CWinAPI, CWinAPITrayAction,
                         ::testing::Values(ActionCase{0, 0}, ActionCase{1, 1}, ActionCase{2, 2}, ActionCase{3, -1},
                                           ActionCase{-1, -1}));

struct TipCase {
    const char* name;
    std::string sName;
    std::string field; // the 64 bytes of szTip
};

class CWinAPITrayTip : public CWinAPITest, public ::testing::WithParamInterface<TipCase> {};

// The shell reads the record byte for byte: window, icon and tip in place.
TEST_P(CWinAPITrayTip, TheRecordHoldsTheTextAndANulCutOrPaddedTo64Bytes)
{
    ASSERT_EQ(GetParam().field.size(), 64u);
    winapi.TrayIcon(0, 1234, GetParam().sName, Picture(0x162E));
    std::string head; // size 88, window, id 1, flags 7, message 512, icon
    for (const std::uint32_t field : {88u, 1234u, 1u, 7u, 512u, 0x162Eu})
        for (int i = 0; i < 4; ++i)
            head += static_cast<char>(field >> (8 * i));
    EXPECT_THAT(api.calls, ElementsAre("Shell_NotifyIconA(0, " + byteList(head + GetParam().field) + ")"));
}

const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    CWinAPI, CWinAPITrayTip,
    ::testing::Values(
        TipCase{"Empty", "", kNul + std::string(63, ' ')},
        TipCase{"Short", "Tarnquill", "Tarnquill" + kNul + std::string(54, ' ')},
        TipCase{"SixtyThreeKeepsItsNul", std::string(63, 'a'), std::string(63, 'a') + kNul},
        TipCase{"SixtyFourHasNoNul", std::string(64, 'b'), std::string(64, 'b')},
        TipCase{"LongerIsCut", std::string(64, 'c') + "overflow", std::string(64, 'c')},
        TipCase{"TwoByteCharacterThatFits", std::string(62, 'd') + "\xC3\xA9", std::string(62, 'd') + "\xC3\xA9"},
        TipCase{"TwoByteCharacterSplitBecomesPadding", std::string(63, 'e') + "\xC3\xA9",
                std::string(63, 'e') + " "},
        TipCase{"ThreeByteCharacterSplitBecomesPadding", std::string(62, 'f') + "\xE2\x82\xAC",
                std::string(62, 'f') + "  "}),
    kNamed);

struct NotificationCase {
    float twipsPerPixel;
    float x;
    std::int32_t message;
    float pixels; // left in the caller's X
};

class CWinAPITryIcnRtnMsg : public CWinAPITest, public ::testing::WithParamInterface<NotificationCase> {};

TEST_P(CWinAPITryIcnRtnMsg, UndoesTheTwipScalingOfTheShellsMessage)
{
    api.twipsPerPixelX = GetParam().twipsPerPixel;
    api.twipsPerPixelY = 1; // never the vertical factor
    float x = GetParam().x;
    EXPECT_EQ(winapi.TryIcnRtnMsg(x), GetParam().message);
    EXPECT_EQ(x, GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(
    CWinAPI, CWinAPITryIcnRtnMsg,
    ::testing::Values(NotificationCase{15, 7710, 514, 514}, NotificationCase{15, 7724, 514, 514}, // truncated
                      NotificationCase{15, 7725, 515, 515}, NotificationCase{15, 7665, 0, 511},
                      NotificationCase{15, 0, 0, 0}, NotificationCase{15, 7680, 512, 512},
                      NotificationCase{15, 7815, 521, 521}, NotificationCase{15, 7830, 0, 522},
                      NotificationCase{15, -7710, 0, -514}, NotificationCase{12, 6168, 514, 514},
                      NotificationCase{15, 7679.5f, 512, 512}, // 7680 after rounding
                      // Factors that are not whole: 192 and 168 dpi. A release
                      // arrives as 514 pixels times the exact factor.
                      NotificationCase{7.5f, 3855, 514, 514},
                      NotificationCase{1440.0f / 168, 513 * 1440.0f / 168, 513, 513},
                      NotificationCase{1440.0f / 168, 514 * 1440.0f / 168, 514, 514}));

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
