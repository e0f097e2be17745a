#include "picker.h"

#include <stdlib.h>
#include <string.h>

#include "picker_ids.h"

char *PickerSelection;

void ReleasePickerSelection()
{
    free(PickerSelection);
    PickerSelection = nullptr;
}

namespace {

// Replaces the selection with a zeroed buffer of `size` bytes; false when
// no memory could be had.
bool NewSelection(size_t size)
{
    ReleasePickerSelection();
    PickerSelection = static_cast<char *>(calloc(size, 1));
    return PickerSelection != nullptr;
}

void FillList(HWND dialog, char *listText)
{
    // Runs of "\n" and a trailing one give no empty items.
    char *token = listText;
    while (*token) {
        char *end = strchr(token, '\n');
        if (end)
            *end = '\0';
        if (*token)
            SendDlgItemMessageA(dialog, IDC_MODEM_LIST, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(token));
        if (!end)
            break;
        token = end + 1;
    }
    SendDlgItemMessageA(dialog, IDC_MODEM_LIST, LB_SETCURSEL, 0, 0);
    // Installers run full-screen windows of their own; stay above them.
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// The selected item, or "" when nothing is selected.
void CloseWithChoice(HWND dialog)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_MODEM_LIST, LB_GETCURSEL, 0, 0);
    LRESULT length = SendDlgItemMessageA(dialog, IDC_MODEM_LIST, LB_GETTEXTLEN, index, 0);
    if (length < 0)
        length = 0;
    if (!NewSelection(static_cast<size_t>(length) + 1)) {
        // Without memory for the answer there is no choice: close as Cancel.
        EndDialog(dialog, 0);
        return;
    }
    if (length > 0)
        SendDlgItemMessageA(dialog, IDC_MODEM_LIST, LB_GETTEXT, index,
                            reinterpret_cast<LPARAM>(PickerSelection));
    EndDialog(dialog, 1);
}

void CloseAsCancel(HWND dialog)
{
    if (NewSelection(sizeof "CANCEL"))
        memcpy(PickerSelection, "CANCEL", sizeof "CANCEL");
    EndDialog(dialog, 0);
}

} // namespace

INT_PTR CALLBACK PickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (lParam)
            FillList(dialog, reinterpret_cast<char *>(lParam));
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
