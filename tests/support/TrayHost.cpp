// SPDX-License-Identifier: MIT
#include "support/TrayHost.h"

#include <stdexcept>

namespace tarnquill::test {

TrayHost::TrayHost(const XvfbSession& session, int height)
    : m_session(session)
    , m_height(height)
    , m_trayer(session.spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                              std::to_string(height), "--transparent", "false", "--SetDockType", "true"}))
{
    if (!waitUntil([&] { return !session.windowsOf(m_trayer.pid()).empty(); }, 10s))
        throw std::runtime_error("trayer showed no panel");
}

unsigned long TrayHost::panel() const
{
    const auto windows = m_session.windowsOf(m_trayer.pid());
    return windows.empty() ? 0 : windows.front();
}

} // namespace tarnquill::test
