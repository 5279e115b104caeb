#pragma once

#include "app/Design.h"
#include "app/ProgressForm.h"
#include "platform/linux/DesignWindow.h"

#include <QTimer>

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

} // namespace tarnquill
