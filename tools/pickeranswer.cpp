// Answers Dialkit's picker from outside the process that shows it, as a
// user would: waits for the dialog captioned "Install", prints its items,
// selects one and presses OK or Cancel.
//
//   pickeranswer [--choose TEXT] [--cancel] [--picture FILE.bmp]
//                [--settle MS] [--timeout MS] [--installer CAPTION]
//                [--finish LABEL]
//
// --choose selects the item TEXT (default: leave the selection as shown);
// --cancel presses Cancel instead of OK; --picture saves the dialog as shown
// on screen, --settle MS after it appeared (default 0); --timeout bounds
// each wait (default 60000). --installer also clicks through the
// interactive installer whose caption starts with CAPTION: its Install button
// before the picker, its Close button (--finish: the button LABEL, as Inno
// Setup's Finish) once it is enabled again.
// Exit code: 0 when the dialog was answered and closed (and the installer
// closed); 1 when it never appeared; 2 when TEXT is not in the list (Cancel
// is pressed then); 3 when it did not close; 4 when the installer's window
// or button did not come.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "window_picture.h"

namespace {

const int ModemList = 1000;

// Our dialog: the picker's caption, a dialog class and the modem list box.
HWND FindPicker()
{
    HWND dialog = FindWindowA(MAKEINTATOM(32770), "Install");
    if (!dialog || !IsWindowVisible(dialog))
        return nullptr;
    char name[16] = {};
    GetClassNameA(GetDlgItem(dialog, ModemList), name, sizeof name);
    return lstrcmpiA(name, "ListBox") == 0 ? dialog : nullptr;
}

// Prints each item as "item: TEXT", the selected one marked with "*".
void PrintItems(HWND list)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        // Wide, then converted: across processes, Wine hands an ANSI
        // LB_GETTEXT the list box's UTF-16 text unconverted.
        WCHAR wide[1100] = {};
        char item[1100 * 3] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(ARRAYSIZE(wide)))
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, item, sizeof item - 1, nullptr, nullptr);
        printf("item%s: %s\n", i == selected ? "*" : "", item);
    }
}

struct InstallerSearch {
    const char *prefix, *label;
    HWND found, button;
    bool wizard;
};

// A control whose text, without its "&" marks, is `label`.
BOOL CALLBACK MatchButton(HWND control, LPARAM param)
{
    auto *search = reinterpret_cast<InstallerSearch *>(param);
    char text[64] = {}, plain[64] = {};
    GetWindowTextA(control, text, sizeof text);
    for (size_t from = 0, to = 0; text[from] && to + 1 < sizeof plain; from++)
        if (text[from] != '&')
            plain[to++] = text[from];
    if (!IsWindowVisible(control) || strcmp(plain, search->label) != 0)
        return TRUE;
    search->button = control;
    return FALSE;
}

BOOL CALLBACK MatchInstaller(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<InstallerSearch *>(param);
    char name[16] = {}, caption[256] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, caption, sizeof caption);
    if (!IsWindowVisible(window) || strncmp(caption, search->prefix, strlen(search->prefix)) != 0)
        return TRUE;
    // NSIS: a dialog whose Next button reads Install, later Close. Inno
    // Setup: a wizard form whose buttons are found by their text.
    if (strcmp(name, "#32770") == 0)
        search->button = GetDlgItem(window, IDOK);
    else {
        search->wizard = true;
        EnumChildWindows(window, MatchButton, param);
    }
    if (!search->button)
        return TRUE;
    search->found = window;
    return FALSE;
}

// Waits for the installer's window (its caption starts with `installer`;
// NSIS adds the page's name) to show its enabled button `label` and clicks
// it. The window, or nullptr when that does not happen within `timeout`.
HWND PressNext(const char *installer, const char *label, DWORD timeout)
{
    DWORD start = GetTickCount();
    for (;;) {
        InstallerSearch search = {installer, label, nullptr, nullptr, false};
        EnumWindows(MatchInstaller, reinterpret_cast<LPARAM>(&search));
        if (search.button && IsWindowVisible(search.button) && IsWindowEnabled(search.button)) {
            // Before the click: the installer may end, and this process with it.
            printf("installer: pressing %s\n", label);
            fflush(stdout);
            // Inno Setup installs inside the click's handler: a sent click
            // would wait for the whole installation, picker included.
            if (search.wizard)
                PostMessageA(search.button, BM_CLICK, 0, 0);
            else
                SendMessageA(search.button, BM_CLICK, 0, 0);
            return search.found;
        }
        if (GetTickCount() - start > timeout)
            return nullptr;
        Sleep(50);
    }
}

// Waits until `window` is gone; false after `timeout`.
bool WaitUntilClosed(HWND window, DWORD timeout)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(50);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const char *choose = nullptr, *picture = nullptr, *installer = nullptr, *finish = "Close";
    bool cancel = false;
    DWORD settle = 0, timeout = 60000;
    for (int i = 1; i < argc; i++) {
        bool more = i + 1 < argc;
        if (strcmp(argv[i], "--cancel") == 0)
            cancel = true;
        else if (more && strcmp(argv[i], "--choose") == 0)
            choose = argv[++i];
        else if (more && strcmp(argv[i], "--picture") == 0)
            picture = argv[++i];
        else if (more && strcmp(argv[i], "--settle") == 0)
            settle = strtoul(argv[++i], nullptr, 10);
        else if (more && strcmp(argv[i], "--timeout") == 0)
            timeout = strtoul(argv[++i], nullptr, 10);
        else if (more && strcmp(argv[i], "--installer") == 0)
            installer = argv[++i];
        else if (more && strcmp(argv[i], "--finish") == 0)
            finish = argv[++i];
    }

    if (installer && !PressNext(installer, "Install", timeout)) {
        printf("no installer window %s within %lu ms\n", installer, timeout);
        return 4;
    }

    // Another process's window: nothing to hook, so poll for it.
    HWND dialog = nullptr;
    DWORD start = GetTickCount();
    while (!(dialog = FindPicker())) {
        if (GetTickCount() - start > timeout) {
            printf("no picker within %lu ms\n", timeout);
            return 1;
        }
        Sleep(50);
    }
    HWND list = GetDlgItem(dialog, ModemList);
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    printf("picker: %s\n", caption);
    PrintItems(list);

    if (picture) {
        Sleep(settle);
        RedrawWindow(dialog, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        if (!SaveWindowPicture(dialog, picture))
            printf("could not save %s\n", picture);
    }

    int result = 0;
    if (choose) {
        LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(choose));
        if (index == LB_ERR) {
            // Cancel rather than leave the installer waiting for a user.
            printf("no item %s\n", choose);
            cancel = true;
            result = 2;
        } else {
            SendMessageA(list, LB_SETCURSEL, index, 0);
            printf("selected: %s\n", choose);
        }
    }

    // A click on the button, delivered by the dialog's own thread.
    int button = cancel ? IDCANCEL : IDOK;
    printf("pressing %s\n", cancel ? "Cancel" : "OK");
    fflush(stdout);
    SetForegroundWindow(dialog);
    SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);

    if (!WaitUntilClosed(dialog, timeout)) {
        printf("picker still open after %lu ms\n", timeout);
        return 3;
    }

    // Its Next button, disabled while the installation runs, becomes Close
    // (NSIS) or Finish (Inno Setup).
    if (installer) {
        HWND window = PressNext(installer, finish, timeout);
        if (!window || !WaitUntilClosed(window, timeout)) {
            printf("installer %s did not finish within %lu ms\n", installer, timeout);
            return 4;
        }
    }
    return result;
}
