#include "binding.h"

#include <string.h>

#include "dialkit.h"
#include "module.h"

RasBindingState RasBinding;
TapiBindingState TapiBinding;

namespace {

// Handles below 32 were error codes of the 16-bit loader; they never count.
bool IsLoaded(HMODULE module)
{
    return reinterpret_cast<UINT_PTR>(module) >= 32;
}

// Installers run elevated from download folders: a library of the same name
// beside the host or in the current folder must never be bound, so only the
// system folder is searched. Loaders that predate the search flags refuse
// them with ERROR_INVALID_PARAMETER; they get the full path instead.
HMODULE LoadFromSystemFolder(const char *library)
{
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

// A missing library must not stop an installation with a message box.
HMODULE LoadQuietly(const char *library)
{
    UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
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

// Binds `library` into `binding` unless a handle is held already: the handle,
// 0 when the library cannot be loaded, or MissingEntryPoint when
// `resolveAll` stops at a missing entry point (the library stays loaded).
template <typename Binding, typename ResolveAll>
INT_PTR LoadBinding(Binding &binding, const char *library, ResolveAll resolveAll)
{
    if (!IsLoaded(binding.module)) {
        binding.module = LoadQuietly(library);
        if (!binding.module)
            return 0;
        if (!resolveAll())
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

} // namespace

#define RESOLVE_RAS(name) \
    if (!Resolve(RasBinding.module, #name, RasBinding.name)) \
        return false;
#define RESOLVE_TAPI(name) \
    if (!Resolve(TapiBinding.module, #name, TapiBinding.name)) \
        return false;

INT_PTR BindTelephony()
{
    return LoadBinding(TapiBinding, "Tapi32", [] {
        TAPI_ENTRY_POINTS(RESOLVE_TAPI)
        return true;
    });
}

void ReleaseTelephony()
{
    UnloadBinding(TapiBinding);
}

// LoadTAPILib (ordinal 4): binds "Tapi32"; the handle, 20 or 0. Called
// from inside a modem list call, the handle that call holds.
INT_PTR WINAPI LoadTAPILib(void)
{
    if (ModemListRunning)
        return reinterpret_cast<INT_PTR>(TapiBinding.module);
    return BindTelephony();
}

// UnLoadTAPILib (ordinal 5): releases "Tapi32" and empties every slot;
// from inside a modem list call, nothing: that call still uses it.
INT_PTR WINAPI UnLoadTAPILib(void)
{
    if (!ModemListRunning)
        ReleaseTelephony();
    return 0;
}

// LoadRASLib (ordinal 6): binds "rasapi32"; the handle, 20 or 0.
INT_PTR WINAPI LoadRASLib(void)
{
    return LoadBinding(RasBinding, "rasapi32", [] {
        RAS_ENTRY_POINTS(RESOLVE_RAS)
        return true;
    });
}

// UnLoadRASLib (ordinal 7): releases "rasapi32" and empties every slot.
INT_PTR WINAPI UnLoadRASLib(void)
{
    return UnloadBinding(RasBinding);
}

#undef RESOLVE_RAS
#undef RESOLVE_TAPI

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

LONG GuardedLineShutdown(HLINEAPP lineApp)
{
    if (!TapiBinding.lineShutdown)
        return -1;
    return TapiBinding.lineShutdown(lineApp);
}
