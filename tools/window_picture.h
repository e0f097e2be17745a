// Saves what the screen shows of a window, for pictures of the picker.
#ifndef TOOLS_WINDOW_PICTURE_H
#define TOOLS_WINDOW_PICTURE_H

#include <windows.h>

// Writes the window's area of the screen to `path` as a 24-bit BMP; false
// when it could not.
bool SaveWindowPicture(HWND window, const char *path);

#endif
