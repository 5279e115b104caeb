// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

class QClipboard;

namespace tarnquill {

// When this program owns the clipboard, asks the desktop's clipboard manager
// to keep its content after the program ends: the freedesktop SAVE_TARGETS
// request on the CLIPBOARD_MANAGER selection. The manager then fetches the
// text from Qt, which serves it from the event loop run here meanwhile (user
// input is held back). Returns at the latest after `deadline`, at once when
// the program does not own the clipboard or no manager runs; true when the
// manager confirmed it took the content.
bool handClipboardToManager(QClipboard& clipboard, std::chrono::milliseconds deadline);

} // namespace tarnquill
