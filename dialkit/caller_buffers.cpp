#include "caller_buffers.h"

#include <string.h>

#include "module.h"

LONG LastResult;

namespace {

// Appends at most `count` characters of `text` and terminates.
void AppendCut(char *buffer, DWORD bufferSize, const char *text, size_t count)
{
    size_t used = strnlen(buffer, bufferSize - 1);
    size_t room = bufferSize - 1 - used;
    size_t take = strnlen(text, count < room ? count : room);
    memcpy(buffer + used, text, take);
    buffer[used + take] = '\0';
}

} // namespace

bool AppendListEntry(char *list, const char *name, DWORD length)
{
    size_t used = strnlen(list, ListBufferSize - 1);
    // The first test keeps a huge length from wrapping the sum around.
    if (length >= ListBufferSize || used + length + 2 >= ListBufferSize)
        return false;
    AppendCut(list, ListBufferSize, name, length);
    AppendCut(list, ListBufferSize, "\n", 1);
    return true;
}

void StartReport(char *errorReport, const char *prefix)
{
    errorReport[0] = '\0';
    AppendCut(errorReport, ErrorReportSize, prefix, ErrorReportSize);
}

void FinishReport(char *errorReport, const char *text, LONG code)
{
    char fallback[64] = {};
    if (!text[0]) {
        // Signed, so that line errors (0x8000xxxx) print as negative numbers.
        wsprintfA(fallback, " Unknown error code - %ld", code);
        text = fallback;
    }
    AppendCut(errorReport, ErrorReportSize, text, ErrorReportSize);
}

void ReplaceList(char *list, const char *text)
{
    list[0] = '\0';
    AppendCut(list, ListBufferSize, text, ListBufferSize);
}
