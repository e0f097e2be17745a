// Resource ids shared by picker.rc and the dialog procedure.
#ifndef DIALKIT_PICKER_IDS_H
#define DIALKIT_PICKER_IDS_H

#define IDD_PICKER 101
#define IDC_MODEM_LIST 1000

#endif
