// ListRASConnections, 8-bit and wide: the entry names of the default dial-up
// phonebook.
#include <windows.h>
#include <ras.h>
#include <string.h>
#include <wchar.h>

#include <iterator>

#include "binding.h"
#include "caller_buffers.h"
#include "dialkit.h"
#include "module.h"
#include "record_block.h"

namespace {

// RASENTRYNAMEA and RASENTRYNAMEW as the platform's releases laid them out,
// newest first.
constexpr DWORD EntryLayouts[] = {532, 264, 28};
constexpr DWORD WideEntryLayouts[] = {1048, 520, 48};
constexpr DWORD EntryRecords = 50;
constexpr DWORD EntryBufferSize = EntryLayouts[0] * EntryRecords;
constexpr DWORD EntryNameOffset = sizeof(DWORD);

// A phonebook of more entries is answered with 603 as before: this bounds
// what a service's answer can make the list allocate (about 2 MB).
constexpr DWORD MaxEntryRecords = 4096;

constexpr DWORD BufferTooSmall = 603;
constexpr DWORD CannotOpenPhonebook = 621;
constexpr DWORD BufferInvalid = 610;
constexpr DWORD InvalidSize = 632;

static_assert(EntryBufferSize == 26600);
static_assert(sizeof(RASENTRYNAMEW) == WideEntryLayouts[0]);

LONG ReportRasFailure(const CallerBuffers &buffers, DWORD code)
{
    // The code, not LastResult: a modem list of another thread may write
    // that in the meantime.
    LONG result = static_cast<LONG>(code);
    LastResult = result;
    if (code == CannotOpenPhonebook)
        return result;
    StartReport(buffers, "RAS ERROR : ");
    char ansi[ErrorReportSize] = {};
    wchar_t wide[ErrorReportSize] = {};
    const void *text = ansi;
    if (buffers.wide && RasBinding.RasGetErrorStringW) {
        if (GuardedRasGetErrorStringW(code, wide, ErrorReportSize - 1) != 0)
            wide[0] = 0;
        text = wide;
    } else {
        if (GuardedRasGetErrorStringA(code, ansi, ErrorReportSize - 1) != 0)
            ansi[0] = '\0';
        if (buffers.wide) {
            WidenAnsi(ansi, static_cast<DWORD>(strnlen(ansi, ErrorReportSize - 1)), wide,
                      ErrorReportSize - 1);
            text = wide;
        }
    }
    FinishReport(buffers, text, result);
    return result;
}

// Appends every entry that lies wholly inside the bytes the service was
// given, whatever count and record size it reported: beyond them the buffer
// holds only zeros, never records. A name must end inside its record.
// `wideRecords`: the records came from the wide call.
void AppendEntryNames(const CallerBuffers &buffers, const BYTE *entries, DWORD givenBytes,
                      DWORD entryCount, bool wideRecords)
{
    DWORD stride;
    memcpy(&stride, entries, sizeof stride);
    // UTF-16 names are read only where their characters are aligned.
    if (stride <= EntryNameOffset || (wideRecords && stride % sizeof(wchar_t)))
        return;
    for (LONG i = 0; i < static_cast<LONG>(entryCount); i++) {
        DWORD start = static_cast<DWORD>(i) * stride;
        if (stride > givenBytes || start > givenBytes - stride)
            return;
        const BYTE *name = entries + start + EntryNameOffset;
        DWORD nameRoom = stride - EntryNameOffset;
        if (wideRecords)
            nameRoom /= sizeof(wchar_t);
        DWORD length = static_cast<DWORD>(
            wideRecords ? wcsnlen(reinterpret_cast<const wchar_t *>(name), nameRoom)
                        : strnlen(reinterpret_cast<const char *>(name), nameRoom));
        if (length == nameRoom)
            continue;
        if (buffers.wide && !wideRecords)
            AppendAnsiListEntry(buffers, reinterpret_cast<const char *>(name), length);
        else
            AppendListEntry(buffers, name, length);
    }
}

// One enumeration into `entries` (`givenBytes` long) with records of
// `layout` bytes; `neededBytes` receives the byte count the service wrote.
DWORD Enumerate(BYTE *entries, DWORD layout, DWORD givenBytes, DWORD *neededBytes,
                DWORD *entryCount, bool wideRecords)
{
    memcpy(entries, &layout, sizeof layout);
    *neededBytes = givenBytes;
    *entryCount = 0;
    if (wideRecords)
        return GuardedRasEnumEntriesW(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEW>(entries),
                                      neededBytes, entryCount);
    return GuardedRasEnumEntriesA(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEA>(entries),
                                  neededBytes, entryCount);
}

LONG ListPhonebook(const CallerBuffers &buffers)
{
    if (!RasBinding.module) {
        BindRemoteAccess();
        if (!RasBinding.module)
            return -1;
    }

    // A library without the wide call still serves the wide list, in the
    // ANSI code page.
    bool wideRecords = buffers.wide && RasBinding.RasEnumEntriesW;
    const DWORD *layouts = wideRecords ? WideEntryLayouts : EntryLayouts;
    BYTE *entries = static_cast<BYTE *>(NewRecordBlock(layouts[0] * EntryRecords));
    DWORD result = ERROR_NOT_ENOUGH_MEMORY;
    DWORD entryCount = 0;
    DWORD givenBytes = 0;
    DWORD neededBytes = 0;
    DWORD layout = 0;
    if (entries) {
        // Older services refuse the newer record layouts with 610 or 632.
        for (size_t i = 0; i < std::size(EntryLayouts); i++) {
            layout = layouts[i];
            givenBytes = layout * EntryRecords;
            result = Enumerate(entries, layout, givenBytes, &neededBytes, &entryCount, wideRecords);
            if (result != BufferInvalid && result != InvalidSize)
                break;
        }
    }

    // More entries than 50 records hold: once more, with the room the
    // service asked for. A need it cannot have (no more than it was given,
    // or past the bound) leaves the answer as it was.
    if (result == BufferTooSmall && neededBytes > givenBytes &&
        neededBytes <= layout * MaxEntryRecords) {
        BYTE *larger = static_cast<BYTE *>(NewRecordBlock(neededBytes));
        if (larger) {
            FreeRecordBlock(entries);
            entries = larger;
            givenBytes = neededBytes;
            result = Enumerate(entries, layout, givenBytes, &neededBytes, &entryCount, wideRecords);
        }
    }

    LONG answer = 0;
    if (result != 0) {
        answer = ReportRasFailure(buffers, result);
    } else {
        ClearBuffers(buffers);
        AppendEntryNames(buffers, entries, givenBytes, entryCount, wideRecords);
    }

    FreeRecordBlock(entries);
    if (RasBinding.module)
        ReleaseRemoteAccess();
    return answer;
}

// Another thread's phonebook call still uses the binding: -2.
LONG ListOnce(const CallerBuffers &buffers)
{
    if (!TakeGuard(RemoteAccessInUse))
        return ListBusy;
    LONG answer = ListPhonebook(buffers);
    ReleaseGuard(RemoteAccessInUse);
    return answer;
}

} // namespace

// ListRASConnections (ordinal 3): lists the default phonebook's entries.
int WINAPI ListRASConnections(char *list, char *errorReport)
{
    return ListOnce({list, errorReport, false});
}

// ListRASConnectionsW (ordinal 11): ListRASConnections for Unicode hosts.
int WINAPI ListRASConnectionsW(WCHAR *list, WCHAR *errorReport)
{
    return ListOnce({list, errorReport, true});
}
