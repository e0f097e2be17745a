#include "options.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

const wchar_t *CommandLineTail(const wchar_t *commandLine)
{
    const wchar_t *p = commandLine;
    if (*p == L'"') {
        // A quoted name ends at its closing quote.
        for (p++; *p && *p != L'"'; p++) {
        }
        if (*p)
            p++;
    } else {
        while (*p > L' ')
            p++;
    }
    while (*p && *p <= L' ')
        p++;
    return p;
}

wchar_t *ExtractOption(const wchar_t *tail, const wchar_t *option)
{
    const wchar_t *found = wcsstr(tail, option);
    if (!found)
        return nullptr;

    const wchar_t *value = found + wcslen(option);
    // A quoted value may hold spaces and ends at its closing quote; an
    // unquoted one ends at the first space, so a quoted option after it
    // does not end up inside it. Scripting hosts and runtimes quote a whole
    // argument that holds a space ("-src:C:\Kit Files\s.ini"): an option
    // inside such a quote ends at the quote that closes it.
    bool wholeArgumentQuoted = found > tail && found[-1] == L'"' &&
                               (found - 1 == tail || found[-2] == L' ' || found[-2] == L'\t');
    size_t length;
    if (*value == L'"') {
        value++;
        const wchar_t *close = wcschr(value, L'"');
        length = close ? (size_t)(close - value) : wcslen(value);
    } else {
        length = wcscspn(value, wholeArgumentQuoted ? L"\"" : L" ");
    }

    wchar_t *copy = (wchar_t *)calloc(length + 1, sizeof(wchar_t));
    if (copy)
        memcpy(copy, value, length * sizeof(wchar_t));
    return copy;
}
