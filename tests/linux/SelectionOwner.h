// SPDX-License-Identifier: MIT
#pragma once

#include "LinuxTestSupport.h"
#include "support/ClipboardOwner.h"

#include "history/Clipboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarnquill::test {

// The clipboard part of the backends of the clipboard checks
// (history/ClipboardContract.h): the shared owner program on this process's
// Xvfb, offering exactly the targets given (which ClipboardOwner's copies do
// not), or never answering.
struct SelectionOwner {
    // The owner program's arguments: own TARGET:TEXT|TARGET%HEX... | hang TEXT.
    void own(const QStringList& arguments)
    {
        auto next = std::make_unique<ChildProcess>(QString::fromStdString(ClipboardOwner::toolProgram()), arguments);
        EXPECT_TRUE(next->waitForLine("ready"));
        owner = std::move(next); // the previous owner has lost the clipboard already
    }
    void offer(ClipboardRead::Status kind, const std::string& text)
    {
        const QString utf8 = QStringLiteral("UTF8_STRING:") + QString::fromStdString(text);
        if (kind == ClipboardRead::Status::Text)
            own({"own", utf8});
        else if (kind == ClipboardRead::Status::Secret)
            own({"own", utf8, "x-kde-passwordManagerHint:secret"});
        else
            own({"own", "image/png:not really a picture"});
    }
    void hang() { own({"hang", "frozen"}); }
    bool waitUntil(const std::function<bool()>& condition) { return test::waitUntil(condition); }

    std::unique_ptr<ChildProcess> owner;
};

} // namespace tarnquill::test
