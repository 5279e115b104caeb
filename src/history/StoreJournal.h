// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::journal {

// The journal beside the store: the additions made since the store file was
// last written, each flushed to disk as it comes, so one addition costs a few
// bytes of disk traffic instead of a rewrite of the whole store. It begins
// with the size and a hash of the store file it extends; a journal that does
// not match the store (the store was rewritten after it) is stale.

// Identifies the bytes of one store file.
struct Base {
    std::uint64_t hash = 0;
    std::uint64_t size = 0;
    bool operator==(const Base&) const = default;
};

// A fast 64-bit hash, good enough to tell two store files apart.
std::uint64_t contentHash(std::string_view bytes);

// contentHash of bytes that come in pieces, their total size known first.
class ContentHasher {
public:
    explicit ContentHasher(std::uint64_t totalSize);
    void add(std::string_view piece);
    // The hash of everything added (which must be `totalSize` bytes).
    std::uint64_t value() const;

private:
    std::uint64_t m_hash;
    unsigned char m_partial[8] = {};
    std::size_t m_partialSize = 0;
};
Base baseOf(std::string_view storeBytes);

std::string header(Base base);
std::string record(std::string_view text);

// The texts a journal adds to the store with the given base, oldest first:
// empty when the journal belongs to another store. A record cut off by a
// crash, and everything after it, is left out.
std::vector<std::string> replay(std::string_view journalBytes, Base base);

} // namespace tarnquill::journal
