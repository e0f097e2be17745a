#pragma once

// Returns a zero-filled copy of the value that follows `option` in the
// command-line tail, or nullptr when the option does not occur (or no memory
// is left). The caller releases the copy with free().
char *ExtractOption(const char *tail, const char *option);
