#pragma once

#include <windows.h>

// Copies every non-empty entry of `source` into `target` where the target
// lacks it, holds it empty, or holds a different value (ASCII letter case
// aside). Never deletes. Emits "toto" on the debugger channel for each
// differing value it overwrites. Does nothing when either path is null.
void MergeProfiles(const char *source, const char *target);

enum class ProfileRead { SectionNames, Section };

// Reads a profile's section-name list or one section's text, growing the
// buffer until the service returns the whole list. Returns a zero-filled
// buffer (the caller releases it with free()) holding `*length` characters
// followed by at least two zeros, or nullptr when the list is empty, memory
// runs out, or the list outgrows MaxProfileRead (a cut list is never used).
char *ReadProfileList(ProfileRead what, const char *section, const char *file, DWORD *length);

// Most lists fit the first read. Measured under Wine, a large first read
// keeps a merge of thousands of entries close to the bare service calls;
// small first reads cost a quarter more there.
constexpr DWORD ProfileProbeSize = 64u << 10;
// The longest section name, key or value the profile service's ANSI calls
// carry: each becomes a counted wide string of at most 65,535 bytes with its
// terminator. A longer one reached the target empty or as stray bytes (under
// Wine), overwriting what it held, so such entries are left alone.
constexpr size_t MaxProfileString = 32766;
// Bounds the growth, so a misbehaving service can neither loop us forever
// nor overflow a size.
constexpr DWORD MaxProfileRead = 64u << 20;
