// SPDX-License-Identifier: MIT
/* The baseline for tarnquill.exe's idle CPU under Wine: one hidden window and
 * a message loop that waits for messages that never come. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    (void)show;
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"EmptyMessageLoop";
    RegisterClassW(&windowClass);
    CreateWindowExW(0, L"EmptyMessageLoop", L"empty", WS_POPUP, 0, 0, 10, 10, NULL, NULL, instance, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
