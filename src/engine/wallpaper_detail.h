// The wallpaper path search with the Windows-version answer passed in, so
// that both branches can be exercised on any system.
#pragma once

#include <string>

namespace wallpaper_detail {

// GetCurrentWallpaperPath with windows10OrLater in place of
// IsWindows10OrLater(): that answer decides whether the cached theme files
// are the last source.
std::wstring FindCurrentWallpaperPath(bool windows10OrLater);

}  // namespace wallpaper_detail
