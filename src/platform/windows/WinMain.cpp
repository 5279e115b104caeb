// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"
#include "app/Design.h"
#include "app/Form1.h"
#include "history/ClipboardWatcher.h"
#include "history/StoreLocation.h"
#include "history/TextHistory.h"
#include "platform/NativePaths.h"
#include "platform/windows/NativeWin32Api.h"
#include "platform/windows/Win32CaretBlinkLimiter.h"
#include "platform/windows/Win32Clipboard.h"
#include "platform/windows/Win32Form1View.h"
#include "platform/windows/Win32ProgressView.h"
#include "platform/windows/Win32SingleInstance.h"
#include "platform/windows/Win32StoreNotifier.h"
#include "platform/windows/Win32WatcherPump.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// The program icon of the resources (tarnquill.rc).
constexpr int kProgramIconId = 1;

// The arguments after the program's name, as UTF-8.
std::vector<std::string> commandLineArguments()
{
    std::vector<std::string> args;
    int count = 0;
    if (wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(tarnquill::wide::toUtf8(argv[i]));
        ::LocalFree(argv);
    }
    return args;
}

// A GUI program has no console of its own. The text goes to the standard
// handle a parent passed down (a pipe, a file), else to the console of the
// parent (a command prompt), else into a message box.
void report(const std::string& text, bool isError)
{
    const ::HANDLE inherited = ::GetStdHandle(isError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (inherited && inherited != INVALID_HANDLE_VALUE
        && ::WriteFile(inherited, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return;
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        const ::HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            // The prompt was already printed when the program started.
            const std::wstring wide = L"\r\n" + tarnquill::wide::fromUtf8(text);
            const bool done = ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
            ::CloseHandle(console);
            ::FreeConsole();
            if (done)
                return;
        } else {
            ::FreeConsole();
        }
    }
    ::MessageBoxW(nullptr, tarnquill::wide::fromUtf8(text).c_str(), L"Tarnquill",
                  MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    using namespace tarnquill;

    const app::CommandLine commandLine = app::parseCommandLine(commandLineArguments());
    switch (commandLine.action) {
    case app::CommandLine::Action::Help:
        report(app::helpText(), false);
        return 0;
    case app::CommandLine::Action::Version:
        report(app::versionText(), false);
        return 0;
    case app::CommandLine::Action::Error:
        report("tarnquill: " + commandLine.error + "\n", true);
        return app::kUsageExitStatus;
    case app::CommandLine::Action::Run:
        break;
    }

    // First: it makes the process DPI-aware before any window exists, unless
    // the manifest already did.
    NativeWin32Api win32;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    const auto files = native::makeFileSystem();
    std::string storeError;
    const auto storeFile = app::storeFileFor(commandLine, *files, &native::programFolders, storeError);
    if (storeFile.empty()) {
        report("tarnquill: " + storeError + "\n", true);
        return app::kUsageExitStatus;
    }
    // Decided before anything reads or writes the store: a second start with
    // the same store would overwrite the first one's entries, so it only
    // brings the running window forward.
    Win32SingleInstance single(storeFile);
    if (!single.acquire()) {
        single.askRunningToShow();
        return 0;
    }
    // Under the lock, so no other instance is in the middle of a save.
    files->removeLeftovers(storeFile);
    TextHistory history(*files, storeFile);
    // The UI thread never waits on the disk for an addition; the exit's and
    // the session end's saves (savet) wait for the writer, so they are the
    // last writes.
    history.saveInBackground();
    // A store an older version wrote in the machine's ANSI code page.
    history.setLegacyDecoder(&wide::ansiToUtf8);

    Win32Clipboard clipboard;
    ClipboardWatcher watcher(clipboard, history);
    Win32WatcherPump pump(watcher);
    clipboard.setOnChange([&pump] { pump.wake(); });

    const ::HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(kProgramIconId));

    // The main window's handlers; made once everything they use exists.
    std::optional<app::Form1> form1;
    // The loading window and the saving window. Each tick of either asks for
    // the main window; the loading window's first tick loads it.
    Win32ProgressView form2View(app::WindowId::Form2, icon);
    Win32ProgressView form3View(app::WindowId::form3, icon);
    const auto requestMainWindow = [&form1] {
        if (form1)
            form1->Load();
    };
    app::ProgressForm form2(form2View, requestMainWindow);
    app::ProgressForm form3(form3View, requestMainWindow);
    form2View.routeTo(form2);
    form3View.routeTo(form3);

    Win32Form1View form1View(history, pump, icon);
    single.markWindow(form1View.hWnd());
    // A store that cannot be saved is announced by the tray icon's balloon
    // while the window is in the tray. 1: the id CWinAPI gives its tray icon.
    Win32StoreNotifier storeNotifier(
        [&win32, &form1View] { return static_cast<::HWND>(win32.userHandles().find(form1View.Picture1_hWnd())); }, 1);
    history.setStatusListener(&storeNotifier);
    // The exit ends the process at once, past every destructor; the text the
    // program put on the clipboard stays there, handed to the system whole.
    form1View.setProcessEnd([&single] {
        single.release();
        ::ExitProcess(0);
    });
    form1.emplace(form1View, history, clipboard, win32, form2, form3);
    // An erase empties the history without the watcher's knowledge, and a
    // re-send of an older entry must come back as the newest: either way the
    // watcher has to look again.
    form1View.routeTo(*form1, [&pump] { pump.wake(); });
    history.setListView(&form1View.listView());

    Win32CaretBlinkLimiter caretBlink;
    form1View.window().events().caretChanged = [&caretBlink] { caretBlink.caretChanged(); };

    form2.Show();

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (caretBlink.notice(message))
            continue;
        if (form1View.window().dispatch(message) || form2View.window().dispatch(message)
            || form3View.window().dispatch(message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // WM_QUIT comes from no part of the program; should another program post
    // it, the exit still saves.
    form1->Form_Unload();
    // The writer may outlive the notifier as WinMain returns.
    history.setStatusListener(nullptr);
    return 0;
}
