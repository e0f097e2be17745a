// debugrun <command line>: starts the command line exactly as written, as
// its debugger, and prints each debug string the program emits and its
// exit code.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "debug_run.h"

int main()
{
    // Our own name is skipped the way the platform does it, so the rest of
    // the raw line reaches the program untouched.
    const wchar_t *line = GetCommandLineW();
    if (*line == L'"') {
        const wchar_t *close = wcschr(line + 1, L'"');
        line = close ? close + 1 : line + wcslen(line);
    } else {
        while (*line > L' ')
            line++;
    }
    while (*line == L' ' || *line == L'\t')
        line++;
    if (!*line) {
        fprintf(stderr, "usage: debugrun <command line>\n");
        return 2;
    }
    // Passed on as UTF-8, which carries every character of the line.
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), size, nullptr, nullptr);
    DebugRun run = RunUnderDebugger(utf8);
    if (!run.started) {
        fprintf(stderr, "debugrun: cannot start: %s\n", utf8.c_str());
        return 2;
    }
    for (const auto &text : run.debugStrings)
        printf("debug string: %s\n", text.c_str());
    printf("exit code: %lu\n", run.exitCode);
    return 0;
}
