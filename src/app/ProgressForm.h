// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

namespace tarnquill::app {

// What a progress window's handlers need of the window: the loading window
// Form2 and the saving window form3 are the same design with other texts.
class ProgressView {
public:
    ProgressView() = default;
    ProgressView(const ProgressView&) = delete;
    ProgressView& operator=(const ProgressView&) = delete;
    virtual ~ProgressView() = default;

    // The caption of Label1(0), the bar with "  Loading" or "  Saving".
    virtual std::string Label1Caption() const = 0;
    virtual void setLabel1Caption(const std::string& caption) = 0;
    // Shows the window (modeless) or hides it; hidden, it stays loaded.
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Starts or stops Timer1, whose ticks reach ProgressForm::Timer1_Timer.
    virtual void setTimer1Enabled(bool enabled) = 0;
};

// The controller of Form2 and form3: the dot animation of the bar and the
// load request for the main window that every tick makes.
class ProgressForm final {
public:
    // `requestMainWindow` loads the main window Form1 when it is not loaded
    // yet and does nothing when it is.
    ProgressForm(ProgressView& view, std::function<void()> requestMainWindow);
    ProgressForm(const ProgressForm&) = delete;
    ProgressForm& operator=(const ProgressForm&) = delete;

    // One more "." on Label1(0), then the main window is requested. The
    // loading window's first tick is what loads the main window.
    void Timer1_Timer();

    // Shows the window; its timer runs from then on.
    void Show();
    // Hides the window and stops its animation with it. Nothing ever shows
    // the loading window again once the main window has hidden it, and a
    // timer left running would lengthen an unseen caption by a dot every
    // 20 ms for the whole run: memory and wake-ups for nothing.
    void Hide();

private:
    ProgressView& m_view;
    std::function<void()> m_requestMainWindow;
};

} // namespace tarnquill::app
