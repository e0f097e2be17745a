#include <windows.h>

#include "module.h"

HINSTANCE ModuleInstance;

// Nothing but the record: the loader lock is held here.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ModuleInstance = instance;
    return TRUE;
}
