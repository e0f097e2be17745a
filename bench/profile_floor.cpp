// profile_floor: the profile-service calls a merge of SOURCE into TARGET
// cannot do without, and nothing else. run-bench.sh times profmerge against
// it, so the difference is what profmerge adds on top of the service.
//   profile_floor SOURCE TARGET
// Fixed buffers sized for the generated bench profiles; a list the service
// had to cut is reported instead of being half merged.
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr DWORD ListSize = 64 * 1024;
constexpr DWORD ValueSize = 4096;

// One spare zero past what the service may fill keeps every walk inside.
char names[ListSize + 1];
char section[ListSize + 1];
char current[ValueSize + 1];

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        fputs("usage: profile_floor SOURCE TARGET\n", stderr);
        return 2;
    }
    const char *source = argv[1];
    const char *target = argv[2];

    // The service returns size - 2 when it had to cut a list.
    DWORD namesLength = GetPrivateProfileSectionNamesA(names, ListSize, source);
    if (namesLength >= ListSize - 2)
        return 1;
    for (char *name = names; name < names + namesLength && *name; name += strlen(name) + 1) {
        DWORD length = GetPrivateProfileSectionA(name, section, ListSize, source);
        if (length >= ListSize - 2)
            return 1;
        for (char *line = section; line < section + length && *line;) {
            size_t lineLength = strlen(line);
            char *equals = strchr(line, '=');
            if (line[0] != ';' && equals && equals != line && equals[1]) {
                *equals = '\0';
                const char *value = equals + 1;
                DWORD got = GetPrivateProfileStringA(name, line, "", current, ValueSize, target);
                if (got == 0 || _stricmp(current, value) != 0)
                    WritePrivateProfileStringA(name, line, value, target);
            }
            line += lineLength + 1;
        }
    }
    return 0;
}
