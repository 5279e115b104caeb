// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

namespace tarnquill {
namespace {

// Different factors on the two axes, so a property that reads the wrong axis
// shows; 7.5 (192 dpi) makes products end in halves.
class CWinAPIFrameTest : public CWinAPITest {
protected:
    CWinAPIFrameTest()
    {
        api.twipsPerPixelX = 7.5f;
        api.twipsPerPixelY = 12;
        api.workArea = {3, 5, 1280, 1000};
        api.cursor = {101, 203};
    }
};

// Each reading in twips, rounded half to even (22.5 and 757.5 here).
TEST_F(CWinAPIFrameTest, PropertiesAreTheScreenReadingsInTwipsRoundedHalfToEven)
{
    EXPECT_EQ(std::vector<std::int16_t>({winapi.WorkAreaLeft(), winapi.WorkAreaTop(), winapi.WorkAreaRight(),
                                         winapi.WorkAreaBottom(), winapi.MouseX(), winapi.MouseY()}),
              std::vector<std::int16_t>({22, 60, 9600, 12000, 758, 2436}));
}

// Every read asks the system again: the cursor, the dpi and the work area.
TEST_F(CWinAPIFrameTest, EachReadIsTakenAfresh)
{
    const auto first = winapi.MouseX();
    api.cursor.x += 10;
    api.twipsPerPixelX = 15;
    EXPECT_EQ(first, 758);
    EXPECT_EQ(winapi.MouseX(), 1665);

    winapi.SetSysWorkArea(0, 0, 600, 400);
    api.workArea = WinRect{0, 0, 1000, 700};
    EXPECT_EQ(winapi.WorkAreaRight(), 15000);
}

TEST_F(CWinAPIFrameTest, AnEdgeBeyondTheInt16RangeOverflowsOnlyWhenRead)
{
    api.twipsPerPixelX = 15;
    api.twipsPerPixelY = 15;
    api.workArea.right = 2185;  // 32775 twips
    api.cursor.y = 3000;        // 45000 twips: construction must still succeed
    CWinAPI late(api);
    EXPECT_EQ(runtimeErrorOf([&] { late.WorkAreaRight(); }), RuntimeError::kOverflow);
    EXPECT_EQ(runtimeErrorOf([&] { late.MouseY(); }), RuntimeError::kOverflow);
    EXPECT_EQ(late.MouseX(), 1515);
    api.workArea.right = 2184;
    EXPECT_EQ(late.WorkAreaRight(), 32760);
}

struct ConversionCase {
    const char* name;
    bool toPixels; // TtoP, else PtoT
    float twipsPerPixelX;
    Variant no;
    Bool16 yValue;
    Variant result; // ignored when error is set
    int error;
};

class CWinAPIConversion : public CWinAPITest, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(CWinAPIConversion, ConvertsOnTheChosenAxis)
{
    api.twipsPerPixelX = GetParam().twipsPerPixelX;
    api.twipsPerPixelY = 12;
    const auto& c = GetParam();
    Variant result;
    EXPECT_EQ(runtimeErrorOf([&] { result = c.toPixels ? winapi.TtoP(c.no, c.yValue) : winapi.PtoT(c.no, c.yValue); }),
              c.error);
    if (c.error == 0) {
        EXPECT_EQ(result, c.result);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CWinAPI, CWinAPIConversion,
    ::testing::Values(
        ConversionCase{"PtoT10", false, 15, std::int16_t{10}, kFalse, 150.0, 0},
        ConversionCase{"PtoT10OnY", false, 15, std::int16_t{10}, kTrue, 120.0, 0},
        ConversionCase{"PtoTAnyNonZeroIsY", false, 15, std::int16_t{10}, 1, 120.0, 0},
        ConversionCase{"PtoTFraction", false, 7.5f, 0.5, kFalse, 3.75, 0},
        ConversionCase{"PtoTEmpty", false, 15, std::monostate{}, kFalse, 0.0, 0},
        ConversionCase{"PtoTText", false, 15, std::string("abc"), kFalse, {}, RuntimeError::kTypeMismatch},
        ConversionCase{"TtoP100", true, 15, std::int32_t{100}, kFalse, std::int32_t{6}, 0},
        ConversionCase{"TtoP22", true, 15, std::int32_t{22}, kFalse, std::int32_t{1}, 0},
        ConversionCase{"TtoPTruncatesTowardZero", true, 15, std::int32_t{-22}, kFalse, std::int32_t{-1}, 0},
        ConversionCase{"TtoP100OnY", true, 15, std::int32_t{100}, kTrue, std::int32_t{8}, 0},
        ConversionCase{"TtoPRoundsTheTwipsFirst", true, 15, 29.5, kFalse, std::int32_t{2}, 0},
        ConversionCase{"TtoPRoundsTheFactorFirst", true, 7.5f, std::int32_t{15}, kFalse, std::int32_t{1}, 0},
        ConversionCase{"TtoPNumericText", true, 15, std::string("150"), kFalse, std::int32_t{10}, 0},
        ConversionCase{"TtoPText", true, 15, std::string("x"), kFalse, {}, RuntimeError::kTypeMismatch},
        ConversionCase{"TtoPBeyondInt32", true, 15, 3e9, kFalse, {}, RuntimeError::kOverflow},
        ConversionCase{"TtoPFactorRoundsToZero", true, 0.4f, std::int32_t{10}, kFalse, {},
                       RuntimeError::kDivisionByZero}),
    kNamed);

// The catalogue is a fixed text with its own spellings: the whole of it, each
// line after a CR LF, captioned with the title.
TEST(CWinAPIListFunc, ShowsTheWholeCatalogueCaptionedWithTheTitle)
{
    RecordingWin32Api api;
    CWinAPI winapi(api, "Clip Title");
    api.calls.clear();
    winapi.ListFunc();
    const std::string catalogue =
        R"(\r\nDelay \r\nDiskSpace \r\nDocumentList \r\nExecuteFile \r\nExitWindows \r\nFindFilesAPI \r\nLaunch )"
        R"(\r\nMakeTransparentForm \r\nMenuBitmaps \r\nMoveFormWithoutBorders \r\nOpenWebSite \r\nPlayAudioCD )"
        R"(\r\nPlayAvi \r\nPlaySound \r\nRegistryValueS \r\nRegistryValueD \r\nRegistryRun )"
        R"(\r\nRegistryDeleteValue \r\nRegistryNewKey \r\nRegistryDeleteKey \r\nRegistryCreateRightClickAccess )"
        R"(\r\nRegistryCreateAssociation \r\nRetrieveIcon \r\nSendEmail \r\nSetDeskWallPaper \r\nSetHotKey )"
        R"(\r\nSetMousePos \r\nSetMyPosOnDesktop \r\nSetMyPosTopMost \r\nSetSysWorkArea \r\nShowMouse )"
        R"(\r\nShowRecycleBin \r\nStartScreenSaver \r\nTaskBar \r\nTrayIcon \r\n**********Functions**********)"
        R"(\r\nGetSystemFolders()\r\nRetrieveFileTypeName()\r\nSoundCardDetect()\r\nTtoP()\r\nPtoT())"
        R"(\r\n**********Properties**********\r\nWorkAreaLeft, WorkAreaRight, WorkAreaTop, WorkAreaBottom)"
        R"(\r\nMouseX, MouseY )";
    EXPECT_THAT(api.calls, ElementsAre(R"(MessageBoxA(0, ")" + catalogue + R"(", "Clip Title", 0))"));
}

} // namespace
} // namespace tarnquill
