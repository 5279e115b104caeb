// SPDX-License-Identifier: MIT
#pragma once

#include "support/XvfbSession.h"

namespace tarnquill::test {

// A system tray on a private X server: trayer's panel across the top right,
// `height` pixels high, owning the tray selection. Ended by its pid with
// the object.
class TrayHost final {
public:
    // Returns once the panel shows; throws when it does not.
    explicit TrayHost(const XvfbSession& session, int height = 24);

    int height() const { return m_height; }
    // The panel's window.
    unsigned long panel() const;

private:
    const XvfbSession& m_session;
    int m_height;
    Process m_trayer;
};

} // namespace tarnquill::test
