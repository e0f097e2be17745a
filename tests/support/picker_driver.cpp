#include "picker_driver.h"

#include <iterator>

#include "test_files.h"

namespace {

HHOOK Hook;
PickerAction Action;
int Item;
PickerSeen Observed;
HWND Dialog;

bool IsDialog(HWND window)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

std::string WindowText(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void Record(HWND dialog)
{
    Observed.shown = true;
    Observed.caption = WindowText(dialog);
    HWND list = GetDlgItem(dialog, 1000);
    Observed.unicode = IsWindowUnicode(list);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        char item[1100] = {};
        WCHAR wide[1100] = {};
        if (!Observed.unicode && SendMessageA(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof item))
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
        if (Observed.unicode && SendMessageW(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(std::size(wide)))
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        Observed.items.push_back(Observed.unicode ? Utf8(wide) : item);
    }
    Observed.selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    Observed.topmost = (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    Observed.okText = WindowText(GetDlgItem(dialog, IDOK));
    Observed.cancelText = WindowText(GetDlgItem(dialog, IDCANCEL));
}

void Act(HWND dialog)
{
    HWND list = GetDlgItem(dialog, 1000);
    switch (Action) {
    case PickerAction::Ok:
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        break;
    case PickerAction::Cancel:
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    case PickerAction::Enter:
        PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
        break;
    case PickerAction::Escape:
        PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    case PickerAction::SelectSecondThenOk:
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        break;
    case PickerAction::SelectItemThenOk:
        SendMessageA(list, LB_SETCURSEL, Item, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        break;
    case PickerAction::DoubleClickThenCancel:
        // Were the double click to close the dialog, Cancel would come too late.
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1000, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    case PickerAction::RefuseToCreate:
        break;
    }
    Observed.chosen = SendMessageA(list, LB_GETCURSEL, 0, 0);
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND) {
        auto *create = reinterpret_cast<CBT_CREATEWNDA *>(lParam);
        if (create->lpcs->lpszClass == MAKEINTATOM(32770) || IsDialog(window)) {
            Observed.created++;
            // One picker per call: a second one would wait unanswered.
            if (Action == PickerAction::RefuseToCreate || Dialog)
                return 1;
        }
    }
    // The hook also sees other windows activate after the dialog closes.
    if (code == HCBT_ACTIVATE && !Dialog && IsDialog(window)) {
        Dialog = window;
        Record(window);
        Act(window);
    }
    return CallNextHookEx(Hook, code, wParam, lParam);
}

} // namespace

PickerDriver::PickerDriver(PickerAction action, int item)
{
    Action = action;
    Item = item;
    Observed = PickerSeen();
    Dialog = nullptr;
    Hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

PickerDriver::~PickerDriver()
{
    UnhookWindowsHookEx(Hook);
}

const PickerSeen &PickerDriver::Seen() const
{
    return Observed;
}
