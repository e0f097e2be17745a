// State that the whole library shares, from attachment to detachment. Each
// service's state belongs to the call that holds its guard.
#ifndef DIALKIT_MODULE_H
#define DIALKIT_MODULE_H

#include <windows.h>

// Both caller buffers hold at least this many bytes.
constexpr DWORD ListBufferSize = 1024;
constexpr DWORD ErrorReportSize = 1024;

extern HINSTANCE ModuleInstance;

// Code of the last failure a list function reported.
extern LONG LastResult;

// Held (1) while a call uses the telephony binding and line application: a
// modem list, LoadTAPILib or UnLoadTAPILib. The picker's message loop runs
// the host's code, which may call in again from the same thread, and hosts
// with worker threads may call from another.
extern LONG volatile TelephonyInUse;

// Held while a call uses the remote-access binding: the phonebook list,
// LoadRASLib or UnLoadRASLib.
extern LONG volatile RemoteAccessInUse;

// True when this call took the guard, false when another call holds it.
inline bool TakeGuard(LONG volatile &guard)
{
    return InterlockedCompareExchange(&guard, 1, 0) == 0;
}

inline void ReleaseGuard(LONG volatile &guard)
{
    InterlockedExchange(&guard, 0);
}

// A list call made while another call of this process holds its service.
constexpr LONG ListBusy = -2;

#endif
