// SPDX-License-Identifier: MIT
#include "support/ClipboardOwner.h"

#include <stdexcept>

namespace tarnquill::test {

namespace {

std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
        out += {digits[c >> 4], digits[c & 15]};
    return out;
}

} // namespace

std::string ClipboardOwner::toolProgram()
{
    return TARNQUILL_SELECTION_TOOL;
}

Process ClipboardOwner::start(const std::vector<std::string>& argv, std::string_view input, std::string_view ready)
{
    // Owners that lost the selection have ended; xclip -quiet reports every
    // paste on stderr, so the pipes of the others are kept empty.
    std::erase_if(m_owners, [](Process& owner) { return owner.drainOutput(), !owner.running(); });
    SpawnOptions options;
    options.input = std::string(input);
    options.pipeStdout = options.pipeStderr = true;
    Process owner = m_session.spawn(argv, options);
    if (!owner.waitForOutput(ready, 15s))
        throw std::runtime_error(argv[0] + " did not take the clipboard: " + owner.stderrText());
    return owner;
}

void ClipboardOwner::copy(std::string_view text)
{
    // -quiet keeps xclip in the foreground (the default forks and the pid
    // would be lost), says when it owns the selection and counts the pastes.
    m_owners.push_back(start({"xclip", "-quiet", "-selection", "clipboard", "-i"}, text,
                             "Waiting for selection requests"));
    m_readSign = "request number 2";
}

void ClipboardOwner::copyWithTargets(std::string_view text,
                                     const std::vector<std::pair<std::string, std::string>>& targets)
{
    std::vector<std::string> argv = {toolProgram(), "own", "UTF8_STRING%" + hex(text)};
    for (const auto& [name, bytes] : targets)
        argv.push_back(name + "%" + hex(bytes));
    m_owners.push_back(start(argv, {}, "ready"));
    m_readSign = "asked";
}

bool ClipboardOwner::waitUntilRead(std::chrono::milliseconds timeout)
{
    return !m_owners.empty() && m_owners.back().waitForOutput(m_readSign, timeout);
}

std::optional<std::string> ClipboardOwner::read() const
{
    RunResult result = m_session.run({"xclip", "-selection", "clipboard", "-o"}, 10s);
    if (!result.ok())
        return std::nullopt;
    return std::move(result.out);
}

void ClipboardOwner::releaseAll()
{
    for (Process& owner : m_owners)
        owner.terminate(2s);
    m_owners.clear();
}

Process ClipboardOwner::hang(bool untilAsked)
{
    Process owner = start({toolProgram(), "hang", "frozen"}, {}, "ready");
    if (untilAsked && !owner.waitForOutput("asked", 10s))
        throw std::runtime_error("nobody asked the hanging owner for the clipboard");
    return owner;
}

Process ClipboardOwner::manager()
{
    return start({toolProgram(), "manager"}, {}, "ready");
}

} // namespace tarnquill::test
