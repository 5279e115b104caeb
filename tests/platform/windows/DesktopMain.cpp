// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

// These tests make windows and use the clipboard, which under Wine need an X
// display: without one the whole program reports itself skipped (77).
int main(int argc, char** argv)
{
    const HWND probe = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!probe) {
        std::puts("SKIPPED: no desktop to make windows on (under Wine: no X display)");
        return 77;
    }
    ::DestroyWindow(probe);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
