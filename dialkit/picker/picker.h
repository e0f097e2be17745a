// The modal dialog in which the user picks the modem type.
#ifndef DIALKIT_PICKER_H
#define DIALKIT_PICKER_H

#include <windows.h>

// The closed picker's answer: the chosen name, "" or "CANCEL". Owned by the
// module; each close replaces it, ReleasePickerSelection frees it.
extern char *PickerSelection;

void ReleasePickerSelection();

// The dialog procedure of template IDD_PICKER. The initialisation parameter
// is the "\n"-separated list text, which the procedure splits in place.
INT_PTR CALLBACK PickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
