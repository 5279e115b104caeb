// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace tarnquill {

// Sets the desktop's wallpaper to an image file where the running desktop
// reads it: GNOME's, Cinnamon's and MATE's settings, KDE Plasma's shell,
// Xfce's settings; on a bare X server the root window's background (and its
// _XROOTPMAP_ID, which compositors and terminals read). "(None)" removes it.
// False when the file cannot be read or the desktop refused.
bool setDesktopWallpaper(const std::string& file);

} // namespace tarnquill
