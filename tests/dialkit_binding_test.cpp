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
        {"ListTAPIModemsQuiet", 8},
    };
    for (const auto &e : exports) {
        FARPROC byName = GetProcAddress(kit.module, e.name);
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(byName, GetProcAddress(kit.module, MAKEINTRESOURCEA(e.ordinal))) << e.name;
    }
    EXPECT_EQ(GetProcAddress(kit.module, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, MAKEINTRESOURCEA(9)), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, "ListTAPIModems@8"), nullptr);
    EXPECT_EQ(GetProcAddress(kit.module, "ListTAPIModemsQuiet@8"), nullptr);
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
    CallerBuffer list, report;
    EXPECT_EQ(kit.ListRASConnections(list.bytes, report.bytes), -1);
    EXPECT_EQ(kit.ListTAPIModems(list.bytes, report.bytes), -1);
    EXPECT_TRUE(list.Untouched() && report.Untouched());
}

// A loader that predates the search flags refuses them with
// ERROR_INVALID_PARAMETER: Dialkit's import of LoadLibraryExA is redirected
// to one that behaves so, and records the names it is given.
std::vector<std::string> OldLoaderNames;

HMODULE WINAPI OldLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags)
{
    OldLoaderNames.push_back(name);
    if (flags & ~static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExA(name, file, flags);
}

TEST_F(PlantedLibraries, OnOlderLoadersTheSystemFolderPathIsUsed)
{
    FARPROC current = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryExA");
    FARPROC old = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(OldLoadLibraryExA));
    ASSERT_TRUE(PatchImport(kit.module, current, old));
    for (const Service &s : Services) {
        UseServices("full", "");
        OldLoaderNames.clear();
        INT_PTR handle = (kit.*s.load)();
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
    EXPECT_TRUE(PatchImport(kit.module, old, current));
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
    for (const auto &c : cases) {
        UseServices(c.variant, c.scenario);
        CallerBuffer list, report;
        StackedCall ras = CallWithStackCheck(kit.ListRASConnections, list.bytes, report.bytes);
        EXPECT_EQ(ras.result, c.ras) << c.scenario;
        EXPECT_EQ(ras.drift, 0) << c.scenario;
        for (ListFunction tapiList : {kit.ListTAPIModems, kit.ListTAPIModemsQuiet}) {
            StackedCall tapi = CallWithStackCheck(tapiList, list.bytes, report.bytes);
            EXPECT_EQ(tapi.result, c.tapi) << c.scenario;
            EXPECT_EQ(tapi.drift, 0) << c.scenario;
        }
    }
}
#endif

} // namespace
