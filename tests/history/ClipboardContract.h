// SPDX-License-Identifier: MIT
#pragma once

// The checks every Clipboard passes, the real ones and the fake alike. A
// backend is a class with
//   Clipboard& clipboard();
//   void offer(ClipboardRead::Status kind, const std::string& text);
//       another program takes the clipboard with the text (Text), the text
//       marked secret (Secret), or an image only (NoText)
//   void hang();  another program takes the clipboard and never answers
//   bool waitUntil(const std::function<bool()>& condition);
//       true once the condition holds, serving the backend's events meanwhile
// and runs the list with INSTANTIATE_TYPED_TEST_SUITE_P(Name, ClipboardContract, Backend).

#include "history/Clipboard.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace tarnquill {

template <typename Backend>
class ClipboardContract : public ::testing::Test {
protected:
    // The first read with `status` once the counter has moved past `seen`;
    // reads again at each move until one has it.
    ClipboardRead next(ClipboardRead::Status status)
    {
        ClipboardRead read;
        EXPECT_TRUE(backend.waitUntil([&] {
            const auto count = backend.clipboard().changeCount();
            if (count == seen)
                return false;
            seen = count;
            read = backend.clipboard().readText();
            return read.status == status;
        })) << "no read with status " << static_cast<int>(status);
        return read;
    }

    Backend backend;
    std::optional<std::uint64_t> seen = backend.clipboard().changeCount(); // the count last read at
};

TYPED_TEST_SUITE_P(ClipboardContract);

// The watcher reads again only after the counter moved (a clipboard without
// a counter fails every check), so the program's own writes move it too.
TYPED_TEST_P(ClipboardContract, ASetTextOrAnotherProgramsTextSecretOrImageIsNoticedAndReadAsSuch)
{
    using Status = ClipboardRead::Status;
    const std::string text = "h\xC3\xA9llo \xE2\x9C\x93\r\nsecond line\t";
    ASSERT_TRUE(this->backend.clipboard().setText("r" + text));
    EXPECT_EQ(this->next(Status::Text).text, "r" + text);
    this->backend.offer(Status::Text, text);
    EXPECT_EQ(this->next(Status::Text).text, text);
    this->backend.offer(Status::Secret, "hunter2");
    this->next(Status::Secret);
    this->backend.offer(Status::NoText, "");
    this->next(Status::NoText);
}

// The owner that never answers must not read as an empty clipboard, or its
// copy would be dropped for good.
TYPED_TEST_P(ClipboardContract, AnOwnerThatNeverAnswersReadsAsBusy)
{
    this->backend.hang();
    this->next(ClipboardRead::Status::Busy);
}

REGISTER_TYPED_TEST_SUITE_P(ClipboardContract, ASetTextOrAnotherProgramsTextSecretOrImageIsNoticedAndReadAsSuch,
                            AnOwnerThatNeverAnswersReadsAsBusy);

} // namespace tarnquill
