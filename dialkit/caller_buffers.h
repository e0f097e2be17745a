// Writing into the host's list and error buffers, never past 1024 bytes.
#ifndef DIALKIT_CALLER_BUFFERS_H
#define DIALKIT_CALLER_BUFFERS_H

#include <windows.h>

// Appends `name` (at most `length` characters, fewer at a zero byte) and
// "\n" to `list` when the current text plus `length` plus 2 stays below the
// buffer size; otherwise leaves `list` alone and returns false.
bool AppendListEntry(char *list, const char *name, DWORD length);

// Starts a report with the service's prefix, e.g. "RAS ERROR : ".
void StartReport(char *errorReport, const char *prefix);

// Appends the service's text for `code`, or the fallback text when `text`
// is empty, as far as the buffer allows.
void FinishReport(char *errorReport, const char *text, LONG code);

// Copies `text` into `list`, cut to fit.
void ReplaceList(char *list, const char *text);

#endif
