// State that the whole library shares, from attachment to detachment. The
// host calls one export at a time, so nothing here is locked.
#ifndef DIALKIT_MODULE_H
#define DIALKIT_MODULE_H

#include <windows.h>

// Both caller buffers hold at least this many bytes.
constexpr DWORD ListBufferSize = 1024;
constexpr DWORD ErrorReportSize = 1024;

extern HINSTANCE ModuleInstance;

// Code of the last failure a list function reported.
extern LONG LastResult;

// Set while a modem list call runs. The picker's message loop runs the
// host's code, so the host may call in again from the same thread.
extern bool ModemListRunning;

// A list call made while another one of this process runs.
constexpr LONG ListBusy = -2;

#endif
