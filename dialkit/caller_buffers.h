// Writing into the host's list and error buffers, never past 1024
// characters: 8-bit text in the ANSI code page for the 8-bit exports, UTF-16
// for the wide ones.
#ifndef DIALKIT_CALLER_BUFFERS_H
#define DIALKIT_CALLER_BUFFERS_H

#include <windows.h>

// The two buffers of one list call and the width of their characters.
struct CallerBuffers {
    void *list;
    void *errorReport;
    bool wide;
};

// Empties both buffers.
void ClearBuffers(const CallerBuffers &buffers);

// Appends `name` (at most `length` characters of the buffers' width, fewer
// at a zero) and "\n" to the list when the current text plus `length` plus 2
// stays below the buffer size; otherwise leaves the list alone and returns
// false.
bool AppendListEntry(const CallerBuffers &buffers, const void *name, DWORD length);

// The same for a name of the ANSI code page, converted for a wide list.
bool AppendAnsiListEntry(const CallerBuffers &buffers, const char *name, DWORD length);

// Starts a report with the service's prefix, e.g. "RAS ERROR : ".
void StartReport(const CallerBuffers &buffers, const char *prefix);

// Appends the service's text for `code` (of the buffers' width), or the
// fallback text when `text` is empty, as far as the buffer allows.
void FinishReport(const CallerBuffers &buffers, const void *text, LONG code);

// Replaces the list with `text` (of the buffers' width), cut to fit.
void ReplaceList(const CallerBuffers &buffers, const void *text);

// Replaces the list with ASCII `text` in the buffers' width.
void ReplaceListAscii(const CallerBuffers &buffers, const char *text);

// `count` bytes of the ANSI code page as UTF-16 in `wide` (`size`
// characters): the characters written, 0 when they do not fit.
DWORD WidenAnsi(const char *text, DWORD count, wchar_t *wide, DWORD size);

#endif
