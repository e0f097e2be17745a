#pragma once
// A host of Dialkit.dll for the tests: the DLL loaded by path, and the
// simulated services switched per test.

#include <windows.h>

#include <string>
#include <vector>

typedef int(WINAPI *ListFunction)(char *list, char *errorReport);
typedef int(WINAPI *WideListFunction)(WCHAR *list, WCHAR *errorReport);
typedef INT_PTR(WINAPI *BindFunction)(void);

struct Dialkit {
    HMODULE module;
    ListFunction ListTAPIModems;
    ListFunction ListRASConnections;
    BindFunction LoadTAPILib;
    BindFunction UnLoadTAPILib;
    BindFunction LoadRASLib;
    BindFunction UnLoadRASLib;
    ListFunction ListTAPIModemsQuiet;
    WideListFunction ListTAPIModemsW;
    WideListFunction ListTAPIModemsQuietW;
    WideListFunction ListRASConnectionsW;
};

// Dialkit.dll beside the test program, loaded once per process.
const Dialkit &TheDialkit();

// The simulated services: `variant` is a folder under sim\ ("full",
// "ras-noedit", "none", ...), whose stand-ins are put in the system folder.
// The scenario file's text is written as given, its call log emptied.
void UseServices(const std::string &variant, const std::string &scenario);
// The call log lines of the simulated services since UseServices.
std::vector<std::string> ServiceCalls();
// Only the lines that start with `function`.
std::vector<std::string> ServiceCalls(const std::string &function);
// Rewrites the scenario and keeps the log.
void RewriteScenario(const std::string &scenario);

bool ModuleLoaded(const char *name);

// A 32-bit code as a scenario writes it: "0x" and eight hex digits.
std::string Hex(DWORD value);

// Swaps the address `from` for `to` in the import address table of
// `module` (Dialkit's, to make a system call fail or behave as an older
// one); false when the module does not import `from`.
bool PatchImport(HMODULE module, FARPROC from, FARPROC to);

// Any function as a FARPROC, for PatchImport.
template <typename F>
FARPROC AsFarProc(F function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Dialkit's import of `name` (exported by `dll`) swapped for `with` while
// this lives, also when an assertion ends the test early; a null `with`
// patches nothing.
struct PatchedImport {
    FARPROC real, fake;
    bool patched;
    PatchedImport(const char *dll, const char *name, FARPROC with);
    ~PatchedImport();
};

// The system folder, with a trailing backslash.
std::string SystemFolder();

// A caller buffer of 1024 characters, bytes for the 8-bit exports or WCHARs
// for the wide ones, filled with 0xcc so that "left as given" and any write
// past the text show, followed by sentinels that a write past the buffer
// would change.
struct CallerBuffer {
    union {
        char bytes[1024];
        WCHAR chars[1024];
    };
    unsigned char guard[64];
    bool wide;
    explicit CallerBuffer(bool wide = false);
    CallerBuffer(const CallerBuffer &) = delete;
    bool Untouched() const;
    bool GuardIntact() const;
    // Up to the terminator, a wide text in UTF-8; "(unterminated)" if none.
    std::string Text() const;
    bool Text(std::string *text) const;   // false, text untouched, if unterminated
};

// A list export of either width, called with buffers of its width.
struct ListExport {
    const char *name;
    ListFunction Dialkit::*narrow;
    WideListFunction Dialkit::*wide;   // set for the wide exports
    bool Wide() const { return wide != nullptr; }
    int operator()(CallerBuffer &list, CallerBuffer &report) const;
};
