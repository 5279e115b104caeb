// SPDX-License-Identifier: MIT
#pragma once

#include "support/XvfbSession.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnquill::test {

// The CLIPBOARD selection of one X server, held by real owners: xclip for
// plain text, and gui_selection_tool for what xclip cannot do (several
// targets at once, an owner that never answers, a clipboard manager). An
// owner stays alive until another client takes the selection; every owner
// started here is kept by pid and ended by releaseAll() or with the object.
class ClipboardOwner final {
public:
    explicit ClipboardOwner(const XvfbSession& session) : m_session(session) {}

    // The owner program, for tests that start it themselves.
    static std::string toolProgram();

    // Puts `text` (UTF8_STRING) on the clipboard through xclip; returns once
    // xclip owns the selection. Throws when it does not get there.
    void copy(std::string_view text);
    // Puts `text` (UTF8_STRING) and `targets`, each (target, bytes), on the
    // clipboard at once.
    void copyWithTargets(std::string_view text, const std::vector<std::pair<std::string, std::string>>& targets);
    // Waits until another client has read the text of the newest copy: the
    // program under test has seen it, whether it keeps it or not.
    bool waitUntilRead(std::chrono::milliseconds timeout = 10s);
    // The clipboard's text (xclip -o), or nullopt when there is none.
    std::optional<std::string> read() const;
    // Ends every owner started here: the clipboard then has no owner.
    void releaseAll();

    // An owner of `text` that never answers, as a frozen program; with
    // `untilAsked` it returns once a client is waiting on it.
    Process hang(bool untilAsked = true);
    // A clipboard manager (CLIPBOARD_MANAGER): prints "saved N" after it took
    // over N bytes on a SAVE_TARGETS request.
    Process manager();

private:
    Process start(const std::vector<std::string>& argv, std::string_view input, std::string_view ready);

    const XvfbSession& m_session;
    std::vector<Process> m_owners;
    // What the newest owner prints once it has served a text.
    std::string m_readSign;
};

} // namespace tarnquill::test
