// SPDX-License-Identifier: MIT
#include "platform/windows/Win32Form1View.h"

#include "app/Twips.h"
#include "platform/windows/Win32SingleInstance.h"
#include "platform/windows/Win32WatcherPump.h"
#include "platform/windows/WideText.h"

#include <stdexcept>

namespace tarnquill {

namespace {

// Button and Shift of a mouse message from its key-state word: 1 left,
// 2 right, 4 middle; 1 Shift, 2 Ctrl.
int buttonsOf(::WPARAM keys)
{
    return (keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) | (keys & MK_MBUTTON ? 4 : 0);
}

int shiftStateOf(::WPARAM keys)
{
    return (keys & MK_SHIFT ? 1 : 0) | (keys & MK_CONTROL ? 2 : 0);
}

// The Shift argument of a key handler: 1 Shift, 2 Ctrl, 4 Alt, as they are now.
int shiftStateNow()
{
    return (::GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (::GetKeyState(VK_CONTROL) < 0 ? 2 : 0)
        | (::GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

// The button of a press or release message.
int buttonOf(::UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return 1;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return 2;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return 4;
    default:
        return 0;
    }
}

// A user handle as the seam carries it: its low 32 bits.
std::int32_t seamHandle(const void* handle)
{
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(handle));
}

} // namespace

Win32Form1View::Win32Form1View(const TextHistory& history, Win32WatcherPump& timer1, ::HICON programIcon)
    : m_history(history)
    , m_window(app::window(app::WindowId::Form1), programIcon)
    , m_timer1(timer1)
    , m_programIcon(programIcon)
{
    for (const char* name : {"List1", "Text1", "Check1", "Check2", "Picture1"}) {
        if (!control(name))
            throw std::logic_error(std::string("the main window's design lacks ") + name);
    }
}

int Win32Form1View::List1_ListIndex() const
{
    const ::LRESULT row = ::SendMessageW(control("List1"), LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int>(row);
}

void Win32Form1View::setText1(const std::string& text)
{
    m_window.setText("Text1", app::kNoIndex, text);
}

int Win32Form1View::Check2_Value() const
{
    return ::SendMessageW(control("Check2"), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

int Win32Form1View::Check1_Value() const
{
    return ::SendMessageW(control("Check1"), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

HWND Win32Form1View::Picture1_hWnd() const
{
    return seamHandle(control("Picture1"));
}

Picture Win32Form1View::Picture1_Picture() const
{
    return Picture(seamHandle(m_programIcon));
}

void Win32Form1View::Show()
{
    const ::HWND window = m_window.hwnd();
    ::ShowWindow(window, ::IsIconic(window) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(window);
}

void Win32Form1View::Hide()
{
    ::ShowWindow(m_window.hwnd(), SW_HIDE);
}

void Win32Form1View::Minimize()
{
    ::ShowWindow(m_window.hwnd(), SW_MINIMIZE);
}

bool Win32Form1View::hasNotificationArea() const
{
    // Asked each time: the shell may start or end during the run.
    return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void Win32Form1View::setLabel2Underline(int index, bool underline)
{
    m_window.setUnderline("Label2", index, underline);
}

void Win32Form1View::startTimer1()
{
    m_timer1.start();
}

app::PixelPoint Win32Form1View::pixelPosition() const
{
    RECT place;
    ::GetWindowRect(m_window.hwnd(), &place);
    return {static_cast<int>(place.left), static_cast<int>(place.top)};
}

void Win32Form1View::moveToPixels(app::PixelPoint at)
{
    ::SetWindowPos(m_window.hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form1View::exitProcess()
{
    ::ExitProcess(0);
}

void Win32Form1View::listReset(std::size_t rows)
{
    const ::HWND list = control("List1");
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    ::SendMessageW(list, LB_INITSTORAGE, rows, rows * 24);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::wstring line = wide::fromUtf8(m_history.listLine(row));
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<::LPARAM>(line.c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void Win32Form1View::routeTo(app::Form1& handlers, std::function<void()> afterCommand)
{
    Win32DesignWindow::Events& events = m_window.events();
    const double dpi = m_window.dpi();
    const auto twips = [dpi](int pixels) { return static_cast<float>(app::pixelsToTwips(pixels, dpi)); };

    events.clicked = [&handlers, afterCommand](const app::ControlDesign& control) {
        if (control.name == "Label2") {
            handlers.Label2_Click(control.index);
            if (afterCommand)
                afterCommand();
        } else if (control.name == "Check2") {
            handlers.Check2_Click();
        } else if (control.name == "Label1") {
            handlers.Label1_Click(control.index);
        } else if (control.name == "Label6") {
            handlers.Label6_Click();
        } else if (control.name == "Label3") {
            handlers.Label3_Click();
        }
    };
    events.selectionChanged = [&handlers](const app::ControlDesign& control) {
        if (control.name == "List1")
            handlers.List1_Click();
    };
    events.keyUp = [&handlers](const app::ControlDesign& control, ::WPARAM key) {
        if (control.name == "Check2")
            handlers.Check2_KeyUp(static_cast<int>(key), shiftStateNow());
    };
    events.mouse = [&handlers, twips](const app::ControlDesign& control, ::UINT message, ::WPARAM keys, int x,
                                      int y) {
        if (control.name == "Label25") {
            if (message == WM_MOUSEMOVE)
                handlers.Label25_MouseMove(buttonsOf(keys), shiftStateNow(), twips(x), twips(y));
            else if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN)
                handlers.Label25_MouseDown(buttonOf(message), shiftStateNow(), twips(x), twips(y));
            else
                handlers.Label25_MouseUp(buttonOf(message), shiftStateNow(), twips(x), twips(y));
        } else if (control.name == "Label2" && message == WM_MOUSEMOVE) {
            handlers.Label2_MouseMove(control.index, buttonsOf(keys), shiftStateNow(), twips(x), twips(y));
        } else if (control.name == "Picture1" && message == WM_MOUSEMOVE) {
            // Nothing moves the mouse over Picture1, which lies below the
            // window's edge: what arrives is the tray icon's notification,
            // whose message number the shell put where x goes.
            handlers.Picture1_MouseMove(buttonsOf(keys), shiftStateOf(keys), twips(x), twips(y));
        }
    };
    events.surfaceMouseMove = [&handlers, twips](::WPARAM keys, int x, int y) {
        handlers.Form_MouseMove(buttonsOf(keys), shiftStateOf(keys), twips(x), twips(y));
    };
    events.message = [&handlers](::UINT message, ::WPARAM wParam, ::LPARAM, ::LRESULT& result) {
        result = 0;
        switch (message) {
        case WM_CLOSE:
            handlers.Form_Unload();
            return true;
        case WM_QUERYENDSESSION:
            // The session may yet go on (another program can refuse), so
            // this saves and leaves the program running.
            handlers.commitData();
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (wParam)
                handlers.Form_Unload();
            return true;
        default:
            if (message == Win32SingleInstance::showMessage()) {
                handlers.restoreWindow();
                return true;
            }
            return false;
        }
    };
}

} // namespace tarnquill
