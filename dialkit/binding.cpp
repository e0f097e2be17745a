#include "binding.h"

#include "dialkit.h"

RasBindingState RasBinding;
TapiBindingState TapiBinding;

namespace {

// Handles below 32 were error codes of the 16-bit loader; they never count.
bool IsLoaded(HMODULE module)
{
    return reinterpret_cast<UINT_PTR>(module) >= 32;
}

// A missing library must not stop an installation with a message box.
HMODULE LoadQuietly(const char *library)
{
    UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(library);
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

} // namespace

#define RESOLVE_RAS(name) \
    if (!Resolve(RasBinding.module, #name, RasBinding.name)) \
        return MissingEntryPoint;
#define RESOLVE_TAPI(name) \
    if (!Resolve(TapiBinding.module, #name, TapiBinding.name)) \
        return MissingEntryPoint;

// LoadTAPILib (ordinal 4): binds "Tapi32"; the handle, 20 or 0.
INT_PTR WINAPI LoadTAPILib(void)
{
    if (IsLoaded(TapiBinding.module))
        return reinterpret_cast<INT_PTR>(TapiBinding.module);
    TapiBinding.module = nullptr;
    TapiBinding.module = LoadQuietly("Tapi32");
    if (!TapiBinding.module)
        return 0;
    TAPI_ENTRY_POINTS(RESOLVE_TAPI)
    return reinterpret_cast<INT_PTR>(TapiBinding.module);
}

// UnLoadTAPILib (ordinal 5): releases "Tapi32" and empties every slot.
INT_PTR WINAPI UnLoadTAPILib(void)
{
    if (IsLoaded(TapiBinding.module))
        FreeLibrary(TapiBinding.module);
    TapiBinding = TapiBindingState{};
    return 0;
}

// LoadRASLib (ordinal 6): binds "rasapi32"; the handle, 20 or 0.
INT_PTR WINAPI LoadRASLib(void)
{
    if (IsLoaded(RasBinding.module))
        return reinterpret_cast<INT_PTR>(RasBinding.module);
    RasBinding.module = nullptr;
    RasBinding.module = LoadQuietly("rasapi32");
    if (!RasBinding.module)
        return 0;
    RAS_ENTRY_POINTS(RESOLVE_RAS)
    return reinterpret_cast<INT_PTR>(RasBinding.module);
}

// UnLoadRASLib (ordinal 7): releases "rasapi32" and empties every slot.
INT_PTR WINAPI UnLoadRASLib(void)
{
    if (IsLoaded(RasBinding.module))
        FreeLibrary(RasBinding.module);
    RasBinding = RasBindingState{};
    return 0;
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
