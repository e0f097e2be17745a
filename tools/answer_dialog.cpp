// Answers the first dialog box that appears on the desktop with OK, for
// hosts that show one and cannot be hooked (an example built as published).
//
//   answer_dialog [SECONDS]     exit code 0 once answered, 1 if none came
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    int seconds = argc > 1 ? atoi(argv[1]) : 60;
    // Another process's window: no hook reaches it, so look for it.
    for (int waited = 0; waited < seconds * 1000; waited += 20) {
        HWND dialog = FindWindowA("#32770", nullptr);
        if (dialog && IsWindowVisible(dialog)) {
            char caption[64] = {};
            GetWindowTextA(dialog, caption, sizeof caption - 1);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            printf("answered \"%s\" with OK\n", caption);
            return 0;
        }
        Sleep(20);
    }
    printf("no dialog in %d s\n", seconds);
    return 1;
}
