// The modal dialog in which the user picks the modem type.
#ifndef DIALKIT_PICKER_H
#define DIALKIT_PICKER_H

#include <windows.h>

// The closed picker's answer: the chosen name, "" or "CANCEL", 8-bit text
// after DialogBoxParamA, UTF-16 after DialogBoxParamW. Owned by the module;
// each close replaces it, ReleasePickerSelection frees it.
extern void *PickerSelection;

void ReleasePickerSelection();

// The dialog procedure of template IDD_PICKER, for either width of dialog.
// The initialisation parameter is the "\n"-separated list text, of the
// dialog's width, which the procedure splits in place.
INT_PTR CALLBACK PickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
