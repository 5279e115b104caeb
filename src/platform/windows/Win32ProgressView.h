// SPDX-License-Identifier: MIT
#pragma once

#include "app/ProgressForm.h"
#include "platform/windows/Win32DesignWindow.h"

namespace tarnquill {

// The loading window Form2 or the saving window form3 on Win32: the design
// built by Win32DesignWindow, Timer1 a window timer.
class Win32ProgressView final : public app::ProgressView {
public:
    Win32ProgressView(app::WindowId id, ::HICON programIcon);

    Win32DesignWindow& window() { return m_window; }
    // Routes Timer1's ticks to the controller.
    void routeTo(app::ProgressForm& handlers);

    std::string Label1Caption() const override;
    void setLabel1Caption(const std::string& caption) override;
    void Show() override;
    void Hide() override;
    void setTimer1Enabled(bool enabled) override;

private:
    Win32DesignWindow m_window;
    UINT m_intervalMs;
};

} // namespace tarnquill
