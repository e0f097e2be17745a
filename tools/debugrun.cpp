// debugrun <command line>: starts the command line exactly as written, as
// its debugger, and prints each debug string the program emits and its
// exit code.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "debug_run.h"

int main()
{
    // Our own name is skipped the way the platform does it, so the rest of
    // the raw line reaches the program untouched.
    const char *line = GetCommandLineA();
    if (*line == '"') {
        const char *close = strchr(line + 1, '"');
        line = close ? close + 1 : line + strlen(line);
    } else {
        while (*line > ' ')
            line++;
    }
    while (*line == ' ' || *line == '\t')
        line++;
    if (!*line) {
        fprintf(stderr, "usage: debugrun <command line>\n");
        return 2;
    }
    DebugRun run = RunUnderDebugger(line);
    if (!run.started) {
        fprintf(stderr, "debugrun: cannot start: %s\n", line);
        return 2;
    }
    for (const auto &text : run.debugStrings)
        printf("debug string: %s\n", text.c_str());
    printf("exit code: %lu\n", run.exitCode);
    return 0;
}
