// SPDX-License-Identifier: MIT
#pragma once

// Views of the three windows for the controllers' tests. Each writes what it
// is asked to do as one line into a log that the test shares with the
// RecordingWin32Api (its `calls`), so one list shows windows and platform
// calls in the order they happened.

#include "RecordingWin32Api.h"

#include "app/Form1.h"
#include "app/ProgressForm.h"

#include <algorithm>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnquill::testing {

using app::Form1View;
using app::ProgressView;

class FakeForm1View final : public Form1View {
public:
    explicit FakeForm1View(std::vector<std::string>& log)
        : m_log(log)
    {
    }

    static constexpr HWND kPicture1 = 0x40000002;
    static constexpr HICON kProgramIcon = 0x40000003;

    int selected = -1;
    std::string text1 = "(what the user typed)";
    int text1Writes = 0;
    int check1 = 1;
    int check2 = 1;
    bool notificationArea = true;
    // The window's place in twips. The fake keeps what it is given, fractions
    // and all; the real views round to whole pixels.
    float left = 3840;
    float top = 2160;
    std::map<int, bool> underlined;
    // Label2 elements whose underline cannot be changed (an error to skip).
    std::vector<int> brokenUnderline;
    bool failShow = false;

    int List1_ListIndex() const override { return selected; }
    void setText1(const std::string& text) override
    {
        text1 = text;
        ++text1Writes;
    }
    int Check1_Value() const override { return check1; }
    int Check2_Value() const override { return check2; }
    HWND Picture1_hWnd() const override { return kPicture1; }
    Picture Picture1_Picture() const override { return Picture(kProgramIcon); }

    void Show() override
    {
        m_log.push_back("Show()");
        if (failShow)
            throw std::runtime_error("the window cannot be shown");
    }
    void Hide() override { m_log.push_back("Hide()"); }
    void Minimize() override { m_log.push_back("Minimize()"); }
    bool hasNotificationArea() const override { return notificationArea; }

    float Left() const override { return left; }
    float Top() const override { return top; }
    void setLeft(float twips) override
    {
        left = twips;
        m_log.push_back("Left = " + std::to_string(twips));
    }
    void setTop(float twips) override
    {
        top = twips;
        m_log.push_back("Top = " + std::to_string(twips));
    }

    void setLabel2Underline(int index, bool underline) override
    {
        m_log.push_back("Label2(" + std::to_string(index) + ").FontUnderline = " + (underline ? "True" : "False"));
        for (int broken : brokenUnderline)
            if (broken == index)
                throw std::runtime_error("no such label");
        underlined[index] = underline;
    }

    void startTimer1() override { m_log.push_back("Timer1 started"); }
    void endProcess() override { m_log.push_back("process ended"); }

private:
    std::vector<std::string>& m_log;
};

class FakeProgressView final : public ProgressView {
public:
    FakeProgressView(std::string name, std::string caption, std::vector<std::string>& log)
        : m_name(std::move(name))
        , m_log(log)
        , caption(std::move(caption))
    {
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;

public:
    std::string caption;
    bool shown = false;
    bool timerEnabled = false;
    bool failShow = false;

    std::string Label1Caption() const override { return caption; }
    void setLabel1Caption(const std::string& text) override { caption = text; }
    void Show() override
    {
        m_log.push_back(m_name + ".Show()");
        if (failShow)
            throw std::runtime_error("the window cannot be shown");
        shown = true;
    }
    void Hide() override
    {
        m_log.push_back(m_name + ".Hide()");
        shown = false;
    }
    void setTimer1Enabled(bool enabled) override { timerEnabled = enabled; }
};

// The call CWinAPI::TrayIcon makes for Form1's icon, as the log shows it.
inline std::string trayCall(int action)
{
    NotifyIconDataA record;
    record.hWnd = FakeForm1View::kPicture1;
    record.uID = 1;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_MOUSEMOVE;
    record.hIcon = FakeForm1View::kProgramIcon;
    std::fill(record.szTip.begin(), record.szTip.end(), ' ');
    const std::string_view tip = "Tarnquill";
    std::copy(tip.begin(), tip.end(), record.szTip.begin());
    record.szTip[tip.size()] = '\0';
    const auto bytes = record.bytes();
    return "Shell_NotifyIconA(" + std::to_string(action) + ", "
        + byteList({reinterpret_cast<const char*>(bytes.data()), bytes.size()}) + ")";
}

} // namespace tarnquill::testing
