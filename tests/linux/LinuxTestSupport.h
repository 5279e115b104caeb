// SPDX-License-Identifier: MIT
#pragma once

// The shared test support (tests/support) and what only these tests need.

#include "support/ChildProcess.h"
#include "support/QtWait.h"
#include "support/TempFolder.h"

#include "platform/linux/registry/RegistryLocations.h"

#include <filesystem>
#include <memory>

namespace tarnquill::test {

// Another application on the clipboard, by role:
//   --own-clipboard FORMAT=VALUE...   owns it with these formats at once
//                                     ("text" stands for plain text)
//   --own-clipboard-and-hang TEXT     owns it and never answers
// both through the clipboard owner program (both print "ready"), and
//   --print-change-count              this program again, printing what
//                                     QtClipboard counts on its display
std::unique_ptr<ChildProcess> startHelper(const QStringList& arguments);

// Registry files and autostart folders inside `folder`, for a LinuxWin32Api
// whose registry a test does not look at.
registry::RegistryLocations registryLocationsIn(const std::filesystem::path& folder);

} // namespace tarnquill::test
