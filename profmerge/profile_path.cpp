#include "profile_path.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

// `head` (its first `headLength` characters) followed by `tail`.
wchar_t *Join(const wchar_t *head, size_t headLength, const wchar_t *tail)
{
    size_t tailLength = wcslen(tail);
    wchar_t *joined = (wchar_t *)calloc(headLength + tailLength + 1, sizeof(wchar_t));
    if (joined) {
        memcpy(joined, head, headLength * sizeof(wchar_t));
        memcpy(joined + headLength, tail, tailLength * sizeof(wchar_t));
    }
    return joined;
}

wchar_t *Copy(const wchar_t *text)
{
    return Join(text, wcslen(text), L"");
}

// No folder and no drive: the service looks for such a file in the Windows
// folder, not in the current one.
bool IsBareName(const wchar_t *path)
{
    return !wcspbrk(path, L"\\/") && !(path[0] && path[1] == L':');
}

// GetFullPathNameW also takes '/' and relative paths, and has no MAX_PATH limit.
wchar_t *FullPath(const wchar_t *path)
{
    DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    wchar_t *full = needed ? (wchar_t *)calloc((size_t)needed + 1, sizeof(wchar_t)) : nullptr;
    DWORD got = full ? GetFullPathNameW(path, needed, full, nullptr) : 0;
    if (got == 0 || got >= needed) {
        free(full);
        return nullptr;
    }
    return full;
}

// Paths the caller gave in a device or literal form are theirs to keep.
bool IsLiteral(const wchar_t *full)
{
    return wcsncmp(full, L"\\\\?\\", 4) == 0 || wcsncmp(full, L"\\\\.\\", 4) == 0;
}

// The first `length` characters of the full path `full` in the \\?\ form,
// which no MAX_PATH limit binds: \\?\C:\folder or \\?\UNC\server\share\folder.
// `*prefixLength` tells how much was put in front.
wchar_t *LiteralForm(const wchar_t *full, size_t length, size_t *prefixLength)
{
    bool unc = wcsncmp(full, L"\\\\", 2) == 0;
    const wchar_t *prefix = unc ? L"\\\\?\\UNC\\" : L"\\\\?\\";
    size_t skip = unc ? 2 : 0;
    *prefixLength = wcslen(prefix);
    if (length < skip)
        return nullptr;
    wchar_t *literal = (wchar_t *)calloc(*prefixLength + length - skip + 1, sizeof(wchar_t));
    if (literal) {
        memcpy(literal, prefix, *prefixLength * sizeof(wchar_t));
        memcpy(literal + *prefixLength, full + skip, (length - skip) * sizeof(wchar_t));
    }
    return literal;
}

// The short form of the full path `full`'s folder followed by its file name,
// when that fits under MAX_PATH; else nullptr. GetShortPathNameW itself is
// bound by MAX_PATH unless the path carries the \\?\ prefix, so the folder
// is asked for with it and the prefix dropped again.
wchar_t *ShortFolderPath(const wchar_t *full)
{
    if (IsLiteral(full))
        return nullptr;
    const wchar_t *slash = wcsrchr(full, L'\\');
    if (!slash || slash == full)
        return nullptr;
    bool unc = wcsncmp(full, L"\\\\", 2) == 0;
    size_t prefixLength = 0;
    wchar_t *asked = LiteralForm(full, (size_t)(slash - full), &prefixLength);
    if (!asked)
        return nullptr;

    wchar_t *result = nullptr;
    DWORD needed = GetShortPathNameW(asked, nullptr, 0);
    wchar_t *shortFolder = needed ? (wchar_t *)calloc((size_t)needed + 1, sizeof(wchar_t)) : nullptr;
    DWORD got = shortFolder ? GetShortPathNameW(asked, shortFolder, needed) : 0;
    if (got && got < needed && wcsncmp(shortFolder, asked, prefixLength) == 0) {
        // Back to C:\SHORT~1 or \\server\share\SHORT~1, then the file name.
        size_t leadLength = unc ? 2 : 0;
        size_t restLength = got - prefixLength;
        size_t nameLength = wcslen(slash);
        // Without 8.3 names the "short" form is as long as the path itself.
        if (leadLength + restLength + nameLength < MAX_PATH) {
            result = (wchar_t *)calloc(leadLength + restLength + nameLength + 1, sizeof(wchar_t));
            if (result) {
                memcpy(result, L"\\\\", leadLength * sizeof(wchar_t));
                memcpy(result + leadLength, shortFolder + prefixLength, restLength * sizeof(wchar_t));
                memcpy(result + leadLength + restLength, slash, nameLength * sizeof(wchar_t));
            }
        }
    }
    free(shortFolder);
    free(asked);
    return result;
}

} // namespace

wchar_t *ProfilePath(const wchar_t *path)
{
    if (IsBareName(path))
        return Copy(path);
    // Measured full: a relative path may be short as typed and long from
    // the current folder.
    wchar_t *full = FullPath(path);
    if (!full || wcslen(full) < MAX_PATH) {
        free(full);
        return Copy(path);
    }
    wchar_t *shortPath = ShortFolderPath(full);
    if (shortPath) {
        free(full);
        return shortPath;
    }
    // Taken where long paths are enabled; elsewhere the refused write says so.
    return full;
}

wchar_t *ProfileFilePath(const wchar_t *path)
{
    if (!IsBareName(path)) {
        wchar_t *full = FullPath(path);
        return full ? full : Copy(path);
    }
    wchar_t folder[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return Copy(path);
    if (folder[length - 1] != L'\\')
        folder[length++] = L'\\';
    return Join(folder, length, path);
}

bool ExistsBeyondMaxPath(const wchar_t *full)
{
    if (wcslen(full) < MAX_PATH || IsLiteral(full))
        return false;
    size_t prefixLength = 0;
    wchar_t *literal = LiteralForm(full, wcslen(full), &prefixLength);
    bool exists = literal && GetFileAttributesW(literal) != INVALID_FILE_ATTRIBUTES;
    free(literal);
    return exists;
}
