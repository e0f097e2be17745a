#include "caller_buffers.h"

#include <string.h>

#include "module.h"

LONG LastResult;

namespace {

// The first `length` bytes of `text`, or fewer so that a double-byte
// character of the ANSI code page is never split: its lead byte alone would
// show as a stray character, or join the next byte into another one.
size_t WholeCharacters(const char *text, size_t length)
{
    UINT codePage = GetACP();
    CPINFO info = {};
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize < 2)
        return length;
    size_t end = 0;
    while (end < length) {
        size_t next = end + (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[end])) ? 2 : 1);
        if (next > length)
            break;
        end = next;
    }
    return end;
}

// Appends at most `count` bytes of `text` and terminates.
void AppendCut(char *buffer, DWORD bufferSize, const char *text, size_t count)
{
    size_t used = strnlen(buffer, bufferSize - 1);
    size_t room = bufferSize - 1 - used;
    size_t limit = count < room ? count : room;
    size_t take = strnlen(text, limit);
    // No terminator inside the limit: the text may go on past it.
    if (take == limit)
        take = WholeCharacters(text, take);
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
