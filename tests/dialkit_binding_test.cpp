// Dialkit's frame: its exports, and the binding of the two services.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "dialkit_host.h"
#include "test_files.h"

namespace {

class Binding : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(TheDialkit().module, nullptr) << "Dialkit.dll beside the test";
    }
    void TearDown() override
    {
        TheDialkit().UnLoadRASLib();
        TheDialkit().UnLoadTAPILib();
    }
    const Dialkit &kit = TheDialkit();
};

TEST_F(Binding, ExportsAreTheSameByNameAndByOrdinal)
{
    static const struct { const char *name; WORD ordinal; } exports[] = {
        {"ListTAPIModems", 2}, {"ListRASConnections", 3}, {"LoadTAPILib", 4},
        {"UnLoadTAPILib", 5}, {"LoadRASLib", 6},         {"UnLoadRASLib", 7},
        {"ListTAPIModemsQuiet", 8}, {"ListTAPIModemsW", 9}, {"ListTAPIModemsQuietW", 10},
        {"ListRASConnectionsW", 11},
    };
    for (const auto &e : exports) {
        FARPROC byName = GetProcAddress(kit.module, e.name);
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(byName, GetProcAddress(kit.module, MAKEINTRESOURCEA(e.ordinal))) << e.name;
    }
    EXPECT_EQ(GetProcAddress(kit.module, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, MAKEINTRESOURCEA(12)), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, "ListTAPIModems@8"), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, "ListTAPIModemsQuiet@8"), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, "ListRASConnectionsW@8"), nullptr);
}

// Per service: the load and unload exports, the stand-in's file name, and
// the variant that lacks an entry point nothing calls.
struct Service {
    const char *name;
    BindFunction Dialkit::*load;
    BindFunction Dialkit::*unload;
    const char *file;
    const char *lackingVariant;
};
const Service Services[] = {
    {"telephony", &Dialkit::LoadTAPILib, &Dialkit::UnLoadTAPILib, "Tapi32.dll", "tapi-noconfig"},
    {"remote access", &Dialkit::LoadRASLib, &Dialkit::UnLoadRASLib, "rasapi32.dll", "ras-noedit"},
};

TEST_F(Binding, LoadTwiceGivesTheSameHandleAndLoadsOnce)
{
    for (const Service &s : Services) {
        UseServices("full", "");
        INT_PTR first = (kit.*s.load)();
        EXPECT_EQ(first, reinterpret_cast<INT_PTR>(GetModuleHandleA(s.file))) << s.name;
        EXPECT_GE(static_cast<UINT_PTR>(first), 32u) << s.name;
        EXPECT_EQ((kit.*s.load)(), first) << s.name;
        // One unload releases it: the second load took no reference.
        EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
        EXPECT_FALSE(ModuleLoaded(s.file)) << s.name;
        EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
    }
}

TEST_F(Binding, MissingEntryPointGives20ThenTheHandle)
{
    for (const Service &s : Services) {
        UseServices(s.lackingVariant, "");
        EXPECT_EQ((kit.*s.load)(), 20) << s.name;
        HMODULE held = GetModuleHandleA(s.file);
        EXPECT_NE(held, nullptr) << s.name << ": stays loaded";
        EXPECT_EQ((kit.*s.load)(), reinterpret_cast<INT_PTR>(held)) << s.name;
        EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
        EXPECT_FALSE(ModuleLoaded(s.file)) << s.name;
    }
}

TEST_F(Binding, MissingLibraryGives0AndKeepsTheErrorMode)
{
    UseServices("none", "");
    UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
    for (const Service &s : Services) {
        EXPECT_EQ((kit.*s.load)(), 0) << s.name;
        EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
    }
    EXPECT_EQ(SetErrorMode(mode), static_cast<UINT>(SEM_FAILCRITICALERRORS));

    CallerBuffer list, report;
    EXPECT_EQ(kit.ListRASConnections(list.bytes, report.bytes), -1);
    EXPECT_TRUE(list.Untouched() && report.Untouched());
    EXPECT_EQ(kit.ListTAPIModems(list.bytes, report.bytes), -1);
    EXPECT_EQ(kit.ListTAPIModemsQuiet(list.bytes, report.bytes), -1);
    EXPECT_TRUE(list.Untouched() && report.Untouched());
}

// A load made while another call binds the service, before that call holds
// the handle (here: from inside its load of the library), answers as that
// load does, and keeps nothing loaded.
BindFunction NestedLoad;
INT_PTR NestedAnswer;

HMODULE WINAPI LoadWithNestedLoad(LPCSTR name, HANDLE file, DWORD flags)
{
    HMODULE module = LoadLibraryExA(name, file, flags);
    DWORD error = GetLastError();
    BindFunction load = NestedLoad;
    NestedLoad = nullptr;
    if (load)
        NestedAnswer = load();
    SetLastError(error);
    return module;
}

TEST_F(Binding, LoadDuringAnotherCallsBindAnswersAsALoad)
{
    PatchedImport nested("kernel32.dll", "LoadLibraryExA", AsFarProc(LoadWithNestedLoad));
    ASSERT_TRUE(nested.patched);
    for (const Service &s : Services) {
        for (const char *variant : {"full", s.lackingVariant, "none"}) {
            UseServices(variant, "");
            NestedLoad = kit.*s.load;
            NestedAnswer = -1;
            INT_PTR answer = (kit.*s.load)();
            EXPECT_EQ(NestedAnswer, answer) << s.name << ", " << variant;
            EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
            EXPECT_FALSE(ModuleLoaded(s.file)) << s.name << ", " << variant;
        }
    }
}

TEST_F(Binding, ListFunctionsReleaseTheHostsBinding)
{
    UseServices("full", "[ras]\r\nEntries=1\r\nEntry1=Office\r\n");
    ASSERT_GE(static_cast<UINT_PTR>(kit.LoadRASLib()), 32u);
    CallerBuffer list, report;
    EXPECT_EQ(kit.ListRASConnections(list.bytes, report.bytes), 0);
    EXPECT_EQ(list.Text(), "Office\n");
    EXPECT_FALSE(ModuleLoaded("rasapi32.dll"));
    // And binds by itself again on the next call.
    EXPECT_EQ(kit.ListRASConnections(list.bytes, report.bytes), 0);
    EXPECT_EQ(ServiceCalls("RasEnumEntriesA").size(), 2u);
    EXPECT_FALSE(ModuleLoaded("rasapi32.dll"));
}

// A stand-in that lacks an entry point (a load that picks it up answers 20),
// planted where the loader's default search would find it first: beside the
// host and in the current folder.
class PlantedLibraries : public Binding {
protected:
    void SetUp() override
    {
        Binding::SetUp();
        GetCurrentDirectoryA(MAX_PATH, previousFolder);
        std::string current = MakeScratchFolder("kit-planted");
        for (const Service &s : Services) {
            std::string partial = ProgramFolder() + "..\\sim\\" + s.lackingVariant + "\\" + s.file;
            for (const std::string &folder : {ProgramFolder(), current}) {
                planted.push_back(folder + s.file);
                ASSERT_TRUE(CopyFileA(partial.c_str(), planted.back().c_str(), FALSE))
                    << planted.back();
            }
        }
        ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    }
    void TearDown() override
    {
        Binding::TearDown();
        SetCurrentDirectoryA(previousFolder);
        for (const std::string &file : planted)
            DeleteFileA(file.c_str());
    }
    char previousFolder[MAX_PATH] = {};
    std::vector<std::string> planted;
};

TEST_F(PlantedLibraries, AreNeverBoundTheSystemFoldersAre)
{
    UseServices("full", "[ras]\r\nEntries=1\r\nEntry1=Office\r\n");
    for (const Service &s : Services) {
        INT_PTR handle = (kit.*s.load)();
        EXPECT_NE(handle, 20) << s.name << ": a planted copy was bound";
        ASSERT_GE(static_cast<UINT_PTR>(handle), 32u) << s.name;
        char path[MAX_PATH] = {};
        GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), path, MAX_PATH);
        EXPECT_EQ(_stricmp(path, (SystemFolder() + s.file).c_str()), 0)
            << s.name << " bound from " << path;
        EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
    }
    CallerBuffer list, report;
    EXPECT_EQ(kit.ListRASConnections(list.bytes, report.bytes), 0);
    EXPECT_EQ(list.Text(), "Office\n");
}

TEST_F(PlantedLibraries, WithoutTheSystemFoldersTheServiceIsMissing)
{
    UseServices("none", "");
    for (const Service &s : Services) {
        EXPECT_EQ((kit.*s.load)(), 0) << s.name;
        EXPECT_FALSE(ModuleLoaded(s.file)) << s.name;
        EXPECT_EQ((kit.*s.unload)(), 0) << s.name;
    }
    CallerBuffer list, report, wideList(true), wideReport(true);
    EXPECT_EQ(kit.ListRASConnections(list.bytes, report.bytes), -1);
    EXPECT_EQ(kit.ListTAPIModems(list.bytes, report.bytes), -1);
    EXPECT_EQ(kit.ListRASConnectionsW(wideList.chars, wideReport.chars), -1);
    EXPECT_EQ(kit.ListTAPIModemsW(wideList.chars, wideReport.chars), -1);
    EXPECT_EQ(kit.ListTAPIModemsQuietW(wideList.chars, wideReport.chars), -1);
    EXPECT_TRUE(list.Untouched() && report.Untouched());
    EXPECT_TRUE(wideList.Untouched() && wideReport.Untouched());
}

// A loader that predates the search flags refuses them with
// ERROR_INVALID_PARAMETER: Dialkit's import of LoadLibraryExA is redirected
// to one that behaves so, and records the names it is given.
std::vector<std::string> OldLoaderNames;
// The process's and the thread's error modes while the library loads.
UINT ProcessModeAtLoad;
DWORD ThreadModeAtLoad;

// Vista has search flags only with an update, and no error mode per thread.
FARPROC WINAPI VistaGetProcAddress(HMODULE module, LPCSTR name)
{
    if ((reinterpret_cast<ULONG_PTR>(name) >> 16) && strcmp(name, "SetThreadErrorMode") == 0)
        return nullptr;
    return GetProcAddress(module, name);
}

HMODULE WINAPI OldLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags)
{
    OldLoaderNames.push_back(name);
    ProcessModeAtLoad = GetErrorMode();
    ThreadModeAtLoad = GetThreadErrorMode();
    if (flags & ~static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExA(name, file, flags);
}

TEST_F(PlantedLibraries, OnOlderLoadersTheSystemFolderPathIsUsed)
{
    PatchedImport old("kernel32.dll", "LoadLibraryExA", AsFarProc(OldLoadLibraryExA));
    ASSERT_TRUE(old.patched);
    // The host's flags stay set while the library loads. Where there is a
    // mode per thread, only this thread's changes: the host's other threads
    // may depend on the process's.
    const UINT hostMode = SEM_FAILCRITICALERRORS, quiet = hostMode | SEM_NOOPENFILEERRORBOX;
    UINT mode = SetErrorMode(hostMode);
    DWORD threadMode = 0;
    SetThreadErrorMode(hostMode, &threadMode);
    for (bool vista : {false, true}) {
        PatchedImport lookups("kernel32.dll", "GetProcAddress",
                              vista ? AsFarProc(VistaGetProcAddress) : nullptr);
        for (const Service &s : Services) {
            UseServices("full", "");
            OldLoaderNames.clear();
            INT_PTR handle = (kit.*s.load)();
            EXPECT_EQ(ProcessModeAtLoad, vista ? quiet : hostMode) << s.name << ", vista " << vista;
            EXPECT_EQ(ThreadModeAtLoad, vista ? hostMode : quiet) << s.name << ", vista " << vista;
            ASSERT_GE(static_cast<UINT_PTR>(handle), 32u) << s.name;
            char path[MAX_PATH] = {};
            GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), path, MAX_PATH);
            EXPECT_EQ(_stricmp(path, (SystemFolder() + s.file).c_str()), 0) << s.name;
            ASSERT_EQ(OldLoaderNames.size(), 2u) << s.name;
            EXPECT_EQ(_stricmp(OldLoaderNames[1].c_str(), (SystemFolder() + s.file).c_str()), 0)
                << OldLoaderNames[1];
            EXPECT_EQ((kit.*s.unload)(), 0) << s.name;

            UseServices("none", "");
            EXPECT_EQ((kit.*s.load)(), 0) << s.name;
        }
        EXPECT_EQ(GetThreadErrorMode(), hostMode) << "vista " << vista;
        EXPECT_EQ(GetErrorMode(), hostMode) << "vista " << vista;
    }
    SetThreadErrorMode(threadMode, nullptr);
    EXPECT_EQ(SetErrorMode(mode), hostMode);
}

// What Dialkit's run-time lookups of the WOW64 calls find: a 32-bit process
// on 64-bit Windows (or not), and the folder of its 32-bit system libraries.
struct {
    bool present;     // the system has IsWow64Process
    BOOL wow64;
    std::string folder;   // "": the query fails
} Wow64;

BOOL WINAPI FakeIsWow64Process(HANDLE, PBOOL wow64)
{
    *wow64 = Wow64.wow64;
    return TRUE;
}

UINT WINAPI FakeWow64Folder(LPWSTR folder, UINT size)
{
    std::wstring name = Wide(Wow64.folder);
    if (name.empty()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    if (name.size() >= size)
        return static_cast<UINT>(name.size() + 1);
    memcpy(folder, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return static_cast<UINT>(name.size());
}

FARPROC WINAPI Wow64GetProcAddress(HMODULE module, LPCSTR name)
{
    if (reinterpret_cast<ULONG_PTR>(name) >> 16) {
        if (strcmp(name, "IsWow64Process") == 0)
            return Wow64.present ? AsFarProc(FakeIsWow64Process) : nullptr;
        if (strcmp(name, "GetSystemWow64DirectoryW") == 0)
            return AsFarProc(FakeWow64Folder);
    }
    return GetProcAddress(module, name);
}

// An installer that turned file-system redirection off would reach the
// 64-bit copies in System32: a 32-bit process binds from the WOW64 folder.
// Here the system folder holds copies that lack an entry point (a bind
// from there answers 20), the WOW64 folder full ones. Wine runs no 32-bit
// process on 64-bit Windows, so its answers are made up.
TEST_F(Binding, InAWow64ProcessTheWow64FolderIsUsed)
{
    std::string folder = MakeScratchFolder("kit-wow64");
    for (const Service &s : Services) {
        std::string full = ProgramFolder() + "..\\sim\\full\\" + s.file;
        ASSERT_TRUE(CopyFileA(full.c_str(), (folder + s.file).c_str(), FALSE)) << s.file;
    }
    const std::string name = folder.substr(0, folder.size() - 1);   // without the backslash
    static const struct {
        const char *what;
        bool present;
        BOOL wow64;
        std::string folder;
        bool fromWow64Folder;
    } cases[] = {
        {"WOW64 process", true, TRUE, name, true},
        {"native process", true, FALSE, name, false},
        {"system without IsWow64Process", false, FALSE, name, false},
        {"WOW64 folder unknown", true, TRUE, "", false},
    };
    PatchedImport lookups("kernel32.dll", "GetProcAddress", AsFarProc(Wow64GetProcAddress));
    ASSERT_TRUE(lookups.patched);
    for (const auto &c : cases) {
        Wow64 = {c.present, c.wow64, c.folder};
        for (const Service &s : Services) {
            UseServices(s.lackingVariant, "");
            INT_PTR handle = (kit.*s.load)();
            if (c.fromWow64Folder) {
                ASSERT_GE(static_cast<UINT_PTR>(handle), 32u) << c.what << ", " << s.name;
                char path[MAX_PATH] = {};
                GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), path, MAX_PATH);
                EXPECT_EQ(_stricmp(path, (folder + s.file).c_str()), 0) << c.what << ": " << path;
            } else {
                EXPECT_EQ(handle, 20) << c.what << ", " << s.name;
            }
            EXPECT_EQ((kit.*s.unload)(), 0) << c.what;
            EXPECT_FALSE(ModuleLoaded(s.file)) << c.what;
        }
    }
}

// Two threads of the host that call at once: each call has its service to
// itself or answers as a nested call does (-2, or the loads' answers while
// another call holds the library).
enum class Racer { ModemList, TelephonyLoads, PhonebookList, RemoteAccessLoads };

struct RaceTally {
    Racer racer;
    HANDLE start;
    int rounds;
    int listed, busy, wrong;
    int inside;   // loads made while the other thread's list held the library
    bool wide;    // the list calls the wide function
    std::string firstWrong;
};

void RaceRound(RaceTally &t)
{
    const Dialkit &kit = TheDialkit();
    if (t.racer == Racer::TelephonyLoads || t.racer == Racer::RemoteAccessLoads) {
        bool tapi = t.racer == Racer::TelephonyLoads;
        // Only the other thread's list loads the library between these
        // loads: a load while it is there meets that list.
        if (ModuleLoaded(tapi ? "Tapi32.dll" : "rasapi32.dll"))
            t.inside++;
        INT_PTR handle = tapi ? kit.LoadTAPILib() : kit.LoadRASLib();
        // The pauses leave the list calls room between the loads.
        Sleep(1);
        INT_PTR unloaded = tapi ? kit.UnLoadTAPILib() : kit.UnLoadRASLib();
        Sleep(1);
        // The library is there: never 0, whoever holds it.
        if (static_cast<UINT_PTR>(handle) < 32 || unloaded != 0) {
            if (!t.wrong++)
                t.firstWrong = "load " + std::to_string(handle) + ", unload " + std::to_string(unloaded);
        }
        return;
    }
    bool modems = t.racer == Racer::ModemList;
    static const ListExport lists[2][2] = {
        {{"ListRASConnections", &Dialkit::ListRASConnections, nullptr},
         {"ListRASConnectionsW", nullptr, &Dialkit::ListRASConnectionsW}},
        {{"ListTAPIModemsQuiet", &Dialkit::ListTAPIModemsQuiet, nullptr},
         {"ListTAPIModemsQuietW", nullptr, &Dialkit::ListTAPIModemsQuietW}},
    };
    CallerBuffer list(t.wide), report(t.wide);
    int result = lists[modems][t.wide](list, report);
    if (result == -2 && list.Untouched() && report.Untouched()) {
        // As a host would, wait before trying again: a busy answer is
        // instant, and the other thread's loads may hold the library for
        // a round's whole share of the time.
        t.busy++;
        Sleep(1);
    } else if (result == (modems ? 2 : 0) &&
               list.Text() == (modems ? "First\nSecond\n" : "Home\nOffice\n") &&
               report.Text().empty()) {
        t.listed++;
    } else if (!t.wrong++) {
        t.firstWrong = std::to_string(result) + " [" + list.Text() + "] [" + report.Text() + "]";
    }
}

DWORD WINAPI Race(void *param)
{
    auto *t = static_cast<RaceTally *>(param);
    WaitForSingleObject(t->start, INFINITE);
    for (int i = 0; i < t->rounds; i++)
        RaceRound(*t);
    return 0;
}

TEST_F(Binding, TwoThreadsAtOnce)
{
    // Every service call waits a little, so that the two threads' calls
    // overlap.
    const int rounds = 40;
    static const struct {
        const char *what;
        Racer first, second;
    } cases[] = {
        {"two modem lists, 8-bit and wide", Racer::ModemList, Racer::ModemList},
        {"a modem list and the host's loads", Racer::ModemList, Racer::TelephonyLoads},
        {"two phonebook lists, 8-bit and wide", Racer::PhonebookList, Racer::PhonebookList},
        {"a phonebook list and the host's loads", Racer::PhonebookList, Racer::RemoteAccessLoads},
    };
    for (const auto &c : cases) {
        UseServices("full", "[sim]\r\nDelay=1\r\n[ras]\r\nEntries=2\r\nEntry1=Home\r\n"
                            "Entry2=Office\r\n[tapi]\r\nDevices=2\r\n[device0]\r\nName=First\r\n"
                            "[device1]\r\nName=Second\r\n");
        HANDLE start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        // Two lists of one service: one of each width, which share the guard.
        RaceTally tallies[2] = {{c.first, start, rounds, 0, 0, 0, 0, false, ""},
                                {c.second, start, rounds, 0, 0, 0, 0, c.first == c.second, ""}};
        HANDLE threads[2];
        for (int i = 0; i < 2; i++)
            threads[i] = CreateThread(nullptr, 0, Race, &tallies[i], 0, nullptr);
        SetEvent(start);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        for (HANDLE h : threads)
            CloseHandle(h);
        CloseHandle(start);

        int listed = 0, overlapped = 0;
        for (const RaceTally &t : tallies) {
            EXPECT_EQ(t.wrong, 0) << c.what << ": " << t.firstWrong;
            listed += t.listed;
            overlapped += t.busy + t.inside;
        }
        EXPECT_GT(listed, 0) << c.what;
        EXPECT_GT(overlapped, 0) << c.what << ": the calls never overlapped";
        if (c.first == Racer::ModemList) {
            EXPECT_EQ(ServiceCalls("lineInitialize").size(), static_cast<size_t>(listed)) << c.what;
            EXPECT_EQ(ServiceCalls("lineShutdown").size(), static_cast<size_t>(listed)) << c.what;
        } else {
            EXPECT_EQ(ServiceCalls("RasEnumEntriesA").size(), static_cast<size_t>(listed)) << c.what;
        }
        EXPECT_FALSE(ModuleLoaded("Tapi32.dll")) << c.what;
        EXPECT_FALSE(ModuleLoaded("rasapi32.dll")) << c.what;
    }
}

#if defined(__i386__)
// One call through `function`, with the stack pointer's move over it: 0
// when the callee pops its arguments, -8 for a caller-pops function (our
// frame is put back either way).
struct StackedCall {
    int result, drift;
};
StackedCall CallWithStackCheck(ListFunction function, char *list, char *report)
{
    StackedCall call;
    __asm__ volatile("movl %%esp, %%esi\n\t"
                     "pushl %4\n\t"
                     "pushl %3\n\t"
                     "call *%2\n\t"
                     "movl %%esp, %%edx\n\t"
                     "subl %%esi, %%edx\n\t"
                     "movl %%esi, %%esp"
                     : "=a"(call.result), "=d"(call.drift)
                     : "r"(function), "r"(list), "r"(report)
                     : "ecx", "esi", "memory", "cc");
    return call;
}

// x86 hosts pop nothing after these calls: each list function must pop its
// two arguments itself, on every path.
TEST_F(Binding, ListFunctionsPopTheirTwoArguments)
{
    static const struct { const char *variant, *scenario; int ras, tapi; } cases[] = {
        {"full", "[ras]\r\nEntries=1\r\nEntry1=Office\r\n[tapi]\r\nDevices=0\r\n", 0, 0},
        {"full", "[ras]\r\nEnumResult=5\r\n[tapi]\r\nInitResult=0x80000042\r\nDevices=2\r\n", 5, 0},
        {"none", "", -1, -1},
    };
    // The wide ones take two pointers too; the buffers hold either width.
    auto narrowed = [](WideListFunction f) { return reinterpret_cast<ListFunction>(f); };
    for (const auto &c : cases) {
        UseServices(c.variant, c.scenario);
        CallerBuffer list(true), report(true);
        for (ListFunction rasList : {kit.ListRASConnections, narrowed(kit.ListRASConnectionsW)}) {
            StackedCall ras = CallWithStackCheck(rasList, list.bytes, report.bytes);
            EXPECT_EQ(ras.result, c.ras) << c.scenario;
            EXPECT_EQ(ras.drift, 0) << c.scenario;
        }
        for (ListFunction tapiList : {kit.ListTAPIModems, kit.ListTAPIModemsQuiet, narrowed(kit.ListTAPIModemsW),
                                      narrowed(kit.ListTAPIModemsQuietW)}) {
            StackedCall tapi = CallWithStackCheck(tapiList, list.bytes, report.bytes);
            EXPECT_EQ(tapi.result, c.tapi) << c.scenario;
            EXPECT_EQ(tapi.drift, 0) << c.scenario;
        }
    }
}
#endif

} // namespace
