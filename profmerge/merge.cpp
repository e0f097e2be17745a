#include "merge.h"

#include <stdlib.h>
#include <wchar.h>

namespace {

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
