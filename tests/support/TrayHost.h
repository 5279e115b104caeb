// SPDX-License-Identifier: MIT
#pragma once

#include "support/XvfbSession.h"

#include <stdexcept>

namespace tarnquill::test {

// A system tray on a private X server: trayer's panel across the top right,
// `height` pixels high, owning the tray selection. Ended by its pid with
// the object.
class TrayHost final {
public:
    // Returns once the panel shows; throws when it does not.
    explicit TrayHost(const XvfbSession& session, int height = 24)
        : m_session(session)
        , m_height(height)
        , m_trayer(session.spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                  std::to_string(height), "--transparent", "false", "--SetDockType", "true"}))
    {
        if (!waitUntil([&] { return !session.windowsOf(m_trayer.pid()).empty(); }, 10s))
            throw std::runtime_error("trayer showed no panel");
    }

    int height() const { return m_height; }
    // The panel's window.
    unsigned long panel() const
    {
        const auto windows = m_session.windowsOf(m_trayer.pid());
        return windows.empty() ? 0 : windows.front();
    }

private:
    const XvfbSession& m_session;
    int m_height;
    Process m_trayer;
};

} // namespace tarnquill::test
