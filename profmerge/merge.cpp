#include "merge.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "profile_path.h"

namespace {

// The byte-order mark that makes a profile Unicode on every Windows version.
const BYTE Utf16LeMark[2] = {0xFF, 0xFE};

// Set while a Unicode source's merge has not written yet: the service
// creates a new target as an 8-bit file, which would turn every character
// outside the ANSI code page into '?', so the target gets the mark first.
bool TargetWantsUnicodeMark;

// Opens the source as the profile service does, to tell a source that is
// missing (nothing to merge) from one that exists but cannot be read, which
// the service would take for an empty one. Returns 0 or the error;
// `*unicode` tells whether the source starts with the UTF-16 LE mark.
DWORD CheckSourceReadable(const wchar_t *source, bool *unicode)
{
    *unicode = false;
    // An empty name names no file.
    if (!*source)
        return 0;
    wchar_t *file = ProfileFilePath(source);
    if (!file)
        return 0;
    HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = 0;
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        // Where long paths are not enabled and the folder has no short
        // name, neither this look nor the service reaches a long path: a
        // source that is there all the same must not pass for a missing
        // one, which would merge nothing and report success.
        if ((error == ERROR_PATH_NOT_FOUND || error == ERROR_FILENAME_EXCED_RANGE) && wcslen(file) >= MAX_PATH)
            error = ExistsBeyondMaxPath(file) ? ERROR_FILENAME_EXCED_RANGE : ERROR_FILE_NOT_FOUND;
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            error = 0;
    } else {
        BYTE mark[sizeof Utf16LeMark] = {};
        DWORD got = 0;
        *unicode = ReadFile(handle, mark, sizeof mark, &got, nullptr) && got == sizeof mark &&
                   memcmp(mark, Utf16LeMark, sizeof mark) == 0;
        CloseHandle(handle);
    }
    free(file);
    return error;
}

// Gives a target that does not exist or is empty the UTF-16 LE mark alone,
// so that the service writes Unicode into it. Anything else is left as it
// is: the write that follows reports what went wrong.
void MarkTargetUnicode(const wchar_t *target)
{
    wchar_t *file = ProfileFilePath(target);
    if (!file)
        return;
    // Held without write sharing from the size check to the mark, so the
    // mark cannot land on the first bytes of another writer: one that has
    // the file open already makes this open fail, and the file is its.
    HANDLE handle = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    // A target that appears meanwhile is another writer's: CREATE_NEW fails.
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
        handle = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size = {};
        DWORD written = 0;
        if (GetFileSizeEx(handle, &size) && size.QuadPart == 0)
            WriteFile(handle, Utf16LeMark, sizeof Utf16LeMark, &written, nullptr);
        CloseHandle(handle);
    }
    free(file);
}

// Only A-Z fold: the rule users know from the 8-bit days, without the
// collisions a byte-wise fold made inside double-byte characters.
bool EqualIgnoringAsciiCase(const wchar_t *a, const wchar_t *b, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z')
            x = (wchar_t)(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z')
            y = (wchar_t)(y - L'A' + L'a');
        if (x != y)
            return false;
    }
    return true;
}

// Applies the merge rule to one "key=value" line of a source section and
// returns the error of a refused write, else 0. The line is split in place:
// it lives in a buffer this merge owns.
DWORD MergeLine(const wchar_t *section, wchar_t *line, const wchar_t *target)
{
    if (line[0] == L';')
        return 0;
    wchar_t *equals = wcschr(line, L'=');
    // An empty key name is skipped as well: writing one is known to crash
    // some versions of the platform's profile service.
    if (!equals || equals == line)
        return 0;
    *equals = L'\0';
    const wchar_t *key = line;
    const wchar_t *value = equals + 1;
    size_t valueLength = wcslen(value);
    if (valueLength == 0)
        return 0;

    // The target value is read with room for one character more than the
    // source value: a longer one differs anyway, so it is compared whole
    // without being read whole, in a single read.
    DWORD size = (DWORD)valueLength + 2;
    wchar_t *current = (wchar_t *)calloc((size_t)size + 1, sizeof(wchar_t));
    if (!current)
        return 0;
    DWORD currentLength = GetPrivateProfileStringW(section, key, L"", current, size, target);
    bool differs = currentLength != 0 &&
                   (currentLength != valueLength || !EqualIgnoringAsciiCase(current, value, valueLength));
    free(current);
    if (currentLength != 0 && !differs)
        return 0;
    if (TargetWantsUnicodeMark) {
        TargetWantsUnicodeMark = false;
        MarkTargetUnicode(target);
    }
    if (!WritePrivateProfileStringW(section, key, value, target)) {
        DWORD error = GetLastError();
        // A refusal must never read as success.
        return error ? error : ERROR_WRITE_FAULT;
    }
    if (differs)
        OutputDebugStringA("toto");
    return 0;
}

} // namespace

wchar_t *ReadProfileList(ProfileRead what, const wchar_t *section, const wchar_t *file, DWORD *length)
{
    *length = 0;
    DWORD size = ProfileProbeSize;
    for (;;) {
        // One spare character past what the service may fill keeps every
        // walk over the result inside the buffer.
        wchar_t *buffer = (wchar_t *)calloc((size_t)size + 1, sizeof(wchar_t));
        if (!buffer)
            return nullptr;
        DWORD got = what == ProfileRead::SectionNames
                        ? GetPrivateProfileSectionNamesW(buffer, size, file)
                        : GetPrivateProfileSectionW(section, buffer, size, file);
        if (got == 0) {
            free(buffer);
            return nullptr;
        }
        // The service signals a cut list by returning size - 2.
        if (got < size - 2) {
            *length = got;
            return buffer;
        }
        free(buffer);
        if (size >= MaxProfileRead)
            return nullptr;
        size = size > MaxProfileRead / 4 ? MaxProfileRead : size * 4;
    }
}

DWORD MergeProfiles(const wchar_t *source, const wchar_t *target)
{
    if (!source || !target)
        return 0;
    DWORD readError = CheckSourceReadable(source, &TargetWantsUnicodeMark);
    if (readError)
        return readError;
    DWORD namesLength;
    wchar_t *names = ReadProfileList(ProfileRead::SectionNames, nullptr, source, &namesLength);
    if (!names)
        return 0;
    DWORD firstError = 0;
    for (wchar_t *name = names; name < names + namesLength && *name; name += wcslen(name) + 1) {
        DWORD textLength;
        wchar_t *text = ReadProfileList(ProfileRead::Section, name, source, &textLength);
        if (!text)
            continue;
        for (wchar_t *line = text; line < text + textLength && *line;) {
            // Measured before the line is split at its '='.
            size_t lineLength = wcslen(line);
            DWORD error = MergeLine(name, line, target);
            if (!firstError)
                firstError = error;
            line += lineLength + 1;
        }
        free(text);
    }
    free(names);
    return firstError;
}
