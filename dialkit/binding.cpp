#include "binding.h"

#include <string.h>

#include "dialkit.h"
#include "module.h"

RasBindingState RasBinding;
TapiBindingState TapiBinding;
LONG volatile TelephonyInUse;
LONG volatile RemoteAccessInUse;

namespace {

// Handles below 32 were error codes of the 16-bit loader; they never count.
bool IsLoaded(HMODULE module)
{
    return reinterpret_cast<UINT_PTR>(module) >= 32;
}

// Entry points that older systems lack, looked up when needed so that
// Dialkit still loads there.
template <typename Function>
Function KernelEntry(const char *name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC entry = kernel ? GetProcAddress(kernel, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}

// In a 32-bit process on 64-bit Windows: the length of the name of the
// folder that holds the 32-bit system libraries, written to `folder`; else
// 0. Installers that write to the 64-bit System32 turn file-system
// redirection off, and while it is off System32 gives the 64-bit copies,
// which a 32-bit process cannot load (error 193). This folder is never
// redirected.
UINT Wow64SystemFolder(wchar_t *folder, UINT size)
{
    typedef BOOL(WINAPI * IsWow64Function)(HANDLE, PBOOL);
    typedef UINT(WINAPI * FolderFunction)(LPWSTR, UINT);
    auto isWow64 = KernelEntry<IsWow64Function>("IsWow64Process");
    BOOL wow64 = FALSE;
    if (!isWow64 || !isWow64(GetCurrentProcess(), &wow64) || !wow64)
        return 0;
    auto folderName = KernelEntry<FolderFunction>("GetSystemWow64DirectoryW");
    UINT length = folderName ? folderName(folder, size) : 0;
    return length < size ? length : 0;
}

// `library` from the folder that the WOW64 query names; its dependencies
// are looked for there first, too.
HMODULE LoadFromWow64Folder(const char *library, wchar_t *path, UINT length)
{
    size_t nameLength = strlen(library);
    if (length + nameLength + 6 > MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    // The library names are ASCII.
    for (size_t i = 0; i < nameLength; i++)
        path[length + 1 + i] = static_cast<wchar_t>(library[i]);
    memcpy(path + length + 1 + nameLength, L".dll", sizeof L".dll");
    HMODULE module = LoadLibraryExW(path, nullptr,
                                    LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Installers run elevated from download folders: a library of the same name
// beside the host or in the current folder must never be bound, so only the
// system folder is searched. Loaders that predate the search flags refuse
// them with ERROR_INVALID_PARAMETER; they get the full path instead.
HMODULE LoadFromSystemFolder(const char *library)
{
    wchar_t wow64Path[MAX_PATH] = {};
    UINT wow64Length = Wow64SystemFolder(wow64Path, MAX_PATH);
    if (wow64Length)
        return LoadFromWow64Folder(library, wow64Path, wow64Length);
    HMODULE module = LoadLibraryExA(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    char path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = strlen(library);
    // Room for "\", the name, ".dll" and the terminator.
    if (length == 0 || length >= MAX_PATH || length + nameLength + 6 > MAX_PATH)
        return nullptr;
    path[length] = '\\';
    memcpy(path + length + 1, library, nameLength);
    memcpy(path + length + 1 + nameLength, ".dll", sizeof ".dll");
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A missing library must not stop an installation with a message box. Where
// the system has an error mode per thread, only this thread's changes: the
// host's other threads keep theirs. The flag is added to the host's (which
// may hold SEM_FAILCRITICALERRORS), not put in their place.
HMODULE LoadQuietly(const char *library)
{
    typedef BOOL(WINAPI * ThreadModeFunction)(DWORD, LPDWORD);
    auto threadMode = KernelEntry<ThreadModeFunction>("SetThreadErrorMode");
    DWORD previousThreadMode = 0;
    if (threadMode && threadMode(SEM_NOOPENFILEERRORBOX, &previousThreadMode)) {
        threadMode(previousThreadMode | SEM_NOOPENFILEERRORBOX, nullptr);
        HMODULE module = LoadFromSystemFolder(library);
        threadMode(previousThreadMode, nullptr);
        return module;
    }
    UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    SetErrorMode(previousMode | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadFromSystemFolder(library);
    SetErrorMode(previousMode);
    return module;
}

template <typename Slot>
bool Resolve(HMODULE module, const char *name, Slot &slot)
{
    // Through void (*)(): the one cast between function types that GCC
    // accepts without a warning.
    slot = reinterpret_cast<Slot>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return slot != nullptr;
}

#define RESOLVE(name) \
    if (!Resolve(binding.module, #name, binding.name)) \
        return false;
#define RESOLVE_OPTIONAL(name) Resolve(binding.module, #name, binding.name);

bool ResolveAll(TapiBindingState &binding)
{
    TAPI_WIDE_ENTRY_POINTS(RESOLVE_OPTIONAL)
    TAPI_ENTRY_POINTS(RESOLVE)
    return true;
}

bool ResolveAll(RasBindingState &binding)
{
    RAS_WIDE_ENTRY_POINTS(RESOLVE_OPTIONAL)
    RAS_ENTRY_POINTS(RESOLVE)
    return true;
}

#undef RESOLVE
#undef RESOLVE_OPTIONAL

// Binds `library` into `binding` unless a handle is held already: the handle,
// 0 when the library cannot be loaded, or MissingEntryPoint when an entry
// point is missing (the library stays loaded).
template <typename Binding>
INT_PTR LoadBinding(Binding &binding, const char *library)
{
    if (!IsLoaded(binding.module)) {
        binding.module = LoadQuietly(library);
        if (!binding.module)
            return 0;
        if (!ResolveAll(binding))
            return MissingEntryPoint;
    }
    return reinterpret_cast<INT_PTR>(binding.module);
}

template <typename Binding>
INT_PTR UnloadBinding(Binding &binding)
{
    if (IsLoaded(binding.module))
        FreeLibrary(binding.module);
    binding = Binding{};
    return 0;
}

const char TelephonyLibrary[] = "Tapi32";
const char RemoteAccessLibrary[] = "rasapi32";

} // namespace

INT_PTR BindTelephony()
{
    return LoadBinding(TapiBinding, TelephonyLibrary);
}

void ReleaseTelephony()
{
    UnloadBinding(TapiBinding);
}

INT_PTR BindRemoteAccess()
{
    return LoadBinding(RasBinding, RemoteAccessLibrary);
}

void ReleaseRemoteAccess()
{
    UnloadBinding(RasBinding);
}

namespace {

// While another call holds the service (a list call whose picker runs the
// host's code, or another thread), a load returns the handle that call
// holds and an unload leaves it alone: that call still uses the library.
// Before that call has bound the library, or once it has let it go, 0 would
// read as "cannot be loaded": the load is tried on a binding of its own and
// answered as a load would, then released.
template <typename Binding>
INT_PTR LoadGuarded(LONG volatile &guard, Binding &binding, const char *library)
{
    if (TakeGuard(guard)) {
        INT_PTR handle = LoadBinding(binding, library);
        ReleaseGuard(guard);
        return handle;
    }
    HMODULE held = *static_cast<HMODULE const volatile *>(&binding.module);
    if (held)
        return reinterpret_cast<INT_PTR>(held);
    Binding probe = {};
    INT_PTR handle = LoadBinding(probe, library);
    UnloadBinding(probe);
    return handle;
}

INT_PTR UnloadGuarded(LONG volatile &guard, void (*release)())
{
    if (TakeGuard(guard)) {
        release();
        ReleaseGuard(guard);
    }
    return 0;
}

} // namespace

// LoadTAPILib (ordinal 4): binds "Tapi32"; the handle, 20 or 0.
INT_PTR WINAPI LoadTAPILib(void)
{
    return LoadGuarded(TelephonyInUse, TapiBinding, TelephonyLibrary);
}

// UnLoadTAPILib (ordinal 5): releases "Tapi32" and empties every slot.
INT_PTR WINAPI UnLoadTAPILib(void)
{
    return UnloadGuarded(TelephonyInUse, ReleaseTelephony);
}

// LoadRASLib (ordinal 6): binds "rasapi32"; the handle, 20 or 0.
INT_PTR WINAPI LoadRASLib(void)
{
    return LoadGuarded(RemoteAccessInUse, RasBinding, RemoteAccessLibrary);
}

// UnLoadRASLib (ordinal 7): releases "rasapi32" and empties every slot.
INT_PTR WINAPI UnLoadRASLib(void)
{
    return UnloadGuarded(RemoteAccessInUse, ReleaseRemoteAccess);
}

// A partly bound library leaves later slots empty; callers then see -1.
constexpr DWORD EmptySlot = static_cast<DWORD>(-1);

DWORD GuardedRasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, LPRASENTRYNAMEA entries,
                             LPDWORD byteCount, LPDWORD entryCount)
{
    if (!RasBinding.RasEnumEntriesA)
        return EmptySlot;
    return RasBinding.RasEnumEntriesA(reserved, phonebook, entries, byteCount, entryCount);
}

DWORD GuardedRasGetErrorStringA(UINT code, LPSTR text, DWORD size)
{
    if (!RasBinding.RasGetErrorStringA)
        return EmptySlot;
    return RasBinding.RasGetErrorStringA(code, text, size);
}

DWORD GuardedRasEnumEntriesW(LPCWSTR reserved, LPCWSTR phonebook, LPRASENTRYNAMEW entries,
                             LPDWORD byteCount, LPDWORD entryCount)
{
    if (!RasBinding.RasEnumEntriesW)
        return EmptySlot;
    return RasBinding.RasEnumEntriesW(reserved, phonebook, entries, byteCount, entryCount);
}

DWORD GuardedRasGetErrorStringW(UINT code, LPWSTR text, DWORD size)
{
    if (!RasBinding.RasGetErrorStringW)
        return EmptySlot;
    return RasBinding.RasGetErrorStringW(code, text, size);
}

LONG GuardedLineInitialize(LPHLINEAPP lineApp, HINSTANCE instance, LINECALLBACK callback,
                           LPCSTR appName, LPDWORD deviceCount)
{
    if (!TapiBinding.lineInitialize)
        return -1;
    return TapiBinding.lineInitialize(lineApp, instance, callback, appName, deviceCount);
}

LONG GuardedLineNegotiateAPIVersion(HLINEAPP lineApp, DWORD device, DWORD lowVersion,
                                    DWORD highVersion, LPDWORD version,
                                    LPLINEEXTENSIONID extensionId)
{
    if (!TapiBinding.lineNegotiateAPIVersion)
        return -1;
    return TapiBinding.lineNegotiateAPIVersion(lineApp, device, lowVersion, highVersion, version,
                                               extensionId);
}

LONG GuardedLineGetDevCaps(HLINEAPP lineApp, DWORD device, DWORD version, DWORD extVersion,
                           LPLINEDEVCAPS caps)
{
    if (!TapiBinding.lineGetDevCaps)
        return -1;
    return TapiBinding.lineGetDevCaps(lineApp, device, version, extVersion, caps);
}

LONG GuardedLineGetDevCapsW(HLINEAPP lineApp, DWORD device, DWORD version, DWORD extVersion,
                            LPLINEDEVCAPS caps)
{
    if (!TapiBinding.lineGetDevCapsW)
        return -1;
    return TapiBinding.lineGetDevCapsW(lineApp, device, version, extVersion, caps);
}

LONG GuardedLineShutdown(HLINEAPP lineApp)
{
    if (!TapiBinding.lineShutdown)
        return -1;
    return TapiBinding.lineShutdown(lineApp);
}
