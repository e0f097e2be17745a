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

#endif
