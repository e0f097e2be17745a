// profmerge: brings one profile up to date from another.
//   profmerge -src:<source profile> -target:<target profile>
// No window, no console output; the exit code is always 0.
#include <windows.h>
#include <stdlib.h>

#include "merge.h"
#include "options.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int)
{
    if (!tail || !*tail)
        return 0;

    char *source = ExtractOption(tail, "-src:");
    // Without a source there is nothing to merge, so the target is not looked up.
    char *target = source ? ExtractOption(tail, "-target:") : nullptr;
    MergeProfiles(source, target);
    free(target);
    free(source);
    return 0;
}
