// profmerge: brings one profile up to date from another.
//   profmerge -src:<source profile> -target:<target profile>
// No window, no console output. The exit code is 0, or the error code of
// the first write to the target that failed.
#include <windows.h>
#include <stdlib.h>

#include "merge.h"
#include "options.h"
#include "profile_path.h"

namespace {

// Merges the two profiles named on the command line.
DWORD MergeFromCommandLine(const wchar_t *tail)
{
    wchar_t *source = ExtractOption(tail, L"-src:");
    // Without a source there is nothing to merge, so the target is not looked up.
    wchar_t *target = source ? ExtractOption(tail, L"-target:") : nullptr;
    DWORD result = 0;
    if (source && target) {
        wchar_t *sourcePath = ProfilePath(source);
        wchar_t *targetPath = ProfilePath(target);
        result = MergeProfiles(sourcePath, targetPath);
        free(targetPath);
        free(sourcePath);
    }
    free(target);
    free(source);
    return result;
}

} // namespace

// The 8-bit tail WinMain receives cannot carry names outside the ANSI code
// page, so the wide command line is read instead.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const wchar_t *tail = CommandLineTail(GetCommandLineW());
    if (!*tail)
        return 0;
    return (int)MergeFromCommandLine(tail);
}
