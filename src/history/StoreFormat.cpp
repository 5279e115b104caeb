// SPDX-License-Identifier: MIT
#include "history/StoreFormat.h"

#include "history/TextEncoding.h"

namespace tarnquill {

namespace {

constexpr char kEscape = '\x10';
constexpr char kEscapedSeparator = 'S';
constexpr char kEscapedEnd = 'E';

// The separator begins with "||" and ends with "||", so an entry ending in its
// first 18 or 19 characters would run into the separator that follows it and
// form a separator one or two bytes early.
bool endsInSeparatorStart(std::string_view text)
{
    for (std::size_t length : {HistorySeparator.size() - 2, HistorySeparator.size() - 1}) {
        if (text.size() >= length && text.substr(text.size() - length) == HistorySeparator.substr(0, length))
            return true;
    }
    return false;
}

bool needsEscape(std::string_view text)
{
    return text.find(kEscape) != std::string_view::npos
        || text.find(HistorySeparator) != std::string_view::npos
        || endsInSeparatorStart(text);
}

} // namespace

std::string escapeEntry(std::string_view text)
{
    if (!needsEscape(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, HistorySeparator.size(), HistorySeparator) == 0) {
            out += kEscape;
            out += kEscapedSeparator;
            i += HistorySeparator.size();
        } else {
            if (text[i] == kEscape)
                out += kEscape;
            out += text[i];
            ++i;
        }
    }
    if (endsInSeparatorStart(out)) {
        out += kEscape;
        out += kEscapedEnd;
    }
    return out;
}

std::string unescapeEntry(std::string_view stored)
{
    if (stored.find(kEscape) == std::string_view::npos)
        return std::string(stored);
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (c != kEscape || i + 1 == stored.size()) {
            out += c;
            continue;
        }
        const char next = stored[i + 1];
        if (next == kEscape) {
            out += kEscape;
            ++i;
        } else if (next == kEscapedSeparator) {
            out += HistorySeparator;
            ++i;
        } else if (next == kEscapedEnd) {
            ++i;
        } else {
            // Not one of ours: a file written by other means keeps its byte.
            out += c;
        }
    }
    return out;
}

StoreEncoder::StoreEncoder(const std::array<SharedText, kHistorySlots>& slots)
    : m_slots(slots)
{
    // A reader drops one byte-order mark at the start of the file, so a first
    // entry that begins with U+FEFF gets one more in front of it.
    m_byteOrderMark = slots[0] && slots[0]->substr(0, 3) == "\xEF\xBB\xBF";
    m_size = (m_byteOrderMark ? 3 : 0) + kHistorySlots * HistorySeparator.size() + 2;
    for (std::size_t i = 0; i < kHistorySlots; ++i) {
        if (!slots[i])
            continue;
        if (needsEscape(*slots[i])) {
            m_escaped.emplace_back(i, escapeEntry(*slots[i]));
            m_size += m_escaped.back().second.size();
        } else {
            m_size += slots[i]->size();
        }
    }
}

std::string encodeStore(const std::array<SharedText, kHistorySlots>& slots)
{
    const StoreEncoder encoder(slots);
    std::string out;
    out.reserve(encoder.size());
    encoder.writeTo([&out](std::string_view piece) {
        out += piece;
        return true;
    });
    return out;
}

std::vector<std::string> decodeStore(std::string_view bytes, std::size_t maxPieces, LegacyDecoder legacy)
{
    std::string converted;
    if (hasUtf16ByteOrderMark(bytes)) {
        converted = utf16ToUtf8(bytes);
        bytes = converted;
    } else if (bytes.substr(0, 3) == kUtf8ByteOrderMark) {
        bytes.remove_prefix(3);
    }

    // The encoding is decided per record: one entry in the legacy code page
    // (or cut off in the middle of a character) leaves the others as they are.
    const auto decodePiece = [legacy](std::string_view piece) {
        return unescapeEntry(isValidUtf8(piece) ? std::string(piece) : (legacy ? legacy : windows1252ToUtf8)(piece));
    };
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (pieces.size() < maxPieces) {
        const std::size_t at = bytes.find(HistorySeparator, start);
        if (at == std::string_view::npos) {
            pieces.push_back(decodePiece(bytes.substr(start)));
            break;
        }
        pieces.push_back(decodePiece(bytes.substr(start, at - start)));
        start = at + HistorySeparator.size();
    }
    return pieces;
}

bool decodesLosslessly(std::string_view bytes)
{
    if (hasUtf16ByteOrderMark(bytes))
        return false;
    if (bytes.substr(0, 3) == kUtf8ByteOrderMark)
        bytes.remove_prefix(3);
    return isValidUtf8(bytes);
}

} // namespace tarnquill
