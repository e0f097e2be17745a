#include "merge.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool EqualIgnoringAsciiCase(const char *a, const char *b, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (char)(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Applies the merge rule to one "key=value" line of a source section. The
// line is split in place: it lives in a buffer this merge owns.
void MergeLine(const char *section, char *line, const char *target)
{
    if (line[0] == ';')
        return;
    char *equals = strchr(line, '=');
    // An empty key name is skipped as well: writing one is known to crash
    // some versions of the platform's profile service.
    if (!equals || equals == line)
        return;
    *equals = '\0';
    const char *key = line;
    const char *value = equals + 1;
    size_t keyLength = (size_t)(equals - line);
    size_t valueLength = strlen(value);
    if (valueLength == 0 || valueLength > MaxProfileString || keyLength > MaxProfileString)
        return;

    // The target value is read with room for one character more than the
    // source value: a longer one differs anyway, so it is compared whole
    // without being read whole, in a single read.
    DWORD size = (DWORD)valueLength + 2;
    char *current = (char *)calloc((size_t)size + 1, 1);
    if (!current)
        return;
    DWORD currentLength = GetPrivateProfileStringA(section, key, "", current, size, target);
    bool differs = currentLength != 0 &&
                   (currentLength != valueLength || !EqualIgnoringAsciiCase(current, value, valueLength));
    free(current);
    if (currentLength == 0 || differs)
        WritePrivateProfileStringA(section, key, value, target);
    if (differs)
        OutputDebugStringA("toto");
}

} // namespace

char *ReadProfileList(ProfileRead what, const char *section, const char *file, DWORD *length)
{
    *length = 0;
    DWORD size = ProfileProbeSize;
    for (;;) {
        // One spare byte past what the service may fill keeps every walk
        // over the result inside the buffer.
        char *buffer = (char *)calloc((size_t)size + 1, 1);
        if (!buffer)
            return nullptr;
        DWORD got = what == ProfileRead::SectionNames
                        ? GetPrivateProfileSectionNamesA(buffer, size, file)
                        : GetPrivateProfileSectionA(section, buffer, size, file);
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

void MergeProfiles(const char *source, const char *target)
{
    if (!source || !target)
        return;
    DWORD namesLength;
    char *names = ReadProfileList(ProfileRead::SectionNames, nullptr, source, &namesLength);
    if (!names)
        return;
    for (char *name = names; name < names + namesLength && *name; name += strlen(name) + 1) {
        if (strlen(name) > MaxProfileString)
            continue;
        DWORD textLength;
        char *text = ReadProfileList(ProfileRead::Section, name, source, &textLength);
        if (!text)
            continue;
        for (char *line = text; line < text + textLength && *line;) {
            // Measured before the line is split at its '='.
            size_t lineLength = strlen(line);
            MergeLine(name, line, target);
            line += lineLength + 1;
        }
        free(text);
    }
    free(names);
}
