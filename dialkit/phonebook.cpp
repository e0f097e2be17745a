// ListRASConnections: the entry names of the default dial-up phonebook.
#include <windows.h>
#include <ras.h>
#include <string.h>

#include "binding.h"
#include "caller_buffers.h"
#include "dialkit.h"
#include "module.h"
#include "record_block.h"

namespace {

// RASENTRYNAMEA as the platform's releases laid it out, newest first.
constexpr DWORD EntryLayouts[] = {532, 264, 28};
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

LONG ReportRasFailure(char *errorReport, DWORD code)
{
    // The code, not LastResult: a modem list of another thread may write
    // that in the meantime.
    LONG result = static_cast<LONG>(code);
    LastResult = result;
    if (code == CannotOpenPhonebook)
        return result;
    StartReport(errorReport, "RAS ERROR : ");
    char text[1024] = {};
    if (GuardedRasGetErrorStringA(code, text, sizeof text - 1) != 0)
        text[0] = '\0';
    FinishReport(errorReport, text, result);
    return result;
}

// Appends every entry that lies wholly inside the bytes the service was
// given, whatever count and record size it reported: beyond them the buffer
// holds only zeros, never records. A name must end inside its record.
void AppendEntryNames(char *list, const BYTE *entries, DWORD givenBytes, DWORD entryCount)
{
    DWORD stride;
    memcpy(&stride, entries, sizeof stride);
    if (stride <= EntryNameOffset)
        return;
    for (LONG i = 0; i < static_cast<LONG>(entryCount); i++) {
        DWORD start = static_cast<DWORD>(i) * stride;
        if (stride > givenBytes || start > givenBytes - stride)
            return;
        const char *name = reinterpret_cast<const char *>(entries + start + EntryNameOffset);
        DWORD nameRoom = stride - EntryNameOffset;
        DWORD length = static_cast<DWORD>(strnlen(name, nameRoom));
        if (length == nameRoom)
            continue;
        AppendListEntry(list, name, length);
    }
}

// One enumeration into `entries` (`givenBytes` long) with records of
// `layout` bytes; `neededBytes` receives the byte count the service wrote.
DWORD Enumerate(BYTE *entries, DWORD layout, DWORD givenBytes, DWORD *neededBytes,
                DWORD *entryCount)
{
    memcpy(entries, &layout, sizeof layout);
    *neededBytes = givenBytes;
    *entryCount = 0;
    return GuardedRasEnumEntriesA(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEA>(entries),
                                  neededBytes, entryCount);
}

LONG ListPhonebook(char *list, char *errorReport)
{
    if (!RasBinding.module) {
        BindRemoteAccess();
        if (!RasBinding.module)
            return -1;
    }

    BYTE *entries = static_cast<BYTE *>(NewRecordBlock(EntryBufferSize));
    DWORD result = ERROR_NOT_ENOUGH_MEMORY;
    DWORD entryCount = 0;
    DWORD givenBytes = 0;
    DWORD neededBytes = 0;
    DWORD layout = 0;
    if (entries) {
        // Older services refuse the newer record layouts with 610 or 632.
        for (DWORD tried : EntryLayouts) {
            layout = tried;
            givenBytes = layout * EntryRecords;
            result = Enumerate(entries, layout, givenBytes, &neededBytes, &entryCount);
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
            result = Enumerate(entries, layout, givenBytes, &neededBytes, &entryCount);
        }
    }

    LONG answer = 0;
    if (result != 0) {
        answer = ReportRasFailure(errorReport, result);
    } else {
        list[0] = '\0';
        errorReport[0] = '\0';
        AppendEntryNames(list, entries, givenBytes, entryCount);
    }

    FreeRecordBlock(entries);
    if (RasBinding.module)
        ReleaseRemoteAccess();
    return answer;
}

} // namespace

// ListRASConnections (ordinal 3): lists the default phonebook's entries.
// Another thread's phonebook call still uses the binding: -2.
int WINAPI ListRASConnections(char *list, char *errorReport)
{
    if (!TakeGuard(RemoteAccessInUse))
        return ListBusy;
    LONG answer = ListPhonebook(list, errorReport);
    ReleaseGuard(RemoteAccessInUse);
    return answer;
}
