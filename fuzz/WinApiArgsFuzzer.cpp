// SPDX-License-Identifier: MIT
// tarnquill-winapi's command line: any words, split at NUL bytes, read as a
// member call. Reading never fails other than with a usage error, and every
// value read prints as valid UTF-8 JSON and text for people.

#include "history/TextEncoding.h"
#include "tools/WinApiTool.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace tarnquill;
using namespace tarnquill::tool;

namespace {

class NoListBoxes final : public ListBoxes {
public:
    HWND create() override { return 1000; }
    std::vector<std::string> lines(HWND) override { return {}; }
};

void checkPrintable(const std::string& text)
{
    if (!isValidUtf8(text))
        std::abort();
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size && words.size() <= 16; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }

    NoListBoxes lists;
    Call call;
    try {
        call = parseCall(words, lists);
    } catch (const UsageError& problem) {
        // The message quotes the user's word: escaped, never raw bytes.
        checkPrintable(problem.what());
        return 0;
    }
    if (call.args.size() != call.member->params.size())
        std::abort();
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        const Type type = call.member->params[i].type;
        checkPrintable(formatJson(type, call.args[i]));
        checkPrintable(formatHuman(type, call.args[i]));
    }
    return 0;
}
