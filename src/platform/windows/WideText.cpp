// SPDX-License-Identifier: MIT
#include "platform/windows/WideText.h"

#include <windows.h>

#include <climits>

namespace tarnquill::wide {

namespace {

// MultiByteToWideChar takes an int length; longer texts are converted in
// pieces cut on character boundaries.
constexpr std::size_t kPiece = INT_MAX / 4;

bool convert(UINT codePage, DWORD flags, std::string_view text, std::wstring& out)
{
    out.clear();
    while (!text.empty()) {
        std::string_view piece = text.size() <= kPiece ? text : cutAtCharacter(text, kPiece);
        if (piece.empty())
            piece = text.substr(0, kPiece);
        const int length = static_cast<int>(piece.size());
        const int needed = ::MultiByteToWideChar(codePage, flags, piece.data(), length, nullptr, 0);
        if (needed <= 0)
            return false;
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(needed));
        ::MultiByteToWideChar(codePage, flags, piece.data(), length, out.data() + at, needed);
        text.remove_prefix(piece.size());
    }
    return true;
}

} // namespace

std::wstring fromUtf8(std::string_view text)
{
    std::wstring out;
    if (convert(CP_UTF8, MB_ERR_INVALID_CHARS, text, out))
        return out;
    if (convert(CP_ACP, 0, text, out))
        return out;
    // An ANSI code page maps every byte; this is only reached if it failed all
    // the same. Replacement characters are better than losing the text.
    convert(CP_UTF8, 0, text, out);
    return out;
}

std::string ansiToUtf8(std::string_view bytes)
{
    std::wstring text;
    convert(CP_ACP, 0, bytes, text);
    return toUtf8(text);
}

std::string toUtf8(std::wstring_view text)
{
    std::string out;
    while (!text.empty()) {
        std::size_t take = text.size() <= kPiece ? text.size() : kPiece;
        // Never split a surrogate pair between two pieces.
        if (take < text.size() && text[take - 1] >= 0xD800 && text[take - 1] <= 0xDBFF)
            --take;
        const int length = static_cast<int>(take);
        const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
        if (needed <= 0)
            break;
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(needed));
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data() + at, needed, nullptr, nullptr);
        text.remove_prefix(take);
    }
    return out;
}

std::string toUtf8UpToNul(const wchar_t* text, std::size_t capacity)
{
    std::size_t length = 0;
    while (length < capacity && text[length] != L'\0')
        ++length;
    return toUtf8(std::wstring_view(text, length));
}

std::optional<std::wstring> fromUtf8Optional(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return fromUtf8(std::string_view(*text));
}

std::string_view cutAtCharacter(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    // Back off over continuation bytes to the start of the split character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace tarnquill::wide
