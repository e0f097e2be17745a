// profile_floor: the profile-service calls a merge of SOURCE into TARGET
// cannot do without, and nothing else. run-bench.sh times profmerge against
// it, so the difference is what profmerge adds on top of the service.
//   profile_floor SOURCE TARGET
// Fixed buffers sized for the generated bench profiles; a list the service
// had to cut is reported instead of being half merged.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

namespace {

constexpr DWORD ListSize = 64 * 1024;
constexpr DWORD ValueSize = 4096;

// One spare zero past what the service may fill keeps every walk inside.
wchar_t names[ListSize + 1];
wchar_t section[ListSize + 1];
wchar_t current[ValueSize + 1];

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        fputs("usage: profile_floor SOURCE TARGET\n", stderr);
        return 2;
    }
    const wchar_t *source = argv[1];
    const wchar_t *target = argv[2];

    // The service returns size - 2 when it had to cut a list.
    DWORD namesLength = GetPrivateProfileSectionNamesW(names, ListSize, source);
    if (namesLength >= ListSize - 2)
        return 1;
    for (wchar_t *name = names; name < names + namesLength && *name; name += wcslen(name) + 1) {
        DWORD length = GetPrivateProfileSectionW(name, section, ListSize, source);
        if (length >= ListSize - 2)
            return 1;
        for (wchar_t *line = section; line < section + length && *line;) {
            size_t lineLength = wcslen(line);
            wchar_t *equals = wcschr(line, L'=');
            if (line[0] != L';' && equals && equals != line && equals[1]) {
                *equals = L'\0';
                const wchar_t *value = equals + 1;
                DWORD got = GetPrivateProfileStringW(name, line, L"", current, ValueSize, target);
                if (got == 0 || _wcsicmp(current, value) != 0)
                    WritePrivateProfileStringW(name, line, value, target);
            }
            line += lineLength + 1;
        }
    }
    return 0;
}
