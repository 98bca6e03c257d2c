// The user's desktop as the saver leaves it behind: the wallpaper, and the
// maker's desktop-manager program that opens pages after the saver closes.
#pragma once

#include <string>

// The desktop manager's window: class and title are both this name.
constexpr const char* kDesktopManagerName = "ZEZUZizo";
// On X11 the command reaches the desktop manager as a ClientMessage of this
// type, format 32, with data.l[0] = the command number and data.l[1] = 0 (the
// Windows message's wParam and lParam).
constexpr const char* kDesktopManagerAtom = "_ZEZUZIZO_COMMAND";
// On Windows it is the window message WM_USER + 1.
constexpr unsigned kDesktopManagerMessage = 0x0400 + 1;

// Where the wallpaper picture is kept: the Windows directory on Windows; the
// installation directory elsewhere. Ends in the separator; empty on failure.
std::string PlatformWallpaperFolder(const std::string& installDir);

// Wallpaper styles: 0 centred, 1 tiled, 2 stretched over the screen.
constexpr int kWallpaperStretched = 2;
// Makes the picture file the desktop background in the style (X11 always
// stretches). False with the reason in `error` when the desktop could not be changed.
bool PlatformSetDesktopWallpaper(const std::string& path, int style, std::string& error);

// Finds the desktop manager's top-level window, brings it to the front and
// posts it the command number without waiting. False when there is no such window.
bool PlatformPostDesktopManagerCommand(unsigned number);
