#include "dialkit_host.h"

#include <string.h>

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

std::string ScenarioPath;

template <typename F>
F Export(HMODULE module, const char *name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

const Dialkit &TheDialkit()
{
    static Dialkit kit = [] {
        Dialkit k = {};
        k.module = LoadLibraryA((ProgramFolder() + "Dialkit.dll").c_str());
        if (k.module) {
            k.ListTAPIModems = Export<ListFunction>(k.module, "ListTAPIModems");
            k.ListRASConnections = Export<ListFunction>(k.module, "ListRASConnections");
            k.LoadTAPILib = Export<BindFunction>(k.module, "LoadTAPILib");
            k.UnLoadTAPILib = Export<BindFunction>(k.module, "UnLoadTAPILib");
            k.LoadRASLib = Export<BindFunction>(k.module, "LoadRASLib");
            k.UnLoadRASLib = Export<BindFunction>(k.module, "UnLoadRASLib");
            k.ListTAPIModemsQuiet = Export<ListFunction>(k.module, "ListTAPIModemsQuiet");
            k.ListTAPIModemsW = Export<WideListFunction>(k.module, "ListTAPIModemsW");
            k.ListTAPIModemsQuietW = Export<WideListFunction>(k.module, "ListTAPIModemsQuietW");
            k.ListRASConnectionsW = Export<WideListFunction>(k.module, "ListRASConnectionsW");
        }
        return k;
    }();
    return kit;
}

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\";
}

void UseServices(const std::string &variant, const std::string &scenario)
{
    // Dialkit binds the services from the system folder only: the variant's
    // stand-ins go there, and a service the variant lacks is removed. Copies
    // are skipped while the variant stays the same.
    static std::string installed;
    if (variant != installed) {
        for (const char *file : {"Tapi32.dll", "rasapi32.dll"}) {
            std::string from = ProgramFolder() + "..\\sim\\" + variant + "\\" + file;
            std::string to = SystemFolder() + file;
            bool done = FileExists(from) ? CopyFileA(from.c_str(), to.c_str(), FALSE)
                                         : DeleteFileA(to.c_str()) || !FileExists(to);
            if (!done)
                ADD_FAILURE() << "cannot put " << variant << "'s " << file << " in " << to;
        }
        installed = variant;
    }
    if (ScenarioPath.empty()) {
        ScenarioPath = MakeScratchFolder("kit-services") + "scenario.ini";
        SetEnvironmentVariableA("SIMSERVICE_SCENARIO", ScenarioPath.c_str());
    }
    WriteBytes(ScenarioPath, scenario);
    WriteBytes(ScenarioPath + ".log", "");
}

void RewriteScenario(const std::string &scenario)
{
    WriteBytes(ScenarioPath, scenario);
}

std::vector<std::string> ServiceCalls()
{
    std::string log;
    ReadBytes(ScenarioPath + ".log", &log);
    return SplitLines(log);
}

std::vector<std::string> ServiceCalls(const std::string &function)
{
    std::vector<std::string> found;
    for (const std::string &line : ServiceCalls())
        if (line.compare(0, function.size() + 1, function + " ") == 0)
            found.push_back(line);
    return found;
}

std::string Hex(DWORD value)
{
    char text[16];
    wsprintfA(text, "0x%08lX", value);
    return text;
}

bool ModuleLoaded(const char *name)
{
    return GetModuleHandleA(name) != nullptr;
}

CallerBuffer::CallerBuffer(bool wide) : wide(wide)
{
    // Past an 8-bit buffer, the rest of the wide one is a sentinel too.
    memset(chars, 0x5a, sizeof chars);
    memset(bytes, 0xcc, wide ? sizeof chars : sizeof bytes);
    memset(guard, 0x5a, sizeof guard);
}

bool CallerBuffer::GuardIntact() const
{
    const unsigned char *after = reinterpret_cast<const unsigned char *>(chars);
    for (size_t i = wide ? sizeof chars : sizeof bytes; i < sizeof chars; i++)
        if (after[i] != 0x5a)
            return false;
    for (unsigned char c : guard)
        if (c != 0x5a)
            return false;
    return true;
}

bool CallerBuffer::Text(std::string *text) const
{
    if (wide) {
        for (size_t i = 0; i < 1024; i++)
            if (!chars[i]) {
                *text = Utf8(std::wstring(chars, i));
                return true;
            }
        return false;
    }
    const void *end = memchr(bytes, 0, sizeof bytes);
    if (!end)
        return false;
    text->assign(bytes, static_cast<const char *>(end) - bytes);
    return true;
}

bool CallerBuffer::Untouched() const
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(bytes);
    for (size_t i = 0; i < (wide ? sizeof chars : sizeof bytes); i++)
        if (b[i] != 0xcc)
            return false;
    return true;
}

std::string CallerBuffer::Text() const
{
    std::string text;
    return Text(&text) ? text : "(unterminated)";
}

int ListExport::operator()(CallerBuffer &list, CallerBuffer &report) const
{
    const Dialkit &kit = TheDialkit();
    EXPECT_EQ(list.wide, Wide()) << name;
    if (wide)
        return (kit.*wide)(list.chars, report.chars);
    return (kit.*narrow)(list.bytes, report.bytes);
}

PatchedImport::PatchedImport(const char *dll, const char *name, FARPROC with)
    : real(GetProcAddress(GetModuleHandleA(dll), name)), fake(with),
      patched(with && PatchImport(TheDialkit().module, real, fake))
{
}

PatchedImport::~PatchedImport()
{
    if (patched) {
        EXPECT_TRUE(PatchImport(TheDialkit().module, fake, real)) << "import not restored";
    }
}

bool PatchImport(HMODULE module, FARPROC from, FARPROC to)
{
    BYTE *base = reinterpret_cast<BYTE *>(module);
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress);
         desc->Name; desc++) {
        for (auto thunk = reinterpret_cast<IMAGE_THUNK_DATA *>(base + desc->FirstThunk);
             thunk->u1.Function; thunk++) {
            if (thunk->u1.Function != reinterpret_cast<ULONG_PTR>(from))
                continue;
            DWORD protection;
            VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &protection);
            thunk->u1.Function = reinterpret_cast<ULONG_PTR>(to);
            VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), protection, &protection);
            return true;
        }
    }
    return false;
}
