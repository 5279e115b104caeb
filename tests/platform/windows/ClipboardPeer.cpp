// SPDX-License-Identifier: MIT
// A second Win32 program for the clipboard tests: it puts something on the
// clipboard as another application would, or holds the clipboard open.
//   clipboard_peer text UTF8          CF_UNICODETEXT
//   clipboard_peer excluded UTF8      the text, marked ExcludeClipboardContentFromMonitorProcessing
//   clipboard_peer nohistory UTF8     the text, with CanIncludeInClipboardHistory = 0
//   clipboard_peer image              a 1x1 CF_DIB, no text
//   clipboard_peer hold EVENT MS      opens the clipboard, signals EVENT, keeps it MS ms
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HGLOBAL blockOf(const void* data, std::size_t size)
{
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(::GlobalLock(block), data, size);
    ::GlobalUnlock(block);
    return block;
}

void putText(const std::wstring& text)
{
    ::SetClipboardData(CF_UNICODETEXT, blockOf(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
}

} // namespace

int main()
{
    // The wide command line: the ANSI argv would turn the test's texts into '?'.
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 2)
        return 2;
    const std::wstring command = argv[1];
    if (command == L"hold") {
        if (argc < 4 || !::OpenClipboard(nullptr))
            return 1;
        const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
        ::SetEvent(ready);
        ::Sleep(static_cast<DWORD>(std::wcstol(argv[3], nullptr, 10)));
        ::CloseClipboard();
        return 0;
    }
    if (!::OpenClipboard(nullptr))
        return 1;
    ::EmptyClipboard();
    if (command == L"image") {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = 1;
        header.biHeight = 1;
        header.biPlanes = 1;
        header.biBitCount = 32;
        unsigned char dib[sizeof header + 4] = {};
        std::memcpy(dib, &header, sizeof header);
        ::SetClipboardData(CF_DIB, blockOf(dib, sizeof dib));
    } else if (argc >= 3) {
        putText(argv[2]);
        if (command == L"excluded") {
            ::SetClipboardData(::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
                               blockOf("", 1));
        } else if (command == L"nohistory") {
            const DWORD no = 0;
            ::SetClipboardData(::RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"), blockOf(&no, sizeof no));
        }
    }
    ::CloseClipboard();
    return 0;
}
