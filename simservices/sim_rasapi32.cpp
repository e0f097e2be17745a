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
//   ErrorText.<code>=text       RasGetErrorString (up to 4095 characters); none
//                               gives 87
//   ErrorTextUnterminated=1     the text fills the caller's buffer, no zero
//   ErrorStringResult=code      RasGetErrorString returns it, writes nothing
//
// The wide calls take the same keys. RasEnumEntriesW's records are 1048,
// 520 and 48 bytes, their name field the rest of the record in WCHARs;
// AcceptSizes and SizeError.<size> name the 8-bit sizes, to which the wide
// ones map (1048->532, 520->264, 48->28; other sizes stay as they are).
// Byte counts (cb, NeededBytes) are the call's own. RasGetErrorStringW
// counts its buffer and the text's limit in characters.
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

// The record layouts of each release, 8-bit and wide. [ras] keys name the
// 8-bit sizes; other sizes are the same in both widths.
static const DWORD kLayouts[][2] = {{532, 1048}, {264, 520}, {28, 48}};

// `size` of width `from` (0: 8-bit, 1: wide) as a size of width `to`.
static DWORD layout_size(DWORD size, int from, int to)
{
    for (const auto &layout : kLayouts)
        if (layout[from] == size)
            return layout[to];
    return size;
}

// The record size, in the call's own width, used to count the bytes needed
// when the caller passes no buffer.
template <typename C>
static DWORD first_accepted_size(const Scenario *sc)
{
    char list[256];
    DWORD v;
    if (scenario_string(sc, kRas, "AcceptSizes", list, sizeof list) &&
        scenario_parse(list, &v, NULL)) {
        v = layout_size(v, 0, sizeof(C) - 1);
        if (v >= sizeof(DWORD) + sizeof(C))
            return v;
    }
    return layout_size(532, 0, sizeof(C) - 1);
}

// Writes record i (0-based) of the phonebook at rec, which has room for
// `room` bytes (stride or more for the last record, never past the buffer).
// The name field is the rest of the record, in characters of type C.
template <typename C>
static void fill_record(const Scenario *sc, BYTE *rec, DWORD stride, DWORD room, DWORD i,
                        DWORD unterminated)
{
    memset(rec, 0, stride);
    memcpy(rec, &stride, sizeof stride);

    char key[32];
    C name[1024];
    scenario_key(key, sizeof key, "Entry", i + 1);
    scenario_text(sc, kRas, key, name, 1024);
    size_t len = 0;
    while (name[len])
        len++;

    BYTE *field = rec + sizeof(DWORD);
    if (unterminated == i + 1) {
        // The name's bytes up to the end of its field with no zero; the last
        // record runs on to the end of the caller's buffer.
        if (len == 0) {
            name[0] = 'X';
            len = 1;
        }
        const BYTE *text = (const BYTE *)name;
        for (DWORD j = 0; j < room - sizeof(DWORD); j++)
            field[j] = text[j % (len * sizeof(C))];
        return;
    }
    // Records need not be aligned: the caller chose the stride.
    size_t max = (stride - sizeof(DWORD)) / sizeof(C) - 1;
    if (len > max)
        len = max;
    name[len] = 0;
    memcpy(field, name, (len + 1) * sizeof(C));
}

template <typename C>
static DWORD enum_entries(const char *function, const C *reserved, const C *phonebook,
                          BYTE *buf, LPDWORD lpcb, LPDWORD lpcEntries)
{
    Call c;
    call_begin(&c, function);
    log_string(&c.ln, "reserved", reserved);
    log_string(&c.ln, "phonebook", phonebook);

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
    DWORD narrow = layout_size(stride, sizeof(C) - 1, 0);
    if (!lpcb || !lpcEntries) {
        result = kInvalidParameter;
    } else if (buf && (!readable || stride < sizeof(DWORD) + sizeof(C) ||
                       !size_accepted(&c.sc, narrow))) {
        char key[32];
        scenario_key(key, sizeof key, "SizeError.", narrow);
        if (!scenario_number(&c.sc, kRas, key, &result))
            result = scenario_number_or(&c.sc, kRas, "SizeError", kInvalidSize);
    } else if (scenario_number(&c.sc, kRas, "EnumResult", &forced)) {
        result = forced;
    } else {
        if (!buf)
            stride = first_accepted_size<C>(&c.sc);
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
                fill_record<C>(&c.sc, buf + offset, stride, room, i, unterminated);
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

extern "C" DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook,
                                        LPRASENTRYNAMEA entries, LPDWORD lpcb,
                                        LPDWORD lpcEntries)
{
    return enum_entries("RasEnumEntriesA", reserved, phonebook, (BYTE *)entries, lpcb,
                        lpcEntries);
}

extern "C" DWORD WINAPI RasEnumEntriesW(LPCWSTR reserved, LPCWSTR phonebook,
                                        LPRASENTRYNAMEW entries, LPDWORD lpcb,
                                        LPDWORD lpcEntries)
{
    return enum_entries("RasEnumEntriesW", reserved, phonebook, (BYTE *)entries, lpcb,
                        lpcEntries);
}

// size counts characters of type C.
template <typename C>
static DWORD get_error_string(const char *function, UINT code, C *buf, DWORD size)
{
    Call c;
    call_begin(&c, function);
    log_decimal(&c.ln, "code", code);
    log_decimal(&c.ln, "size", size);

    DWORD result;
    char key[32];
    scenario_key(key, sizeof key, "ErrorText.", code);
    C text[4096];
    if (scenario_number(&c.sc, kRas, "ErrorStringResult", &result)) {
        // Forced result: nothing written.
    } else if (!scenario_text(&c.sc, kRas, key, text, 4096) || !buf || size == 0) {
        result = kInvalidParameter;
    } else {
        size_t len = 0;
        while (text[len])
            len++;
        if (scenario_number_or(&c.sc, kRas, "ErrorTextUnterminated", 0)) {
            // As much of the text as the buffer holds, and no zero after it.
            for (DWORD i = 0; i < size; i++)
                buf[i] = len ? text[i % len] : 'X';
        } else {
            if (len > size - 1)
                len = size - 1;
            memcpy(buf, text, len * sizeof(C));
            buf[len] = 0;
        }
        result = 0;
    }

    return call_end_decimal(&c, result);
}

extern "C" DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buf, DWORD size)
{
    return get_error_string("RasGetErrorStringA", code, buf, size);
}

extern "C" DWORD WINAPI RasGetErrorStringW(UINT code, LPWSTR buf, DWORD size)
{
    return get_error_string("RasGetErrorStringW", code, buf, size);
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
