// SPDX-License-Identifier: MIT
#pragma once

// Views of the windows for the controllers' tests: each keeps what the user
// would see (shown or not, the preview, the captions), not how it was asked.

#include "app/Form1.h"
#include "app/ProgressForm.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace tarnquill::testing {

class FakeForm1View final : public app::Form1View {
public:
    static constexpr HWND kPicture1 = 0x40000002;
    static constexpr HICON kProgramIcon = 0x40000003;

    enum class Window { Hidden, Shown, Minimized };
    Window window = Window::Hidden;
    bool watching = false; // Timer1 runs
    bool ended = false;
    bool failShow = false;

    int selected = -1;
    std::string text1 = "(what the user typed)";
    int check1 = 1;
    int check2 = 1;
    bool notificationArea = true;
    // In twips. The fake keeps what it is given, fractions and all; the real
    // views round to whole pixels.
    float left = 3840;
    float top = 2160;
    std::map<int, bool> underlined;
    int brokenUnderline = -1; // a Label2 element whose underline cannot change

    int List1_ListIndex() const override { return selected; }
    void setText1(const std::string& text) override { text1 = text; }
    int Check1_Value() const override { return check1; }
    int Check2_Value() const override { return check2; }
    HWND Picture1_hWnd() const override { return kPicture1; }
    Picture Picture1_Picture() const override { return Picture(kProgramIcon); }

    void Show() override
    {
        if (failShow)
            throw std::runtime_error("the window cannot be shown");
        window = Window::Shown;
    }
    void Hide() override { window = Window::Hidden; }
    void Minimize() override { window = Window::Minimized; }
    bool hasNotificationArea() const override { return notificationArea; }

    float Left() const override { return left; }
    float Top() const override { return top; }
    void setLeft(float twips) override { left = twips; }
    void setTop(float twips) override { top = twips; }

    void setLabel2Underline(int index, bool underline) override
    {
        if (index == brokenUnderline)
            throw std::runtime_error("no such label");
        underlined[index] = underline;
    }

    void startTimer1() override { watching = true; }
    void endProcess() override
    {
        ended = true;
        if (atEnd)
            atEnd(); // the real process is gone now: what is not done stays undone
    }
    std::function<void()> atEnd;
};

class FakeProgressView final : public app::ProgressView {
public:
    explicit FakeProgressView(std::string caption) : caption(std::move(caption)) {}

    std::string caption;
    bool shown = false;
    bool timerEnabled = false;
    bool failShow = false;

    std::string Label1Caption() const override { return caption; }
    void setLabel1Caption(const std::string& text) override { caption = text; }
    void Show() override
    {
        if (failShow)
            throw std::runtime_error("the window cannot be shown");
        shown = true;
    }
    void Hide() override { shown = false; }
    void setTimer1Enabled(bool enabled) override { timerEnabled = enabled; }
};

} // namespace tarnquill::testing
