// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace tarnquill {

// Handles crossing the Win32 seam, whose handles are 32-bit integers, to the
// system's pointer-sized ones. Thread-safe.
//
// Two kinds of table:
// - Fallback::None: the table hands out its own numbers (add) and knows no
//   others; an unknown number resolves to nullptr. For handles that are
//   pointers on 64-bit Windows (registry keys, searches, image lists) and for
//   which a stale number must not reach a newer object.
// - Fallback::SignExtend: numbers the owner bound (bind) resolve through the
//   table, every other number is the system's own handle, sign-extended as
//   LongToHandle does. For user and GDI handles, whose upper 32 bits are not
//   significant on 64-bit Windows (HWND_TOPMOST, -1, stays -1).
class SeamHandles final {
public:
    enum class Fallback { None, SignExtend };

    explicit SeamHandles(Fallback fallback) : m_fallback(fallback) {}
    SeamHandles(const SeamHandles&) = delete;
    SeamHandles& operator=(const SeamHandles&) = delete;

    // A fresh number for `system`: never 0, never negative (those are the
    // registry roots and INVALID_HANDLE_VALUE), never handed out twice.
    std::int32_t add(void* system);
    // Makes `seam` stand for `system` (the front end's own windows, icons, ...).
    void bind(std::int32_t seam, void* system);
    // Forgets a number; returns what it stood for (nullptr when unknown).
    void* take(std::int32_t seam);
    // What a number stands for, after the table's fallback.
    void* find(std::int32_t seam) const;
    // The number of a system handle: the one it is known by, else (SignExtend)
    // its low 32 bits, else 0.
    std::int32_t seamOf(void* system) const;
    // Every handle the table holds.
    std::vector<void*> all() const;

private:
    const Fallback m_fallback;
    mutable std::mutex m_mutex;
    std::unordered_map<std::int32_t, void*> m_bySeam;
    std::int32_t m_last = 0;
};

} // namespace tarnquill
