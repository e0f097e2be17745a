/* Dialkit: which data modems the telephony service knows (with a picker
 * dialog) and which entries the dial-up phonebook holds.
 *
 * Load the DLL by name or link against its import library. The list buffer
 * and the error buffer are each at least 1024 bytes, owned by the caller. */
#ifndef DIALKIT_H
#define DIALKIT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinal 2. The names of the data-modem lines, shown in a modal picker;
 * `list` receives the choice, "" (OK with nothing to choose) or "CANCEL".
 * 1 after the picker ran, 0 without a telephony device, -1 when the
 * telephony library cannot be loaded, else a telephony error code with a
 * "TAPI ERROR : " report in `errorReport`. */
int WINAPI ListTAPIModems(char *list, char *errorReport);

/* Ordinal 3. The default phonebook's entry names, each followed by "\n".
 * 0 on success, -1 when the remote-access library cannot be loaded, 621 when
 * there is no phonebook, else an error code with a "RAS ERROR : " report. */
int WINAPI ListRASConnections(char *list, char *errorReport);

/* Ordinals 4 to 7. A load returns the library's module handle, 20 when an
 * entry point is missing (the library stays loaded) or 0 when the library
 * cannot be loaded. An unload always returns 0. On 32-bit Windows INT_PTR is
 * the 32-bit int; on x64 it holds the whole handle. */
INT_PTR WINAPI LoadTAPILib(void);
INT_PTR WINAPI UnLoadTAPILib(void);
INT_PTR WINAPI LoadRASLib(void);
INT_PTR WINAPI UnLoadRASLib(void);

#ifdef __cplusplus
}
#endif

#endif
