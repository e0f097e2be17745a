#pragma once

#include <string>
#include <vector>

// What a program did when started under our debug loop.
struct DebugRun {
    bool started = false;
    unsigned long startError = 0;   // GetLastError when it could not start
    unsigned long exitCode = 0;
    std::vector<std::string> debugStrings;  // each OutputDebugStringA text, in order
};

// Starts `commandLine` (UTF-8) exactly as given (CreateProcessW with no
// application name) as a debuggee, collects its debug strings and waits for its exit.
DebugRun RunUnderDebugger(const std::string &commandLine);
