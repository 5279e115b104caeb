// SPDX-License-Identifier: MIT
#include "platform/windows/Win32Clipboard.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace tarnquill {
namespace {

// clipboard_peer.exe beside this test program, as a second application.
std::wstring peerPath()
{
    wchar_t module[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path(module, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"clipboard_peer.exe";
}

PROCESS_INFORMATION startPeer(const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + peerPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        ADD_FAILURE() << "cannot start the clipboard peer";
    return process;
}

DWORD runPeer(const std::wstring& arguments)
{
    const PROCESS_INFORMATION process = startPeer(arguments);
    ::WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

// The listener's WM_CLIPBOARDUPDATE arrives through this thread's messages.
void serveMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    ::Sleep(5);
}

struct PeerCase {
    const char* name;
    std::wstring arguments;
    ClipboardRead::Status status;
    std::string text;
};

class Win32ClipboardTest : public ::testing::TestWithParam<PeerCase> {};

// What another program copies, as the watcher reads it; the change counter
// moves and the listener is told with every copy.
TEST_P(Win32ClipboardTest, ReadsWhatAnotherProgramCopied)
{
    int changes = 0;
    Win32Clipboard clipboard([&changes] { ++changes; });
    const auto before = clipboard.changeCount();
    ASSERT_EQ(runPeer(GetParam().arguments), 0u);
    EXPECT_TRUE(test::waitUntil([&] { return changes >= 1; }, std::chrono::seconds(10), serveMessages));
    EXPECT_NE(clipboard.changeCount(), before);
    const ClipboardRead read = clipboard.readText();
    EXPECT_EQ(read.status, GetParam().status);
    EXPECT_EQ(read.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, Win32ClipboardTest,
    ::testing::Values(
        // Outside every ANSI code page, and CR LF kept.
        PeerCase{"Unicode", L"text \"Gr\u00fc\u00dfe \U0001F600\r\n\u4e2d\u6587\"", ClipboardRead::Status::Text,
                 "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80\r\n\xE4\xB8\xAD\xE6\x96\x87"},
        PeerCase{"Excluded", L"excluded \"hunter2\"", ClipboardRead::Status::Secret, ""},
        PeerCase{"NotForHistory", L"nohistory \"hunter2\"", ClipboardRead::Status::Secret, ""},
        PeerCase{"Image", L"image", ClipboardRead::Status::NoText, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A program that keeps the clipboard open makes the read busy, not the
// window wait for it; once it lets go, the text reads again.
TEST(Win32ClipboardHeld, ReadsBusyWhileAnotherProgramHoldsItOpen)
{
    Win32Clipboard clipboard;
    ASSERT_TRUE(clipboard.setText("before"));
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, L"TarnquillClipboardTestHeld");
    const PROCESS_INFORMATION holder = startPeer(L"hold TarnquillClipboardTestHeld 3000");
    ASSERT_EQ(::WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(clipboard.readText().status, ClipboardRead::Status::Busy);
    EXPECT_FALSE(clipboard.setText("while held"));
    ::WaitForSingleObject(holder.hProcess, 30000);
    ::CloseHandle(holder.hThread);
    ::CloseHandle(holder.hProcess);
    ::CloseHandle(ready);
    const ClipboardRead read = clipboard.readText();
    EXPECT_EQ(read.status, ClipboardRead::Status::Text);
    EXPECT_EQ(read.text, "before");
}

// A re-send replaces a private copy with the text alone: nothing of the
// other program's formats, the private mark included, stays behind.
TEST(Win32ClipboardSet, ReplacesEveryFormatWithTheText)
{
    ASSERT_EQ(runPeer(L"excluded \"hunter2\""), 0u);
    Win32Clipboard clipboard;
    ASSERT_TRUE(clipboard.setText("\xF0\x9F\x98\x80 again"));
    EXPECT_FALSE(::IsClipboardFormatAvailable(::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing")));
    const ClipboardRead read = clipboard.readText();
    EXPECT_EQ(read.status, ClipboardRead::Status::Text);
    EXPECT_EQ(read.text, "\xF0\x9F\x98\x80 again");
}

} // namespace
} // namespace tarnquill
