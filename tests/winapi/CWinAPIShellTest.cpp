// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

#include <cstring>
#include <tuple>
#include <utility>

namespace tarnquill {
namespace {

const std::string kRecycleBin = "\"/root,::{645FF040-5081-101B-9F08-00AA002F954E}\"";

// The Windows key down, the func's key down, the Windows key up.
TEST_F(CWinAPITest, LaunchPressesTheWindowsKeyWithTheKeyOfItsFunc)
{
    for (const auto& [func, key] : {std::pair{0, 69}, {1, 70}, {2, 77}, {3, 82}, {4, 91}, {5, 112}, {6, 0}, {-1, 0}}) {
        api.calls.clear();
        winapi.Launch(func);
        EXPECT_THAT(api.calls, ElementsAre("keybd_event(91, 0, 0, 0)", "keybd_event(" + std::to_string(key) + ", 0, 0, 0)",
                                           "keybd_event(91, 0, 2, 0)"))
            << func;
    }
}

TEST_F(CWinAPITest, EachMemberOpensWithItsArgumentsAndShowState)
{
    winapi.ExecuteFile("C:\\a b.txt", 7, "-x");
    winapi.ExecuteFile("C:\\a.txt", 7);
    winapi.OpenWebSite("http://example.org/", 8);
    winapi.ShowRecycleBin(9);
    EXPECT_THAT(api.calls, ElementsAre("ShellExecuteA(7, \"Open\", \"C:\\a b.txt\", \"-x\", NULL, 3)",
                                       "ShellExecuteA(7, \"Open\", \"C:\\a.txt\", \"\", NULL, 3)",
                                       "ShellExecuteA(8, \"Open\", \"http://example.org/\", NULL, NULL, 3)",
                                       "ShellExecuteA(9, \"Open\", \"explorer.exe\", " + kRecycleBin + ", NULL, 1)"));
}

TEST_F(CWinAPITest, SendEmailPrefixesTheCallersVariableEveryTime)
{
    std::string address = "abc";
    winapi.SendEmail(address, 5);
    EXPECT_EQ(address, "mailto:abc");
    winapi.SendEmail(address, 5);
    EXPECT_EQ(address, "mailto:mailto:abc");
    EXPECT_THAT(api.calls, ElementsAre("ShellExecuteA(5, \"Open\", \"mailto:abc\", NULL, NULL, 3)",
                                       "ShellExecuteA(5, \"Open\", \"mailto:mailto:abc\", NULL, NULL, 3)"));
}

// Files and sites only: mail and the recycle bin have no fallback.
TEST_F(CWinAPITest, BelowThirtyTwoTheFallbackOffersTheOpenWithDialog)
{
    for (const HINSTANCE result : {0, 2, 31, 32, 42}) {
        api.calls.clear();
        api.onShellExecuteA = [result](auto&&...) { return result; };
        winapi.ExecuteFile("C:\\x y.qqq", 1);
        winapi.OpenWebSite("C:\\x y.qqq", 1);
        std::string address = "a";
        winapi.SendEmail(address, 1);
        winapi.ShowRecycleBin(1);
        EXPECT_EQ(api.callsTo("WinExec"),
                  std::vector<std::string>(result < 32 ? 2 : 0,
                                           "WinExec(\"rundll32.exe shell32.dll,OpenAs_RunDLL C:\\x y.qqq\", 1)"))
            << result;
    }
}

TEST_F(CWinAPITest, AFallbackThatCannotStartReachesTheCaller)
{
    api.onShellExecuteA = [](auto&&...) { return 31; };
    api.onWinExec = [](const std::string&, UINT) { return static_cast<UINT>(ERROR_FILE_NOT_FOUND); };
    EXPECT_EQ(runtimeErrorOf([&] { winapi.ExecuteFile("f", 1); }), RuntimeError::kFileNotFound);
}

TEST_F(CWinAPITest, DocumentListUpperCasesFuncAndActsOnExactWords)
{
    using Calls = std::vector<std::string>;
    for (const auto& [before, after, calls] :
         {std::tuple{"clear", "CLEAR", Calls{"SHAddToRecentDocs(2, NULL)"}},
          std::tuple{"Add", "ADD", Calls{"SHAddToRecentDocs(2, \"C:\\r.txt\")"}},
          std::tuple{" add", " ADD", Calls{}}, std::tuple{"remove", "REMOVE", Calls{}}}) {
        api.calls.clear();
        std::string func = before;
        winapi.DocumentList(func, "C:\\r.txt");
        EXPECT_EQ(func, after);
        EXPECT_EQ(api.calls, calls) << before;
    }
}

TEST_F(CWinAPITest, RetrieveIconDrawsTheRecordsIndexForSixteenAndThirtyTwoOnly)
{
    api.onSHGetFileInfoA = [](const std::string&, DWORD, ShFileInfoA& info, UINT, UINT flags) {
        info.iIcon = flags == 26117 ? 3 : 4;
        return 500;
    };
    winapi.RetrieveIcon("C:\\f.txt", 60, 16);
    winapi.RetrieveIcon("C:\\f.txt", 61, 32);
    winapi.RetrieveIcon("C:\\f.txt", 62, 24);
    EXPECT_THAT(api.calls, ElementsAre("SHGetFileInfoA(\"C:\\f.txt\", 0, out, 352, 26117)",
                                       "ImageList_Draw(500, 3, 60, 0, 0, 1)",
                                       "SHGetFileInfoA(\"C:\\f.txt\", 0, out, 352, 26116)",
                                       "ImageList_Draw(500, 4, 61, 0, 0, 1)"));
}

TEST_F(CWinAPITest, TypeNameIsTheFieldUpToItsNulAndOutlivesAFailedLookup)
{
    bool known = true;
    api.onSHGetFileInfoA = [&](const std::string&, DWORD, ShFileInfoA& info, UINT, UINT) {
        if (known)
            std::memcpy(info.szTypeName.data(), "Text Document\0old", 18);
        return known ? 1 : 0;
    };
    EXPECT_EQ(winapi.RetrieveFileTypeName("a.txt"), "Text Document");
    known = false;
    EXPECT_EQ(winapi.RetrieveFileTypeName("unknown"), "Text Document");
}

TEST_F(CWinAPITest, SystemFoldersAreTheBufferUpToItsNul)
{
    const auto write = [](std::string& buffer, const char* text) {
        std::memcpy(buffer.data(), text, std::strlen(text) + 1);
        return static_cast<UINT>(std::strlen(text));
    };
    api.onGetWindowsDirectoryA = [&](std::string& buffer, UINT) { return write(buffer, "C:\\windows"); };
    api.onGetTempPathA = [&](DWORD, std::string& buffer) { return write(buffer, "C:\\temp\\"); };
    EXPECT_EQ(winapi.GetSystemFolders(0), Variant(std::string("C:\\windows")));
    EXPECT_EQ(winapi.GetSystemFolders(2), Variant(std::string("C:\\temp\\")));
    // The system folder does not fit: the platform writes nothing.
    EXPECT_EQ(winapi.GetSystemFolders(1), Variant(std::string(256, ' ')));
    EXPECT_EQ(winapi.GetSystemFolders(3), Variant());
}

} // namespace
} // namespace tarnquill
