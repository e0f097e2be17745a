#include "picker.h"

#include <stdlib.h>
#include <string.h>

#include "picker_ids.h"

void *PickerSelection;

void ReleasePickerSelection()
{
    free(PickerSelection);
    PickerSelection = nullptr;
}

namespace {

// A dialog made by DialogBoxParamW is a Unicode window: its list box takes
// and gives UTF-16, so names outside the ANSI code page show as they are.
LRESULT SendToList(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsWindowUnicode(dialog))
        return SendDlgItemMessageW(dialog, IDC_MODEM_LIST, message, wParam, lParam);
    return SendDlgItemMessageA(dialog, IDC_MODEM_LIST, message, wParam, lParam);
}

// Replaces the selection with a zeroed buffer of `size` bytes; false when
// no memory could be had.
bool NewSelection(size_t size)
{
    ReleasePickerSelection();
    PickerSelection = calloc(size, 1);
    return PickerSelection != nullptr;
}

template <typename C>
void AddItems(HWND dialog, C *listText)
{
    // Runs of "\n" and a trailing one give no empty items.
    C *token = listText;
    while (*token) {
        C *end = token;
        while (*end && *end != '\n')
            end++;
        bool last = !*end;
        *end = 0;
        if (*token)
            SendToList(dialog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(token));
        if (last)
            break;
        token = end + 1;
    }
}

void FillList(HWND dialog, void *listText)
{
    if (IsWindowUnicode(dialog))
        AddItems(dialog, static_cast<wchar_t *>(listText));
    else
        AddItems(dialog, static_cast<char *>(listText));
    SendToList(dialog, LB_SETCURSEL, 0, 0);
    // Installers run full-screen windows of their own; stay above them.
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// The selected item, or "" when nothing is selected.
void CloseWithChoice(HWND dialog)
{
    size_t unit = IsWindowUnicode(dialog) ? sizeof(wchar_t) : 1;
    LRESULT index = SendToList(dialog, LB_GETCURSEL, 0, 0);
    LRESULT length = SendToList(dialog, LB_GETTEXTLEN, index, 0);
    if (length < 0)
        length = 0;
    if (!NewSelection((static_cast<size_t>(length) + 1) * unit)) {
        // Without memory for the answer there is no choice: close as Cancel.
        EndDialog(dialog, 0);
        return;
    }
    if (length > 0)
        SendToList(dialog, LB_GETTEXT, index, reinterpret_cast<LPARAM>(PickerSelection));
    EndDialog(dialog, 1);
}

void CloseAsCancel(HWND dialog)
{
    static const wchar_t cancel[] = L"CANCEL";
    if (NewSelection(sizeof cancel)) {
        if (IsWindowUnicode(dialog))
            memcpy(PickerSelection, cancel, sizeof cancel);
        else
            memcpy(PickerSelection, "CANCEL", sizeof "CANCEL");
    }
    EndDialog(dialog, 0);
}

} // namespace

INT_PTR CALLBACK PickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (lParam)
            FillList(dialog, reinterpret_cast<void *>(lParam));
        return TRUE;
    case WM_COMMAND:
        // Exactly IDOK or IDCANCEL: list notifications (a double click too)
        // carry a code in the high word and must not close the dialog.
        if (wParam == IDOK)
            CloseWithChoice(dialog);
        else if (wParam == IDCANCEL)
            CloseAsCancel(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
