// SPDX-License-Identifier: MIT
#include "app/ProgressForm.h"

#include <utility>

namespace tarnquill::app {

ProgressForm::ProgressForm(ProgressView& view, std::function<void()> requestMainWindow)
    : m_view(view)
    , m_requestMainWindow(std::move(requestMainWindow))
{
}

void ProgressForm::Timer1_Timer()
{
    m_view.setLabel1Caption(m_view.Label1Caption() + ".");
    if (m_requestMainWindow)
        m_requestMainWindow();
}

void ProgressForm::Show()
{
    m_view.Show();
    m_view.setTimer1Enabled(true);
}

void ProgressForm::Hide()
{
    m_view.setTimer1Enabled(false);
    m_view.Hide();
}

} // namespace tarnquill::app
