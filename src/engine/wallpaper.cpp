#include "engine/wallpaper.h"

void RestoreDesktopWallpaper() {}
std::wstring GetCurrentWallpaperPath() { return std::wstring(); }
