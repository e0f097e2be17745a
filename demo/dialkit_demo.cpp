// A small Dialkit host: lists the phonebook, lets the user pick a modem,
// and prints both. Linked against Dialkit's import library, as a host that
// ships with Dialkit would be.
//
//   dialkit_demo [--answer MS] [--picture FILE.bmp]
//
// --answer presses OK in the picker after MS milliseconds (for machines
// without a user); --picture first saves the picker as shown on screen.
// Dialkit binds the telephony and remote-access services from the system
// folder.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "dialkit.h"
#include "window_picture.h"

namespace {

HHOOK Hook;
UINT AnswerAfter;
const char *PicturePath;
HWND Picker;

void CALLBACK Answer(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (PicturePath && !SaveWindowPicture(Picker, PicturePath))
        fprintf(stderr, "could not save %s\n", PicturePath);
    PostMessageA(Picker, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    char name[16] = {};
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && !Picker && GetClassNameA(window, name, sizeof name) &&
        strcmp(name, "#32770") == 0) {
        Picker = window;
        // The modal loop dispatches this thread timer once the dialog is drawn.
        SetTimer(nullptr, 0, AnswerAfter, Answer);
    }
    return CallNextHookEx(Hook, code, wParam, lParam);
}

// Each "\n"-ended line of `list`, indented.
void PrintLines(const char *label, const char *list)
{
    if (!*list)
        printf("  (no %s)\n", label);
    for (const char *line = list; *line;) {
        const char *end = strchr(line, '\n');
        int length = end ? static_cast<int>(end - line) : static_cast<int>(strlen(line));
        printf("  %s: %.*s\n", label, length, line);
        line += length + (end ? 1 : 0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    bool answer = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--answer") == 0) {
            answer = true;
            AnswerAfter = static_cast<UINT>(atoi(argv[i + 1]));
        } else if (strcmp(argv[i], "--picture") == 0) {
            PicturePath = argv[i + 1];
        }
    }

    char list[1024] = {}, report[1024] = {};
    int result = ListRASConnections(list, report);
    printf("ListRASConnections -> %d\n", result);
    if (result == 0)
        PrintLines("phonebook entry", list);
    else if (result != -1 && result != 621)
        printf("  %s\n", report);

    if (answer)
        Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    memset(list, 0, sizeof list);
    memset(report, 0, sizeof report);
    result = ListTAPIModems(list, report);
    if (Hook)
        UnhookWindowsHookEx(Hook);
    printf("ListTAPIModems -> %d\n", result);
    if (result == 1)
        printf("  chosen modem: %s\n", strcmp(list, "CANCEL") == 0 ? "(cancelled)" : list);
    else if (result != 0 && result != -1)
        printf("  %s", report);
    fflush(stdout);
    return 0;
}
