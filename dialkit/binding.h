// Run-time bindings of the telephony and remote-access libraries, so that
// Dialkit loads where either is missing. Every slot must resolve for a load
// to count as complete, including those that nothing calls yet.
#ifndef DIALKIT_BINDING_H
#define DIALKIT_BINDING_H

#include <windows.h>
#include <ras.h>
#include <tapi.h>

// In resolution order.
#define RAS_ENTRY_POINTS(V) \
    V(RasGetConnectStatusA) \
    V(RasDialA) \
    V(RasGetErrorStringA) \
    V(RasGetProjectionInfoA) \
    V(RasHangUpA) \
    V(RasEnumConnectionsA) \
    V(RasEnumEntriesA) \
    V(RasEditPhonebookEntryA) \
    V(RasCreatePhonebookEntryA)

#define TAPI_ENTRY_POINTS(V) \
    V(lineShutdown) \
    V(lineGetDevCaps) \
    V(lineNegotiateAPIVersion) \
    V(lineInitialize) \
    V(lineConfigDialog)

// The wide calls of the wide exports. Older libraries lack them: they are
// looked up with the others but never count for a load's answer, and the
// wide exports then use the 8-bit calls.
#define RAS_WIDE_ENTRY_POINTS(V) \
    V(RasEnumEntriesW) \
    V(RasGetErrorStringW)

#define TAPI_WIDE_ENTRY_POINTS(V) \
    V(lineGetDevCapsW)

#define DIALKIT_SLOT(name) decltype(&::name) name;

struct RasBindingState {
    HMODULE module;
    RAS_ENTRY_POINTS(DIALKIT_SLOT)
    RAS_WIDE_ENTRY_POINTS(DIALKIT_SLOT)
};

struct TapiBindingState {
    HMODULE module;
    TAPI_ENTRY_POINTS(DIALKIT_SLOT)
    TAPI_WIDE_ENTRY_POINTS(DIALKIT_SLOT)
};

#undef DIALKIT_SLOT

extern RasBindingState RasBinding;
extern TapiBindingState TapiBinding;

// Load result when the library is present but lacks an entry point.
constexpr INT_PTR MissingEntryPoint = 20;

// The bindings as the list calls use them, under their guards (module.h);
// the load and unload exports leave a binding that another call holds alone.
INT_PTR BindTelephony();
void ReleaseTelephony();
INT_PTR BindRemoteAccess();
void ReleaseRemoteAccess();

// Guarded calls: -1 without calling anything when the slot is empty.
DWORD GuardedRasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, LPRASENTRYNAMEA entries,
                             LPDWORD byteCount, LPDWORD entryCount);
DWORD GuardedRasGetErrorStringA(UINT code, LPSTR text, DWORD size);
DWORD GuardedRasEnumEntriesW(LPCWSTR reserved, LPCWSTR phonebook, LPRASENTRYNAMEW entries,
                             LPDWORD byteCount, LPDWORD entryCount);
DWORD GuardedRasGetErrorStringW(UINT code, LPWSTR text, DWORD size);
LONG GuardedLineInitialize(LPHLINEAPP lineApp, HINSTANCE instance, LINECALLBACK callback,
                           LPCSTR appName, LPDWORD deviceCount);
LONG GuardedLineNegotiateAPIVersion(HLINEAPP lineApp, DWORD device, DWORD lowVersion,
                                    DWORD highVersion, LPDWORD version,
                                    LPLINEEXTENSIONID extensionId);
LONG GuardedLineGetDevCaps(HLINEAPP lineApp, DWORD device, DWORD version, DWORD extVersion,
                           LPLINEDEVCAPS caps);
LONG GuardedLineGetDevCapsW(HLINEAPP lineApp, DWORD device, DWORD version, DWORD extVersion,
                            LPLINEDEVCAPS caps);
LONG GuardedLineShutdown(HLINEAPP lineApp);

#endif
