// SPDX-License-Identifier: MIT
#pragma once

#include "LinuxTestSupport.h"

#include "history/Clipboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarnquill::test {

// Another X client on the clipboard of this process's Xvfb: one that offers
// exactly the given targets, or one that never answers. The clipboard part
// of the backends of the clipboard checks (history/ClipboardContract.h).
struct SelectionOwner {
    // Arguments of the selection tool: own TARGET:TEXT|TARGET%HEX... | hang TEXT.
    void own(const QStringList& arguments)
    {
        auto next = std::make_unique<ChildProcess>(QStringLiteral(GUI_SELECTION_TOOL), arguments);
        EXPECT_TRUE(next->waitForLine("ready"));
        owner = std::move(next); // the previous owner has lost the clipboard already
    }
    void offer(ClipboardRead::Status kind, const std::string& text)
    {
        const QString utf8 = QStringLiteral("UTF8_STRING:") + QString::fromStdString(text);
        if (kind == ClipboardRead::Status::Text)
            own({QStringLiteral("own"), utf8});
        else if (kind == ClipboardRead::Status::Secret)
            own({QStringLiteral("own"), utf8, QStringLiteral("x-kde-passwordManagerHint:secret")});
        else
            own({QStringLiteral("own"), QStringLiteral("image/png:not really a picture")});
    }
    void hang() { own({QStringLiteral("hang"), QStringLiteral("frozen")}); }
    bool waitUntil(const std::function<bool()>& condition) { return test::waitUntil(condition); }

    std::unique_ptr<ChildProcess> owner;
};

} // namespace tarnquill::test
