#pragma once

// The command line without the program's name and the blanks after it: what
// the GUI entry point receives as its tail, but from the wide command line,
// so that no character outside the ANSI code page is lost. Points into
// `commandLine`.
const wchar_t *CommandLineTail(const wchar_t *commandLine);

// Returns a zero-filled copy of the value that follows `option` in the
// command-line tail, or nullptr when the option does not occur (or no memory
// is left). The caller releases the copy with free(). A value ends at the
// first space, or at its closing quote when it starts with a quote
// (-src:"a b.ini") or the option opens a quoted argument ("-src:a b.ini").
wchar_t *ExtractOption(const wchar_t *tail, const wchar_t *option);
