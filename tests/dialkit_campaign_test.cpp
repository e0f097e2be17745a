// Dialkit's list functions against thousands of random, hostile services in
// one process. Every call is checked against the rules a host relies on; a
// broken rule names its seed, so that one scenario can be replayed alone:
//   DIALKIT_CAMPAIGN_SEED=<seed>   that scenario only, printed
//   DIALKIT_CAMPAIGN_COUNT=<n>     seeds 1..n (default 2,000)
//   KIT_CAMPAIGN=long              seeds 1..100,000
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "dialkit_host.h"
#include "hostile_scenario.h"
#include "picker_driver.h"
#include "test_files.h"

namespace {

constexpr size_t BufferSize = sizeof(CallerBuffer::bytes);
constexpr unsigned DefaultCount = 2000;
constexpr unsigned LongCount = 100000;
constexpr DWORD HangSeconds = 60;

struct Violation {
    unsigned seed;
    std::string where, rule, detail;
};

std::vector<Violation> Violations;
const HostileScenario *Current;
const char *CurrentCall = "";
volatile LONG Heartbeat;

void Broken(const char *where, const std::string &rule, const std::string &detail = "")
{
    Violations.push_back({Current->seed, where, rule, detail});
}

void PrintScenario(const char *what)
{
    fprintf(stderr, "\n%s in %s, seed %u (replay: DIALKIT_CAMPAIGN_SEED=%u)\n-- scenario --\n%s\n",
            what, CurrentCall, Current->seed, Current->seed, Current->text.c_str());
    fflush(stderr);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS *info)
{
    char what[64];
    snprintf(what, sizeof what, "crash 0x%08lX",
             static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    PrintScenario(what);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Stops the run with its scenario when one call takes longer than any could.
DWORD WINAPI Watch(void *done)
{
    LONG last = -1;
    while (WaitForSingleObject(done, HangSeconds * 1000) == WAIT_TIMEOUT) {
        if (Heartbeat == last && Current) {
            PrintScenario("hang");
            TerminateProcess(GetCurrentProcess(), 4);
        }
        last = Heartbeat;
    }
    return 0;
}

bool HasFiller(const std::string &text)
{
    return text.find('\xab') != std::string::npos || text.find('\xcc') != std::string::npos;
}

bool PlainName(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), IsNameCharacter);
}

bool Allowed(const std::vector<LONG> &codes, int result)
{
    return std::find(codes.begin(), codes.end(), result) != codes.end();
}

// A text's length in the characters of its buffer: bytes, or UTF-16 code
// units for a wide buffer (whose text comes back in UTF-8).
size_t Characters(const std::string &text, bool wide)
{
    return wide ? Wide(text).size() : text.size();
}

// A list of entries each ending in "\n", within 1022 characters; the entries
// come back without their "\n".
bool ParseList(const char *where, const CallerBuffer &buffer, std::vector<std::string> *entries)
{
    std::string text;
    if (!buffer.Text(&text)) {
        Broken(where, "list unterminated");
        return false;
    }
    if (Characters(text, buffer.wide) > BufferSize - 2)
        Broken(where, "list longer than 1022", std::to_string(text.size()));
    if (!text.empty() && text.back() != '\n') {
        Broken(where, "list entry without \\n", text.substr(text.size() > 40 ? text.size() - 40 : 0));
        return false;
    }
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        entries->push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

void CheckReport(const char *where, const CallerBuffer &report, const char *prefix)
{
    std::string text;
    if (!report.Text(&text))
        Broken(where, "report unterminated");
    else if (text.compare(0, strlen(prefix), prefix) != 0)
        Broken(where, "report without its prefix", text.substr(0, 40));
    else if (HasFiller(text))
        Broken(where, "report holds filler bytes");
}

void CheckEntries(const char *where, const std::vector<std::string> &entries, bool plain)
{
    for (const std::string &e : entries) {
        if (plain ? !PlainName(e) : HasFiller(e)) {
            std::string bytes;
            for (unsigned char c : e.substr(0, 16)) {
                char hex[4];
                snprintf(hex, sizeof hex, "%02X ", c);
                bytes += hex;
            }
            Broken(where, "entry read outside the names", bytes);
            return;
        }
    }
}

void CheckPhonebook(const HostileScenario &s, int result, const CallerBuffer &list,
                    const CallerBuffer &report)
{
    const char *where = CurrentCall;
    const RasFacts &f = s.ras;
    if (!list.GuardIntact() || !report.GuardIntact())
        Broken(where, "wrote past byte 1023");
    if (result != 0 && !Allowed(f.codes, result))
        Broken(where, "undocumented result", std::to_string(result));
    if (result == 621 || (result == -1 && f.variant == "none")) {
        if (!list.Untouched() || !report.Untouched())
            Broken(where, "buffers touched", std::to_string(result));
        return;
    }
    if (result != 0) {
        if (!list.Untouched())
            Broken(where, "list touched on failure");
        CheckReport(where, report, "RAS ERROR : ");
        return;
    }
    std::string text;
    if (!report.Text(&text) || !text.empty())
        Broken(where, "report not emptied");
    // The wide call's records are those of the same release, in UTF-16.
    DWORD layout = f.layout, stride = f.stride;
    if (list.wide) {
        layout = f.layout == 532 ? 1048 : f.layout == 264 ? 520 : f.layout == 28 ? 48 : f.layout;
        stride = f.resized ? f.stride : layout;
    }
    std::vector<std::string> entries;
    if (!ParseList(where, list, &entries))
        return;
    CheckEntries(where, entries, stride == layout);
    LONG listed = static_cast<LONG>(entries.size());
    if (listed > std::max<LONG>(f.reported, 0))
        Broken(where, "more entries than reported", std::to_string(listed));
    // Records are walked only inside the bytes the service was given.
    DWORD fit = stride > sizeof(DWORD) ? layout * f.records / stride : 0;
    if (static_cast<DWORD>(listed) > fit)
        Broken(where, "phantom entries",
               std::to_string(listed) + " listed, " + std::to_string(fit) + " fit");
}

// The entries a modem list gathered (all of them, or those before a
// failure), and their number when the call answered with it.
void CheckGathered(const char *where, const TapiFacts &f, const CallerBuffer &list,
                   const int *count)
{
    std::vector<std::string> entries;
    if (!ParseList(where, list, &entries))
        return;
    if (count && static_cast<size_t>(*count) != entries.size())
        Broken(where, "result is not the number of entries",
               std::to_string(*count) + " / " + std::to_string(entries.size()));
    if (f.plainNames)
        CheckEntries(where, entries, true);
    if (f.plainNames && entries.size() > f.possibleEntries)
        Broken(where, "entry from outside the capability block",
               std::to_string(entries.size()) + " entries, " + std::to_string(f.possibleEntries) +
                   " possible");
}

void CheckModems(const HostileScenario &s, int result, const CallerBuffer &list,
                 const CallerBuffer &report, const PickerSeen &seen)
{
    const char *where = CurrentCall;
    const TapiFacts &f = s.tapi;
    if (!list.GuardIntact() || !report.GuardIntact())
        Broken(where, "wrote past byte 1023");
    if (result != 0 && result != 1 && !Allowed(f.codes, result))
        Broken(where, "undocumented result", std::to_string(result));
    if (seen.shown != (result == 1))
        Broken(where, seen.shown ? "picker shown on failure" : "picker not shown");
    if (result == 0 || (result == -1 && f.variant == "none")) {
        if (!list.Untouched() || !report.Untouched())
            Broken(where, "buffers touched", std::to_string(result));
        return;
    }
    if (result == 1) {
        std::string text, choice;
        if (!report.Text(&text) || !text.empty())
            Broken(where, "report not emptied");
        size_t total = 0;
        for (const std::string &item : seen.items)
            total += Characters(item, list.wide) + 1;
        if (total > BufferSize - 2)
            Broken(where, "picker items longer than 1022", std::to_string(total));
        // A name read from the header may hold a "\n" and count twice.
        if (f.plainNames && seen.items.size() > f.possibleEntries)
            Broken(where, "entry from outside the capability block",
                   std::to_string(seen.items.size()) + " items");
        // Header fields hold any byte, fillers included: names read there are
        // not checked.
        if (f.plainNames)
            CheckEntries(where, seen.items, true);
        // An item that does not exist leaves the selection as it was.
        size_t chosen = static_cast<size_t>(seen.chosen);
        if (f.action == PickerAction::Cancel)
            choice = "CANCEL";
        else if (chosen < seen.items.size())
            choice = seen.items[chosen];
        if (!list.Text(&text) || text != choice)
            Broken(where, "list is not the choice", text.substr(0, 40) + " / " + choice.substr(0, 40));
        return;
    }
    CheckReport(where, report, "TAPI ERROR : ");
    if (!list.Untouched())
        CheckGathered(where, f, list, nullptr);
}

// The quiet list walks as ListTAPIModems does, shows nothing and returns
// the number of names it listed.
void CheckQuietModems(const HostileScenario &s, int result, const CallerBuffer &list,
                      const CallerBuffer &report, const PickerSeen &seen)
{
    const char *where = CurrentCall;
    const TapiFacts &f = s.tapi;
    if (!list.GuardIntact() || !report.GuardIntact())
        Broken(where, "wrote past byte 1023");
    if (seen.created)
        Broken(where, "picker created");
    if ((result == 0 || (result == -1 && f.variant == "none")) && list.Untouched() &&
        report.Untouched())
        return;
    std::string text;
    if (result >= 0 && report.Text(&text) && text.empty()) {
        CheckGathered(where, f, list, &result);
        return;
    }
    if (!Allowed(f.codes, result))
        Broken(where, "undocumented result", std::to_string(result));
    CheckReport(where, report, "TAPI ERROR : ");
    if (!list.Untouched())
        CheckGathered(where, f, list, nullptr);
}

// Both calls read one scenario file; the services' folder changes with the
// variant.
std::string Services;

void Serve(const std::string &variant, const std::string &text, bool written)
{
    if (variant != Services) {
        UseServices(variant, text);
        Services = variant;
    } else if (!written) {
        RewriteScenario(text);
    }
}

void AfterCall(const char *where, const char *file)
{
    InterlockedIncrement(&Heartbeat);
    if (ModuleLoaded(file))
        Broken(where, "service left loaded");
    if (!HeapValidate(GetProcessHeap(), 0, nullptr))
        Broken(where, "heap damaged");
}

const ListExport Phonebook = {"ListRASConnections", &Dialkit::ListRASConnections, nullptr};
const ListExport PhonebookW = {"ListRASConnectionsW", nullptr, &Dialkit::ListRASConnectionsW};
const ListExport Modems[2][2] = {
    {{"ListTAPIModems", &Dialkit::ListTAPIModems, nullptr},
     {"ListTAPIModemsQuiet", &Dialkit::ListTAPIModemsQuiet, nullptr}},
    {{"ListTAPIModemsW", nullptr, &Dialkit::ListTAPIModemsW},
     {"ListTAPIModemsQuietW", nullptr, &Dialkit::ListTAPIModemsQuietW}},
};

void RunScenario(const HostileScenario &s)
{
    const Dialkit &kit = TheDialkit();
    Current = &s;
    // The wide lists every other pair of seeds, so that each modem list
    // meets every width.
    bool wide = s.seed / 2 % 2 == 1;

    const ListExport &phonebook = wide ? PhonebookW : Phonebook;
    CurrentCall = phonebook.name;
    Serve(s.ras.variant, s.text, false);
    if (s.ras.hostBinds)
        kit.LoadRASLib();
    CallerBuffer rasList(wide), rasReport(wide);
    int result = phonebook(rasList, rasReport);
    AfterCall(CurrentCall, "rasapi32.dll");
    CheckPhonebook(s, result, rasList, rasReport);
    kit.UnLoadRASLib();

    // One modem list per scenario, in turn: both walk alike, and a second
    // call would cost half the campaign's time again.
    bool quiet = s.seed % 2 == 0;
    const ListExport &modems = Modems[wide][quiet];
    CurrentCall = modems.name;
    Serve(s.tapi.variant, s.text, true);
    if (s.tapi.hostBinds)
        kit.LoadTAPILib();
    CallerBuffer tapiList(wide), tapiReport(wide);
    PickerSeen seen;
    {
        // The quiet list refuses a picker it should not make, not left waiting.
        PickerDriver driver(quiet ? PickerAction::RefuseToCreate : s.tapi.action, s.tapi.item);
        result = modems(tapiList, tapiReport);
        seen = driver.Seen();
    }
    AfterCall(CurrentCall, "Tapi32.dll");
    if (quiet)
        CheckQuietModems(s, result, tapiList, tapiReport, seen);
    else
        CheckModems(s, result, tapiList, tapiReport, seen);
    kit.UnLoadTAPILib();
}

unsigned EnvNumber(const char *name, unsigned fallback)
{
    char text[32];
    DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    return n && n < sizeof text ? static_cast<unsigned>(strtoul(text, nullptr, 0)) : fallback;
}

TEST(HostileServices, EveryCallKeepsTheRules)
{
    ASSERT_NE(TheDialkit().module, nullptr);
    char mode[16] = {};
    GetEnvironmentVariableA("KIT_CAMPAIGN", mode, sizeof mode);
    unsigned first = 1;
    unsigned count = EnvNumber("DIALKIT_CAMPAIGN_COUNT",
                               strcmp(mode, "long") == 0 ? LongCount : DefaultCount);
    unsigned replay = EnvNumber("DIALKIT_CAMPAIGN_SEED", 0);
    if (replay) {
        first = replay;
        count = 1;
    }

    Violations.clear();
    Services.clear();
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(OnCrash);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watcher = CreateThread(nullptr, 0, Watch, done, 0, nullptr);
    auto start = std::chrono::steady_clock::now();
    for (unsigned seed = first; seed < first + count; seed++) {
        HostileScenario s = MakeHostileScenario(seed);
        if (replay)
            printf("-- scenario %u --\n%s\n", seed, s.text.c_str());
        RunScenario(s);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Current = nullptr;
    SetEvent(done);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    CloseHandle(done);
    SetUnhandledExceptionFilter(previous);
    printf("%u scenarios (seeds %u..%u), the phonebook and one modem list each: %.1f s\n", count, first,
           first + count - 1, seconds);

    size_t broken = 0;
    for (const Violation &v : Violations) {
        if (broken++ == 0)
            printf("-- scenario %u --\n%s\n", v.seed, MakeHostileScenario(v.seed).text.c_str());
        if (broken <= 20)
            ADD_FAILURE() << v.where << ": " << v.rule << " (" << v.detail << "), seed " << v.seed
                          << "; replay with DIALKIT_CAMPAIGN_SEED=" << v.seed;
    }
    if (broken > 20)
        ADD_FAILURE() << broken - 20 << " more broken rules";
}

} // namespace
