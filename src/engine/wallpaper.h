// Re-applying the user's ordinary desktop wallpaper after the live wallpaper
// was terminated.
#pragma once

#include <string>

// Silent on every failure.
void RestoreDesktopWallpaper();
// The wallpaper file in use, from the system setting, the registry, the
// shell's last applied one or (Windows 10) the cached theme files; empty when
// none names an existing file.
std::wstring GetCurrentWallpaperPath();
