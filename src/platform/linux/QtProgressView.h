// SPDX-License-Identifier: MIT
#pragma once

#include "app/Design.h"
#include "app/ProgressForm.h"
#include "platform/linux/DesignWindow.h"

#include <QTimer>

#include <optional>

class QLabel;

namespace tarnquill {

// A progress window on Qt (the loading window Form2 or the saving window
// form3): its design built by DesignWindow, its Timer1 a QTimer with the
// design's interval, routed to the controller's Timer1_Timer.
class QtProgressView final : public app::ProgressView {
public:
    explicit QtProgressView(app::WindowId id);

    DesignWindow& window() { return m_window; }

    // Routes Timer1's ticks to `handlers`.
    void routeTo(app::ProgressForm& handlers);

    std::string Label1Caption() const override;
    void setLabel1Caption(const std::string& caption) override;
    void Show() override;
    void Hide() override;
    void setTimer1Enabled(bool enabled) override;

private:
    DesignWindow m_window;
    QLabel* m_label1;
    QTimer m_timer1;
};

// A progress window built on its first use. The saving window is needed only
// at the exit; building it at start would hold up the main window.
class LazyQtProgressView final : public app::ProgressView {
public:
    explicit LazyQtProgressView(app::WindowId id)
        : m_id(id)
    {
    }

    // Routes Timer1's ticks to `handlers` once the window exists.
    void routeTo(app::ProgressForm& handlers) { m_handlers = &handlers; }

    std::string Label1Caption() const override { return view().Label1Caption(); }
    void setLabel1Caption(const std::string& caption) override { view().setLabel1Caption(caption); }
    void Show() override { view().Show(); }
    void Hide() override { view().Hide(); }
    void setTimer1Enabled(bool enabled) override { view().setTimer1Enabled(enabled); }

private:
    QtProgressView& view() const;

    app::WindowId m_id;
    app::ProgressForm* m_handlers = nullptr;
    mutable std::optional<QtProgressView> m_view;
};

} // namespace tarnquill
