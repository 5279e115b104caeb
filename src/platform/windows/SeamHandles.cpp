// SPDX-License-Identifier: MIT
#include "platform/windows/SeamHandles.h"

#include <cstdint>
#include <limits>

namespace tarnquill {

std::int32_t SeamHandles::add(void* system)
{
    std::lock_guard lock(m_mutex);
    // Numbers are not reused: a program that keeps a closed handle gets
    // ERROR_INVALID_HANDLE, never the key that a later open was given. Two
    // thousand million opens in one run would wrap; skip any still taken then.
    do {
        m_last = m_last == std::numeric_limits<std::int32_t>::max() ? 1 : m_last + 1;
    } while (m_bySeam.contains(m_last));
    m_bySeam.emplace(m_last, system);
    return m_last;
}

void SeamHandles::bind(std::int32_t seam, void* system)
{
    std::lock_guard lock(m_mutex);
    m_bySeam[seam] = system;
}

void* SeamHandles::take(std::int32_t seam)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_bySeam.find(seam);
    if (found == m_bySeam.end())
        return nullptr;
    void* system = found->second;
    m_bySeam.erase(found);
    return system;
}

void* SeamHandles::find(std::int32_t seam) const
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_bySeam.find(seam); found != m_bySeam.end())
        return found->second;
    if (m_fallback == Fallback::SignExtend)
        return reinterpret_cast<void*>(static_cast<std::intptr_t>(seam));
    return nullptr;
}

std::int32_t SeamHandles::seamOf(void* system) const
{
    if (system == nullptr)
        return 0;
    std::lock_guard lock(m_mutex);
    for (const auto& [seam, known] : m_bySeam) {
        if (known == system)
            return seam;
    }
    if (m_fallback == Fallback::SignExtend)
        return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(system));
    return 0;
}

std::vector<void*> SeamHandles::all() const
{
    std::lock_guard lock(m_mutex);
    std::vector<void*> handles;
    handles.reserve(m_bySeam.size());
    for (const auto& entry : m_bySeam)
        handles.push_back(entry.second);
    return handles;
}

} // namespace tarnquill
