// SPDX-License-Identifier: MIT
// The fake clipboard through the checks the desktop's clipboards pass
// (QtClipboardTest, XcbClipboardTest).

#include "ClipboardContract.h"
#include "Fakes.h"

namespace tarnquill::testing {
namespace {

struct FakeClipboardBackend {
    FakeClipboard fake;

    Clipboard& clipboard() { return fake; }
    void offer(ClipboardRead::Status kind, const std::string& text)
    {
        fake.setBusy(false);
        fake.copy(kind == ClipboardRead::Status::NoText ? std::string() : text, kind);
    }
    void hang()
    {
        fake.copy("frozen");
        fake.setBusy(true);
    }
    bool waitUntil(const std::function<bool()>& condition) { return condition(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ClipboardContract, FakeClipboardBackend);

} // namespace
} // namespace tarnquill::testing
