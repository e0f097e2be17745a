// Simulated rasapi32.dll: a phonebook and error texts taken from the
// scenario's [ras] section, with knobs that make it misbehave on purpose.
//
//   Entries=N, Entry1..EntryN   the phonebook
//   AcceptSizes=532,264,28      record sizes taken; others get SizeError (632),
//   SizeError.<size>=code       or this code for that record size
//   EnumResult=code             returned at once once the size is accepted
//   ReportCount=n               entry count reported instead of N
//   NeededBytes=n               byte count reported with 603 instead of the
//                               N records' size
//   Unterminated=k              record k's name fills its field, no zero
//   WriteSize=n                 first record's dwSize after filling
//   ErrorText.<code>=text       RasGetErrorStringA (up to 4095 characters); none
//                               gives 87
//   ErrorTextUnterminated=1     the text fills the caller's buffer, no zero
//   ErrorStringResult=code      RasGetErrorStringA returns it, writes nothing
#include <windows.h>
#include <ras.h>
#include <string.h>

#include "scenario.h"

static const char kRas[] = "ras";

static const DWORD kInvalidParameter = 87;    // ERROR_INVALID_PARAMETER
static const DWORD kBufferTooSmall = 603;     // ERROR_BUFFER_TOO_SMALL
static const DWORD kInvalidSize = 632;        // ERROR_INVALID_SIZE

// Bounds the time spent on an absurd Entries value.
static const DWORD kMaxEntries = 100000;

static bool size_accepted(const Scenario *sc, DWORD size)
{
    char list[256];
    if (!scenario_string(sc, kRas, "AcceptSizes", list, sizeof list))
        return size == 532 || size == 264 || size == 28;
    const char *p = list;
    for (;;) {
        DWORD v;
        const char *end;
        if (!scenario_parse(p, &v, &end))
            return false;
        if (v == size)
            return true;
        p = strchr(end, ',');
        if (!p)
            return false;
        p++;
    }
}

static DWORD first_accepted_size(const Scenario *sc)
{
    char list[256];
    DWORD v;
    if (scenario_string(sc, kRas, "AcceptSizes", list, sizeof list) &&
        scenario_parse(list, &v, NULL) && v >= 5)
        return v;
    return 532;
}

// Writes record i (0-based) of the phonebook at rec, which has room for
// `room` bytes (stride or more for the last record, never past the buffer).
static void fill_record(const Scenario *sc, BYTE *rec, DWORD stride, DWORD room, DWORD i,
                        DWORD unterminated)
{
    memset(rec, 0, stride);
    memcpy(rec, &stride, sizeof stride);

    char key[32];
    char name[1024];
    scenario_key(key, sizeof key, "Entry", i + 1);
    scenario_string(sc, kRas, key, name, sizeof name);
    size_t len = strlen(name);

    BYTE *field = rec + sizeof(DWORD);
    if (unterminated == i + 1) {
        // Name bytes up to the end of its field with no zero; the last record
        // runs on to the end of the caller's buffer.
        if (len == 0) {
            name[0] = 'X';
            len = 1;
        }
        for (DWORD j = 0; j < room - sizeof(DWORD); j++)
            field[j] = (BYTE)name[j % len];
        return;
    }
    size_t max = stride - sizeof(DWORD) - 1;
    if (len > max)
        len = max;
    memcpy(field, name, len);
    field[len] = '\0';
}

extern "C" DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook,
                                        LPRASENTRYNAMEA entries, LPDWORD lpcb,
                                        LPDWORD lpcEntries)
{
    Call c;
    call_begin(&c, "RasEnumEntriesA");
    log_string(&c.ln, "reserved", reserved);
    log_string(&c.ln, "phonebook", phonebook);

    BYTE *buf = (BYTE *)entries;
    DWORD cap = lpcb ? *lpcb : 0;
    // The record size is only read when the caller's buffer holds it.
    bool readable = buf && lpcb && cap >= sizeof(DWORD);
    DWORD stride = 0;
    if (readable)
        memcpy(&stride, buf, sizeof stride);
    if (!buf)
        log_text(&c.ln, " dwSize=(null)");
    else if (!readable)
        log_text(&c.ln, " dwSize=?");
    else
        log_decimal(&c.ln, "dwSize", stride);
    if (lpcb)
        log_decimal(&c.ln, "cb", cap);
    else
        log_text(&c.ln, " cb=(null)");

    DWORD result;
    bool outputs = false;
    DWORD forced;
    if (!lpcb || !lpcEntries) {
        result = kInvalidParameter;
    } else if (buf && (!readable || stride < sizeof(DWORD) + 1 || !size_accepted(&c.sc, stride))) {
        char key[32];
        scenario_key(key, sizeof key, "SizeError.", stride);
        if (!scenario_number(&c.sc, kRas, key, &result))
            result = scenario_number_or(&c.sc, kRas, "SizeError", kInvalidSize);
    } else if (scenario_number(&c.sc, kRas, "EnumResult", &forced)) {
        result = forced;
    } else {
        if (!buf)
            stride = first_accepted_size(&c.sc);
        DWORD count = scenario_number_or(&c.sc, kRas, "Entries", 0);
        if ((LONG)count < 0)
            count = 0;
        if (count > kMaxEntries)
            count = kMaxEntries;
        unsigned long long needed64 = (unsigned long long)count * stride;
        DWORD needed = needed64 > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)needed64;
        DWORD reported = scenario_number_or(&c.sc, kRas, "ReportCount", count);

        if (needed64 > (buf ? cap : 0)) {
            result = kBufferTooSmall;
            scenario_number(&c.sc, kRas, "NeededBytes", &needed);
        } else {
            DWORD unterminated = scenario_number_or(&c.sc, kRas, "Unterminated", 0);
            for (DWORD i = 0; i < count; i++) {
                DWORD offset = i * stride;
                DWORD room = (i + 1 == count) ? cap - offset : stride;
                fill_record(&c.sc, buf + offset, stride, room, i, unterminated);
            }
            DWORD size;
            if (count > 0 && scenario_number(&c.sc, kRas, "WriteSize", &size))
                memcpy(buf, &size, sizeof size);
            result = 0;
        }
        *lpcb = needed;
        *lpcEntries = reported;
        outputs = true;
    }

    log_result_decimal(&c.ln, result);
    if (outputs) {
        log_decimal(&c.ln, "cb", *lpcb);
        log_decimal(&c.ln, "entries", *lpcEntries);
    }
    log_write(&c.sc, &c.ln);
    return result;
}

extern "C" DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buf, DWORD size)
{
    Call c;
    call_begin(&c, "RasGetErrorStringA");
    log_decimal(&c.ln, "code", code);
    log_decimal(&c.ln, "size", size);

    DWORD result;
    char key[32];
    scenario_key(key, sizeof key, "ErrorText.", code);
    char text[4096];
    if (scenario_number(&c.sc, kRas, "ErrorStringResult", &result)) {
        // Forced result: nothing written.
    } else if (!scenario_string(&c.sc, kRas, key, text, sizeof text) || !buf || size == 0) {
        result = kInvalidParameter;
    } else if (scenario_number_or(&c.sc, kRas, "ErrorTextUnterminated", 0)) {
        // As much of the text as the buffer holds, and no zero after it.
        size_t len = strlen(text);
        for (DWORD i = 0; i < size; i++)
            buf[i] = len ? text[i % len] : 'X';
        result = 0;
    } else {
        size_t len = strlen(text);
        if (len > size - 1)
            len = size - 1;
        memcpy(buf, text, len);
        buf[len] = '\0';
        result = 0;
    }

    return call_end_decimal(&c, result);
}

// The rest only record that they were called.

extern "C" DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS extensions, LPCSTR phonebook,
                                 LPRASDIALPARAMSA params, DWORD notifierType,
                                 LPVOID notifier, LPHRASCONN conn)
{
    Call c;
    call_begin(&c, "RasDialA");
    log_pointer(&c.ln, "extensions", extensions);
    log_string(&c.ln, "phonebook", phonebook);
    log_pointer(&c.ln, "params", params);
    log_decimal(&c.ln, "notifierType", notifierType);
    log_pointer(&c.ln, "notifier", notifier);
    log_pointer(&c.ln, "conn", conn);
    return call_end_decimal(&c, 0);
}

extern "C" DWORD WINAPI RasGetConnectStatusA(HRASCONN conn, LPRASCONNSTATUSA status)
{
    Call c;
    call_begin(&c, "RasGetConnectStatusA");
    log_handle(&c.ln, "conn", (ULONG_PTR)conn);
    log_pointer(&c.ln, "status", status);
    return call_end_decimal(&c, 0);
}

extern "C" DWORD WINAPI RasGetProjectionInfoA(HRASCONN conn, RASPROJECTION projection,
                                              LPVOID info, LPDWORD lpcb)
{
    Call c;
    call_begin(&c, "RasGetProjectionInfoA");
    log_handle(&c.ln, "conn", (ULONG_PTR)conn);
    log_handle(&c.ln, "projection", (ULONG_PTR)projection);
    log_pointer(&c.ln, "info", info);
    log_decimal_at(&c.ln, "cb", lpcb);
    return call_end_decimal(&c, 0);
}

extern "C" DWORD WINAPI RasHangUpA(HRASCONN conn)
{
    Call c;
    call_begin(&c, "RasHangUpA");
    log_handle(&c.ln, "conn", (ULONG_PTR)conn);
    return call_end_decimal(&c, 0);
}

extern "C" DWORD WINAPI RasEnumConnectionsA(LPRASCONNA conns, LPDWORD lpcb, LPDWORD count)
{
    Call c;
    call_begin(&c, "RasEnumConnectionsA");
    log_pointer(&c.ln, "conns", conns);
    log_decimal_at(&c.ln, "cb", lpcb);
    log_pointer(&c.ln, "count", count);
    return call_end_decimal(&c, 0);
}

extern "C" DWORD WINAPI RasEditPhonebookEntryA(HWND owner, LPCSTR phonebook, LPCSTR entry)
{
    Call c;
    call_begin(&c, "RasEditPhonebookEntryA");
    log_pointer(&c.ln, "owner", owner);
    log_string(&c.ln, "phonebook", phonebook);
    log_string(&c.ln, "entry", entry);
    return call_end_decimal(&c, 0);
}

extern "C" DWORD WINAPI RasCreatePhonebookEntryA(HWND owner, LPCSTR phonebook)
{
    Call c;
    call_begin(&c, "RasCreatePhonebookEntryA");
    log_pointer(&c.ln, "owner", owner);
    log_string(&c.ln, "phonebook", phonebook);
    return call_end_decimal(&c, 0);
}
