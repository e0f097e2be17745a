#include "profile_path.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

wchar_t *Copy(const wchar_t *text, size_t length)
{
    wchar_t *copy = (wchar_t *)calloc(length + 1, sizeof(wchar_t));
    if (copy)
        memcpy(copy, text, length * sizeof(wchar_t));
    return copy;
}

// The short form of `path`'s folder followed by its file name, when the
// folder exists and the result fits under MAX_PATH; else nullptr.
wchar_t *ShortFolderPath(const wchar_t *path)
{
    const wchar_t *slash = wcsrchr(path, L'\\');
    const wchar_t *other = wcsrchr(path, L'/');
    if (!slash || (other && other > slash))
        slash = other;
    if (!slash || slash == path)
        return nullptr;
    wchar_t *folder = Copy(path, (size_t)(slash - path));
    if (!folder)
        return nullptr;
    wchar_t *shortPath = nullptr;
    // The file name goes after the short folder in the same buffer.
    size_t nameLength = wcslen(slash);
    DWORD needed = GetShortPathNameW(folder, nullptr, 0);
    if (needed && needed + nameLength < MAX_PATH) {
        shortPath = (wchar_t *)calloc(needed + nameLength + 1, sizeof(wchar_t));
        DWORD got = shortPath ? GetShortPathNameW(folder, shortPath, needed) : 0;
        // Without 8.3 names the "short" form is as long as the path itself.
        if (got && got < needed && got + nameLength < MAX_PATH) {
            memcpy(shortPath + got, slash, (nameLength + 1) * sizeof(wchar_t));
        } else {
            free(shortPath);
            shortPath = nullptr;
        }
    }
    free(folder);
    return shortPath;
}

} // namespace

wchar_t *ProfilePath(const wchar_t *path)
{
    size_t length = wcslen(path);
    if (length >= MAX_PATH) {
        wchar_t *shortPath = ShortFolderPath(path);
        if (shortPath)
            return shortPath;
    }
    return Copy(path, length);
}
