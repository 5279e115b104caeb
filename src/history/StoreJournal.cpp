// SPDX-License-Identifier: MIT
#include "history/StoreJournal.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tarnquill::journal {

namespace {

constexpr std::string_view kMagic = "TQJ1 ";

std::uint64_t mix(std::uint64_t h, std::uint64_t word)
{
    word *= 0x9E3779B97F4A7C15ull;
    word ^= word >> 32;
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 29);
}

std::string hex(std::uint64_t value)
{
    char out[16];
    for (int i = 15; i >= 0; --i, value >>= 4)
        out[i] = "0123456789abcdef"[value & 0xF];
    return {out, 16};
}

// Reads "<16 hex> <decimal>\n" at the front of `in`, advancing past it.
bool readHashAndSize(std::string_view& in, std::uint64_t& hash, std::uint64_t& size)
{
    if (in.size() < 18)
        return false;
    const auto h = std::from_chars(in.data(), in.data() + 16, hash, 16);
    if (h.ec != std::errc() || h.ptr != in.data() + 16 || in[16] != ' ')
        return false;
    const auto s = std::from_chars(in.data() + 17, in.data() + in.size(), size);
    if (s.ec != std::errc() || s.ptr == in.data() + in.size() || *s.ptr != '\n')
        return false;
    in.remove_prefix(static_cast<std::size_t>(s.ptr - in.data()) + 1);
    return true;
}

} // namespace

ContentHasher::ContentHasher(std::uint64_t totalSize)
    : m_hash(0x243F6A8885A308D3ull ^ totalSize)
{
}

void ContentHasher::add(std::string_view piece)
{
    std::uint64_t word;
    if (m_partialSize > 0 && !piece.empty()) {
        const std::size_t take = std::min(8 - m_partialSize, piece.size());
        std::memcpy(m_partial + m_partialSize, piece.data(), take);
        m_partialSize += take;
        piece.remove_prefix(take);
        if (m_partialSize < 8)
            return;
        std::memcpy(&word, m_partial, 8);
        m_hash = mix(m_hash, word);
        m_partialSize = 0;
    }
    std::size_t i = 0;
    for (; i + 8 <= piece.size(); i += 8) {
        std::memcpy(&word, piece.data() + i, 8);
        m_hash = mix(m_hash, word);
    }
    m_partialSize = piece.size() - i;
    if (m_partialSize > 0)
        std::memcpy(m_partial, piece.data() + i, m_partialSize);
}

std::uint64_t ContentHasher::value() const
{
    std::uint64_t tail = 0;
    if (m_partialSize > 0)
        std::memcpy(&tail, m_partial, m_partialSize);
    return mix(m_hash, tail ^ 0x80);
}

std::uint64_t contentHash(std::string_view bytes)
{
    ContentHasher hasher(bytes.size());
    hasher.add(bytes);
    return hasher.value();
}

Base baseOf(std::string_view storeBytes)
{
    return {contentHash(storeBytes), storeBytes.size()};
}

std::string header(Base base)
{
    return std::string(kMagic) + hex(base.hash) + ' ' + std::to_string(base.size) + '\n';
}

std::string record(std::string_view text)
{
    std::string out = "+" + hex(contentHash(text)) + ' ' + std::to_string(text.size()) + '\n';
    out.reserve(out.size() + text.size() + 1);
    out += text;
    out += '\n';
    return out;
}

std::vector<std::string> replay(std::string_view in, Base base)
{
    std::vector<std::string> texts;
    Base found;
    if (in.substr(0, kMagic.size()) != kMagic)
        return texts;
    in.remove_prefix(kMagic.size());
    if (!readHashAndSize(in, found.hash, found.size) || !(found == base))
        return texts;
    while (!in.empty() && in.front() == '+') {
        in.remove_prefix(1);
        std::uint64_t hash = 0;
        std::uint64_t size = 0;
        if (!readHashAndSize(in, hash, size) || in.size() < size + 1 || in[size] != '\n')
            break;
        const auto text = in.substr(0, size);
        if (contentHash(text) != hash)
            break;
        texts.emplace_back(text);
        in.remove_prefix(size + 1);
    }
    return texts;
}

} // namespace tarnquill::journal
