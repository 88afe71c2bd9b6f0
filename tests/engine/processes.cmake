# Process termination and the desktop wallpaper.
