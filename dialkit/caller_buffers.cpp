#include "caller_buffers.h"

#include <string.h>
#include <wchar.h>

#include "module.h"

LONG LastResult;

namespace {

size_t TextLength(const char *text, size_t limit)
{
    return strnlen(text, limit);
}

size_t TextLength(const wchar_t *text, size_t limit)
{
    return wcsnlen(text, limit);
}

// Under UTF-8 as the ANSI code page (system-wide, or asked for by a host's
// manifest) a lead byte counts only with all its continuation bytes: an
// unfinished character shows as a replacement character, or fails a strict
// conversion. IsDBCSLeadByteEx knows nothing of UTF-8.
size_t WholeUtf8(const char *text, size_t length)
{
    size_t start = length;
    while (start > 0 && length - start < 3 && (static_cast<BYTE>(text[start - 1]) & 0xC0) == 0x80)
        start--;
    if (start == 0)
        return length;
    BYTE lead = static_cast<BYTE>(text[start - 1]);
    if (lead < 0xC0)
        return length;
    size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return length - (start - 1) < needed ? start - 1 : length;
}

// The first `length` bytes of `text`, or fewer so that a character of the
// ANSI code page is never split: a double-byte character's lead byte alone
// would show as a stray character, or join the next byte into another one.
size_t WholeCharacters(const char *text, size_t length)
{
    UINT codePage = GetACP();
    if (codePage == CP_UTF8)
        return WholeUtf8(text, length);
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

// The two halves of a surrogate pair stay together.
size_t WholeCharacters(const wchar_t *text, size_t length)
{
    return length && IS_HIGH_SURROGATE(text[length - 1]) ? length - 1 : length;
}

// Appends at most `count` characters of `text` and terminates.
template <typename C>
void AppendCut(C *buffer, DWORD bufferSize, const C *text, size_t count)
{
    size_t used = TextLength(buffer, bufferSize - 1);
    size_t room = bufferSize - 1 - used;
    size_t limit = count < room ? count : room;
    size_t take = TextLength(text, limit);
    // No terminator inside the limit: the text may go on past it.
    if (take == limit)
        take = WholeCharacters(text, take);
    memcpy(buffer + used, text, take * sizeof(C));
    buffer[used + take] = 0;
}

void AppendText(void *buffer, bool wide, DWORD bufferSize, const void *text)
{
    if (wide)
        AppendCut(static_cast<wchar_t *>(buffer), bufferSize, static_cast<const wchar_t *>(text),
                  bufferSize);
    else
        AppendCut(static_cast<char *>(buffer), bufferSize, static_cast<const char *>(text), bufferSize);
}

// Dialkit's own texts are ASCII and short.
void AppendAscii(void *buffer, bool wide, DWORD bufferSize, const char *text)
{
    wchar_t widened[64] = {};
    for (size_t i = 0; i < 63 && text[i]; i++)
        widened[i] = static_cast<BYTE>(text[i]);
    AppendText(buffer, wide, bufferSize, wide ? static_cast<const void *>(widened) : text);
}

void Clear(void *buffer, bool wide)
{
    if (wide)
        *static_cast<wchar_t *>(buffer) = 0;
    else
        *static_cast<char *>(buffer) = 0;
}

template <typename C>
bool AppendEntry(C *list, const C *name, DWORD length)
{
    static const C newline[] = {'\n', 0};
    size_t used = TextLength(list, ListBufferSize - 1);
    // The first test keeps a huge length from wrapping the sum around.
    if (length >= ListBufferSize || used + length + 2 >= ListBufferSize)
        return false;
    AppendCut(list, ListBufferSize, name, length);
    AppendCut(list, ListBufferSize, newline, 1);
    return true;
}

} // namespace

void ClearBuffers(const CallerBuffers &buffers)
{
    Clear(buffers.list, buffers.wide);
    Clear(buffers.errorReport, buffers.wide);
}

bool AppendListEntry(const CallerBuffers &buffers, const void *name, DWORD length)
{
    if (buffers.wide)
        return AppendEntry(static_cast<wchar_t *>(buffers.list), static_cast<const wchar_t *>(name),
                           length);
    return AppendEntry(static_cast<char *>(buffers.list), static_cast<const char *>(name), length);
}

bool AppendAnsiListEntry(const CallerBuffers &buffers, const char *name, DWORD length)
{
    if (!buffers.wide)
        return AppendListEntry(buffers, name, length);
    wchar_t wide[ListBufferSize] = {};
    DWORD converted = WidenAnsi(name, length, wide, ListBufferSize);
    // Only a name of more bytes than the list holds can fail to convert
    // into it, and it would never fit.
    if (length > ListBufferSize && !converted)
        return false;
    return AppendListEntry(buffers, wide, converted);
}

void StartReport(const CallerBuffers &buffers, const char *prefix)
{
    Clear(buffers.errorReport, buffers.wide);
    AppendAscii(buffers.errorReport, buffers.wide, ErrorReportSize, prefix);
}

void FinishReport(const CallerBuffers &buffers, const void *text, LONG code)
{
    bool empty = buffers.wide ? !*static_cast<const wchar_t *>(text) : !*static_cast<const char *>(text);
    if (empty) {
        char fallback[64] = {};
        // Signed, so that line errors (0x8000xxxx) print as negative numbers.
        wsprintfA(fallback, " Unknown error code - %ld", code);
        AppendAscii(buffers.errorReport, buffers.wide, ErrorReportSize, fallback);
    } else {
        AppendText(buffers.errorReport, buffers.wide, ErrorReportSize, text);
    }
}

void ReplaceList(const CallerBuffers &buffers, const void *text)
{
    Clear(buffers.list, buffers.wide);
    AppendText(buffers.list, buffers.wide, ListBufferSize, text);
}

void ReplaceListAscii(const CallerBuffers &buffers, const char *text)
{
    Clear(buffers.list, buffers.wide);
    AppendAscii(buffers.list, buffers.wide, ListBufferSize, text);
}

DWORD WidenAnsi(const char *text, DWORD count, wchar_t *wide, DWORD size)
{
    // A character the service ended half-way is left out, as in a cut.
    count = static_cast<DWORD>(WholeCharacters(text, count));
    if (count == 0)
        return 0;
    int written = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), wide,
                                      static_cast<int>(size));
    return written > 0 ? static_cast<DWORD>(written) : 0;
}
