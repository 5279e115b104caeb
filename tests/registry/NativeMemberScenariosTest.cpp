// SPDX-License-Identifier: MIT
// CWinAPI's registry members on the system's registry (Wine's under the cross
// build) through NativeWin32Api, listing into real LISTBOX controls.

#include "MemberScenarios.h"

#include "platform/windows/NativeWin32Api.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct NativeMembersTraits {
    class Backend {
    public:
        ~Backend()
        {
            for (HWND window : m_windows)
                ::DestroyWindow(window);
        }

        tarnquill::Win32Api& api() { return m_api; }

        // A hidden, unsorted list box; its seam number is the system's own handle.
        tarnquill::HWND newListBox()
        {
            HWND window = ::CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_HASSTRINGS, 0, 0, 100, 100, nullptr,
                                            nullptr, ::GetModuleHandleW(nullptr), nullptr);
            EXPECT_NE(window, nullptr) << "CreateWindowExW LISTBOX: " << ::GetLastError();
            m_windows.push_back(window);
            return static_cast<tarnquill::HWND>(reinterpret_cast<std::intptr_t>(window));
        }

        std::vector<std::string> lines(tarnquill::HWND listBox)
        {
            const auto window = reinterpret_cast<HWND>(static_cast<std::intptr_t>(listBox));
            std::vector<std::string> texts;
            const LRESULT count = ::SendMessageW(window, LB_GETCOUNT, 0, 0);
            for (LRESULT row = 0; row < count; ++row) {
                std::wstring text(static_cast<std::size_t>(::SendMessageW(window, LB_GETTEXTLEN, row, 0)) + 1, L'\0');
                const LRESULT length = ::SendMessageW(window, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
                text.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
                texts.push_back(tarnquill::wide::toUtf8(text));
            }
            return texts;
        }

    private:
        tarnquill::NativeWin32Api m_api;
        std::vector<HWND> m_windows;
    };
};

} // namespace

namespace tarnquill::scenarios {
INSTANTIATE_TYPED_TEST_SUITE_P(NativeApi, MemberScenarios, NativeMembersTraits);
} // namespace tarnquill::scenarios
