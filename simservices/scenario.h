// Scenario and call log shared by the simulated rasapi32.dll and Tapi32.dll.
//
// SIMSERVICE_SCENARIO names an INI file by its full path. It is read afresh
// at every call, so a test may rewrite it between calls. Unset variable or
// missing file: empty phonebook, no telephony device, every call succeeds.
// Keys are looked up as the profile service does (names without regard to
// case, blanks around names and values dropped, one pair of quotes around a
// value removed, the first of repeated keys), but in a copy of the file read
// once per call: the service re-parses a file written in the last seconds
// on every lookup, which made a campaign of thousands of scenarios crawl.
// Only the first MiB of the file counts.
//
// Numbers in the file are read with strtol/strtoul base 0 as 32-bit values
// (632, 0x80000042 and -1 all work); a value that is not a number counts as
// absent.
//
// Texts the services hand out (device names, phonebook entries, error texts)
// are bytes in the process's ANSI code page: the 8-bit entry points give them
// as they are, the wide ones decode them. With [sim] Utf8=1 they are UTF-8
// instead: the wide entry points give UTF-16, the 8-bit ones the ANSI code
// page's bytes, with a best-fit or the default character for what it lacks
// (WideCharToMultiByte without flags), as a Unicode service's 8-bit calls
// do. Limits on a text count the bytes or UTF-16 units that the entry point
// gives.
//
// While SIMSERVICE_SCENARIO is set, every call appends one line, ended by
// CR LF, to "<scenario path>.log", unless the scenario says [sim] Log=0
// (a campaign of thousands of scenarios that reads no log saves the time).
// [sim] Delay=<ms> makes every call wait that long first (at most 1000 ms).
// Each line reads:
//
//   Name arg=value ... -> result [out=value ...]
//
// Values: a NULL pointer is "(null)"; other pointers are "set"; strings are
// written as they are, wide ones in UTF-8 (control characters shown as '?');
// handles are "0x" and upper-case hex without padding. RAS results and plain
// counts are unsigned decimal. TAPI results, versions and extension versions are "0"
// when zero, otherwise "0x" and eight upper-case hex digits. All numbers read
// back with strtoul(value, 0, 0). Values after the result are the ones the
// call wrote to the caller; they appear only when written.
//
//   RasEnumEntriesA reserved=S phonebook=S dwSize=D cb=D -> R [cb=D entries=D]
//       dwSize: the first record's dwSize as passed; "(null)" for a NULL
//       buffer, "?" when cb is NULL or below 4. cb: *lpcb as passed or
//       "(null)". The outputs follow results 0 and 603 only; after 603, cb is
//       the byte count needed (or [ras] NeededBytes).
//   RasEnumEntriesW reserved=S phonebook=S dwSize=D cb=D -> R [cb=D entries=D]
//       As RasEnumEntriesA, in the wide call's own record sizes and bytes.
//   RasGetErrorStringA code=D size=D -> R
//   RasGetErrorStringW code=D size=D -> R
//       size: in characters.
//   RasDialA extensions=P phonebook=S params=P notifierType=D notifier=P conn=P -> 0
//   RasGetConnectStatusA conn=H status=P -> 0
//   RasGetProjectionInfoA conn=H projection=0xX info=P cb=D -> 0
//   RasHangUpA conn=H -> 0
//   RasEnumConnectionsA conns=P cb=D count=P -> 0
//   RasEditPhonebookEntryA owner=P phonebook=S entry=S -> 0
//   RasCreatePhonebookEntryA owner=P phonebook=S -> 0
//
//   lineInitialize instance=P callback=P app=S -> T [devices=D]
//   lineNegotiateAPIVersion device=D low=V high=V -> T [version=V]
//   lineGetDevCaps device=D version=V ext=V total=D -> T
//       total: dwTotalSize as passed, "(null)" for a NULL block.
//   lineGetDevCapsW device=D version=V ext=V total=D -> T
//   lineShutdown app=H -> 0
//   lineConfigDialog device=D owner=P class=S -> 0
//
// (S string, P pointer, H handle, D decimal, R RAS result, T TAPI result,
// V version; "cb=D" is "(null)" for a NULL pointer.)
#ifndef SIMSERVICES_SCENARIO_H
#define SIMSERVICES_SCENARIO_H

#include <windows.h>

struct Scenario {
    bool set;            // SIMSERVICE_SCENARIO is set (and fits)
    char path[1024];
    const char *text;    // the file as read by scenario_open (one per process)
    DWORD length;
    bool log;            // calls are logged
};

// Reads SIMSERVICE_SCENARIO and the file it names.
void scenario_open(Scenario *sc);

// Copies the value of [section] key into buf (always terminated, cut to
// fit). False, with buf empty, when the key is absent.
bool scenario_string(const Scenario *sc, const char *section, const char *key,
                     char *buf, DWORD size);

// A text the service hands out, in the width of the entry point that gives
// it (see above); size counts chars or WCHARs. Cut to fit, always terminated;
// false, with buf empty, when the key is absent.
bool scenario_text(const Scenario *sc, const char *section, const char *key,
                   char *buf, DWORD size);
bool scenario_text(const Scenario *sc, const char *section, const char *key,
                   WCHAR *buf, DWORD size);

// False when the key is absent or not a number.
bool scenario_number(const Scenario *sc, const char *section, const char *key,
                     DWORD *value);
DWORD scenario_number_or(const Scenario *sc, const char *section, const char *key,
                         DWORD fallback);

// Writes prefix followed by n in decimal ("Entry" 3 -> "Entry3").
void scenario_key(char *buf, size_t size, const char *prefix, DWORD n);

// Parses one number as the scenario does; false when text holds none.
bool scenario_parse(const char *text, DWORD *value, const char **end);

// One log line, built piece by piece, cut short rather than overflowing.
struct LogLine {
    char text[2048];
    unsigned len;
};

void log_begin(LogLine *ln, const char *function);
void log_text(LogLine *ln, const char *text);
void log_string(LogLine *ln, const char *key, const char *value);
void log_string(LogLine *ln, const char *key, const WCHAR *value);
void log_pointer(LogLine *ln, const char *key, const void *value);
void log_decimal(LogLine *ln, const char *key, DWORD value);
void log_handle(LogLine *ln, const char *key, ULONG_PTR value);
void log_code(LogLine *ln, const char *key, DWORD value);     // 0 or 0x%08X
void log_result_decimal(LogLine *ln, DWORD result);
void log_result_code(LogLine *ln, DWORD result);
// Appends the line to the log (nothing when the scenario is unset).
void log_write(const Scenario *sc, LogLine *ln);
// "key=D" of *value, or "key=(null)".
void log_decimal_at(LogLine *ln, const char *key, const DWORD *value);

// One call of a simulated entry point: the scenario read afresh and the
// call's log line.
struct Call {
    Scenario sc;
    LogLine ln;
};
void call_begin(Call *call, const char *function);
// Ends the line with the result (RAS: decimal; TAPI: code), writes it and
// returns the result.
DWORD call_end_decimal(Call *call, DWORD result);
DWORD call_end_code(Call *call, DWORD result);

#endif
