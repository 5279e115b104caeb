// SPDX-License-Identifier: MIT
// tarnquill-winapi on Windows: NativeWin32Api, and hidden LISTBOX windows for
// the list boxes. The arguments are read as UTF-16 from the system (the char
// argv of a console program is in the ANSI code page and would turn other
// characters into '?'), and the output is written as UTF-8 bytes, with
// "\n" line ends, as on Linux.

#include "platform/windows/NativeWin32Api.h"
#include "platform/windows/WideText.h"
#include "tools/WinApiTool.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The Windows headers' names (HWND, LRESULT) and the seam's own share
// spellings: the seam's are qualified here.
using tarnquill::NativeWin32Api;
namespace wide = tarnquill::wide;
namespace tool = tarnquill::tool;

class Win32ListBoxes final : public tool::ListBoxes {
public:
    explicit Win32ListBoxes(NativeWin32Api& api)
        : m_api(api)
    {
    }

    ~Win32ListBoxes() override
    {
        for (::HWND box : m_boxes)
            ::DestroyWindow(box);
    }

    tarnquill::HWND create() override
    {
        // A top-level pop-up that is never shown: LB_ADDSTRING sent from
        // this thread reaches its window procedure directly, no message loop
        // needed.
        ::HWND box = ::CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
        // Wine without an X display makes no window at all.
        if (!box)
            throw std::runtime_error("the system made no list box window (no display?)");
        m_boxes.push_back(box);
        // User handles are 32-bit significant; binding makes the number the
        // seam's own for this window.
        const auto seam = static_cast<tarnquill::HWND>(reinterpret_cast<std::intptr_t>(box));
        m_api.userHandles().bind(seam, box);
        return seam;
    }

    std::vector<std::string> lines(tarnquill::HWND listBox) override
    {
        std::vector<std::string> result;
        auto* box = static_cast<::HWND>(m_api.userHandles().find(listBox));
        const LRESULT count = ::SendMessageW(box, LB_GETCOUNT, 0, 0);
        for (LRESULT row = 0; row < count; ++row) {
            const LRESULT length = ::SendMessageW(box, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
            if (length < 0)
                break;
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            const LRESULT copied =
                ::SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
            text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
            result.push_back(wide::toUtf8(text));
        }
        return result;
    }

private:
    NativeWin32Api& m_api;
    std::vector<::HWND> m_boxes;
};

std::vector<std::string> utf8Arguments()
{
    std::vector<std::string> args;
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!words)
        return args;
    for (int i = 1; i < count; ++i)
        args.push_back(wide::toUtf8(words[i]));
    ::LocalFree(words);
    return args;
}

} // namespace

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    NativeWin32Api api;
    Win32ListBoxes lists(api);
    return tool::runTool(utf8Arguments(), api, lists, std::cout, std::cerr);
}
