#pragma once

#include <windows.h>

// Copies every non-empty entry of `source` into `target` where the target
// lacks it, holds it empty, or holds a different value (letter case of A-Z
// aside). Never deletes. Emits "toto" on the debugger channel for each
// differing value it overwrites. Does nothing when either path is null.
// Returns 0, or the error code of the first write the service refused; the
// merge goes on past a refused write. A source that exists but cannot be
// read returns its error before anything is written, as does one of
// MAX_PATH characters or more that only its \\?\ form reaches (206); a
// missing one is nothing to merge. A new or empty target of a UTF-16 LE
// source is made a Unicode profile too.
DWORD MergeProfiles(const wchar_t *source, const wchar_t *target);

enum class ProfileRead { SectionNames, Section };

// Reads a profile's section-name list or one section's text, growing the
// buffer until the service returns the whole list. Returns a zero-filled
// buffer (the caller releases it with free()) holding `*length` characters
// followed by at least two zeros, or nullptr when the list is empty, memory
// runs out, or the list outgrows MaxProfileRead (a cut list is never used).
wchar_t *ReadProfileList(ProfileRead what, const wchar_t *section, const wchar_t *file, DWORD *length);

// Sizes in characters. Most lists fit the first read. Measured under Wine,
// a large first read keeps a merge of thousands of entries close to the
// bare service calls; small first reads cost a quarter more there.
constexpr DWORD ProfileProbeSize = 64u << 10;
// Bounds the growth, so a misbehaving service can neither loop us forever
// nor overflow a size.
constexpr DWORD MaxProfileRead = 64u << 20;
