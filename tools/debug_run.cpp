#include "debug_run.h"

#include <windows.h>

namespace {

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO &info)
{
    std::string text;
    if (info.fUnicode || info.nDebugStringLength == 0)
        return text;
    std::vector<char> bytes(info.nDebugStringLength);
    SIZE_T got = 0;
    if (ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &got)) {
        text.assign(bytes.data(), got);
        text.resize(strnlen(text.c_str(), text.size()));
    }
    return text;
}

} // namespace

DebugRun RunUnderDebugger(const std::string &commandLine)
{
    DebugRun run;
    // UTF-8, so that a command line in any script reaches the program whole.
    int length = MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> line(length > 0 ? length : 1);
    MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, line.data(), (int)line.size());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
        run.startError = GetLastError();
        return run;
    }
    run.started = true;

    for (;;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, INFINITE))
            break;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            run.debugStrings.push_back(ReadDebugString(process.hProcess, event.u.DebugString));
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // Breakpoints belong to the debug loop; anything else is the
            // program's own and goes back to it.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run.exitCode = event.u.ExitProcess.dwExitCode;
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            return run;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}
