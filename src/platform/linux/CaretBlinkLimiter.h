// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>

namespace tarnquill {

// Stops the text caret from blinking once the user has left the program alone
// for a while, as GNOME does after ten seconds. Text1 holds the focus from the
// start, and a blinking caret repaints twice a second for as long as the
// window stays in front: the only work an idle program would otherwise do.
class CaretBlinkLimiter final : public QObject {
public:
    explicit CaretBlinkLimiter(int idleMilliseconds = 10000);
    ~CaretBlinkLimiter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stopBlinking();

    QTimer m_idle;
    int m_flashTime;
    bool m_stopped = false;
};

} // namespace tarnquill
