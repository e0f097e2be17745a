#include "window_picture.h"

#include <stdio.h>
#include <stdlib.h>

bool SaveWindowPicture(HWND window, const char *path)
{
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    DWORD bitsSize = stride * static_cast<DWORD>(height);
    BYTE *bits = static_cast<BYTE *>(calloc(bitsSize, 1));
    bool saved = false;
    if (bits && GetDIBits(memory, bitmap, 0, height, bits, reinterpret_cast<BITMAPINFO *>(&info),
                          DIB_RGB_COLORS)) {
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;   // "BM"
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + bitsSize;
        FILE *out = fopen(path, "wb");
        if (out) {
            saved = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
                    fwrite(bits, bitsSize, 1, out) == 1;
            saved = fclose(out) == 0 && saved;
        }
    }
    free(bits);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}
