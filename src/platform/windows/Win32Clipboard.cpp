// SPDX-License-Identifier: MIT
#include "platform/windows/Win32Clipboard.h"

#include "platform/windows/WideText.h"

#include <windows.h>

namespace tarnquill {

namespace {

constexpr wchar_t kWindowClass[] = L"TarnquillClipboardListener";

// A clipboard held open by another program is normally free again within a
// millisecond or two; past this the tick gives up and tries at the next change.
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMs = 2;

UINT excludeFormat()
{
    static const UINT format = ::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    return format;
}

UINT historyFormat()
{
    static const UINT format = ::RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    return format;
}

// Whether the open clipboard holds CanIncludeInClipboardHistory as a DWORD 0.
bool historyRefused()
{
    if (!::IsClipboardFormatAvailable(historyFormat()))
        return false;
    const HANDLE data = ::GetClipboardData(historyFormat());
    if (!data || ::GlobalSize(data) < sizeof(DWORD))
        return false;
    const auto* value = static_cast<const DWORD*>(::GlobalLock(data));
    if (!value)
        return false;
    const bool refused = *value == 0;
    ::GlobalUnlock(data);
    return refused;
}

class ClipboardClose final {
public:
    ClipboardClose() = default;
    ClipboardClose(const ClipboardClose&) = delete;
    ClipboardClose& operator=(const ClipboardClose&) = delete;
    ~ClipboardClose() { ::CloseClipboard(); }
};

} // namespace

Win32Clipboard::Win32Clipboard(std::function<void()> onChange)
    : m_onChange(std::move(onChange))
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = reinterpret_cast<WNDPROC>(&Win32Clipboard::windowProc);
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassW(&windowClass); // fails harmlessly when already registered
    m_window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (m_window) {
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::AddClipboardFormatListener(m_window);
    }
}

Win32Clipboard::~Win32Clipboard()
{
    if (m_window) {
        ::RemoveClipboardFormatListener(m_window);
        ::DestroyWindow(m_window);
    }
}

long long __stdcall Win32Clipboard::windowProc(HWND__* window, unsigned message, unsigned long long wParam,
                                               long long lParam)
{
    if (message == WM_CLIPBOARDUPDATE) {
        auto* self = reinterpret_cast<Win32Clipboard*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->m_onChange)
            self->m_onChange();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool Win32Clipboard::open()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (attempt > 0)
            ::Sleep(kOpenRetryMs);
        if (::OpenClipboard(m_window))
            return true;
    }
    return false;
}

ClipboardRead Win32Clipboard::readText()
{
    // Asking for a format needs no open clipboard: an image or files cost
    // no open at all.
    if (::IsClipboardFormatAvailable(excludeFormat()))
        return {ClipboardRead::Status::Secret, {}};
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT))
        return {ClipboardRead::Status::NoText, {}};
    if (!open())
        return {ClipboardRead::Status::Busy, {}};
    const ClipboardClose close;
    if (historyRefused())
        return {ClipboardRead::Status::Secret, {}};
    const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data)
        return {ClipboardRead::Status::NoText, {}};
    const auto* text = static_cast<const wchar_t*>(::GlobalLock(data));
    if (!text)
        return {ClipboardRead::Status::NoText, {}};
    // Up to the first NUL, and never past the block: a program may hand over
    // text without its terminator.
    std::string utf8 = wide::toUtf8UpToNul(text, ::GlobalSize(data) / sizeof(wchar_t));
    ::GlobalUnlock(data);
    return {ClipboardRead::Status::Text, std::move(utf8)};
}

std::optional<std::uint64_t> Win32Clipboard::changeCount() const
{
    return ::GetClipboardSequenceNumber();
}

bool Win32Clipboard::setText(std::string_view utf8)
{
    const std::wstring text = wide::fromUtf8(utf8);
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (!block)
        return false;
    auto* target = static_cast<wchar_t*>(::GlobalLock(block));
    std::copy(text.begin(), text.end(), target);
    target[text.size()] = L'\0';
    ::GlobalUnlock(block);
    if (!open()) {
        ::GlobalFree(block);
        return false;
    }
    const ClipboardClose close;
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_UNICODETEXT, block)) {
        ::GlobalFree(block);
        return false;
    }
    return true;
}

} // namespace tarnquill
