// SPDX-License-Identifier: MIT
#include "Win32StoreNotifier.h"

#include "platform/windows/WideText.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

namespace tarnquill {

namespace {

// Copies as much of `text` as fits, never half a surrogate pair.
template <std::size_t N>
void copyCut(const std::wstring& text, wchar_t (&field)[N])
{
    std::size_t units = std::min(text.size(), N - 1);
    if (units > 0 && units < text.size() && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF)
        --units;
    std::copy_n(text.begin(), units, field);
    field[units] = L'\0';
}

} // namespace

Win32StoreNotifier::Win32StoreNotifier(std::function<::HWND()> iconWindow, ::UINT iconId)
    : m_iconWindow(std::move(iconWindow)), m_iconId(iconId)
{
}

void Win32StoreNotifier::storeSaveFailed(const std::filesystem::path& file, const std::string& reason)
{
    show(L"Tarnquill cannot save its history",
         file.native() + L" cannot be written: " + wide::fromUtf8(reason)
             + L". The history is kept in memory and saved again with the next copy and at exit.",
         true);
}

void Win32StoreNotifier::storeSaveRecovered(const std::filesystem::path& file)
{
    show(L"Tarnquill saves its history again", file.native() + L" is saved again; nothing was lost.", false);
}

void Win32StoreNotifier::show(const std::wstring& title, const std::wstring& body, bool warning)
{
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = m_iconWindow ? m_iconWindow() : nullptr;
    record.uID = m_iconId;
    record.uFlags = NIF_INFO;
    record.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
    copyCut(title, record.szInfoTitle);
    copyCut(body, record.szInfo);
    // NIM_MODIFY fails when the icon is not in the tray: then nothing is shown.
    if (record.hWnd)
        ::Shell_NotifyIconW(NIM_MODIFY, &record);
}

} // namespace tarnquill
