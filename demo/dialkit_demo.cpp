// A small Dialkit host: lists the phonebook, lets the user pick a modem,
// and prints both in UTF-8. Linked against Dialkit's import library, as a
// host that ships with Dialkit would be, and a Unicode one: it calls the
// wide exports, which give names in any script whole.
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

// UTF-16 text as UTF-8: up to 3 bytes per UTF-16 unit.
const int Utf8Size = 3 * 1024 + 1;

void ToUtf8(const WCHAR *text, char *utf8)
{
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, Utf8Size, nullptr, nullptr) == 0)
        utf8[0] = '\0';
}

// Each "\n"-ended line of `text`, indented, in UTF-8.
void PrintLines(const char *label, const WCHAR *text)
{
    char list[Utf8Size] = {};
    ToUtf8(text, list);
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

    // A console shows the UTF-8 output as such; a pipe or file takes the bytes.
    SetConsoleOutputCP(CP_UTF8);
    WCHAR list[1024] = {}, report[1024] = {};
    char text[Utf8Size] = {};
    int result = ListRASConnectionsW(list, report);
    printf("ListRASConnectionsW -> %d\n", result);
    if (result == 0)
        PrintLines("phonebook entry", list);
    else if (result != -1 && result != 621) {
        ToUtf8(report, text);
        printf("  %s\n", text);
    }

    if (answer)
        Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    memset(list, 0, sizeof list);
    memset(report, 0, sizeof report);
    result = ListTAPIModemsW(list, report);
    if (Hook)
        UnhookWindowsHookEx(Hook);
    printf("ListTAPIModemsW -> %d\n", result);
    if (result == 1) {
        ToUtf8(list, text);
        printf("  chosen modem: %s\n", wcscmp(list, L"CANCEL") == 0 ? "(cancelled)" : text);
    } else if (result != 0 && result != -1) {
        ToUtf8(report, text);
        printf("  %s", text);
    }
    fflush(stdout);
    return 0;
}
