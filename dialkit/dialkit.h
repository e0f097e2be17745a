/* Dialkit: which data modems the telephony service knows (with a picker
 * dialog) and which entries the dial-up phonebook holds.
 *
 * Load the DLL by name or link against its import library. The list buffer
 * and the error buffer are each at least 1024 characters, owned by the
 * caller: bytes for the 8-bit functions, whose text is in the ANSI code page
 * (cut at whole characters, UTF-8 included), WCHARs for the wide ones
 * (ordinals 9 to 11), which give the services' names as they are, whatever
 * the code page. Unicode hosts should call the wide ones. */
#ifndef DIALKIT_H
#define DIALKIT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinal 2. The names of the data-modem lines, shown in a modal picker;
 * `list` receives the choice, "" (OK with nothing to choose) or "CANCEL".
 * 1 after the picker ran (also when it cannot be shown, e.g. in a window
 * station nobody sees: then "CANCEL"), 0 without a telephony device, -1 when
 * the telephony library cannot be loaded, -2 when busy: another modem call
 * of this process is running (the picker's loop runs the host's code, or
 * another thread called; nothing is written then), else a telephony error
 * code with a "TAPI ERROR : " report in `errorReport`. */
int WINAPI ListTAPIModems(char *list, char *errorReport);

/* Ordinal 8. The same list without a dialog, for unattended installs: each
 * data modem's name followed by "\n", in the telephony service's order.
 * The number of names listed (0: none; without a telephony device both
 * buffers are left as given), else as ListTAPIModems: -1, -2 or a telephony
 * error code with a report. */
int WINAPI ListTAPIModemsQuiet(char *list, char *errorReport);

/* Ordinal 3. The default phonebook's entry names, each followed by "\n".
 * 0 on success, -1 when the remote-access library cannot be loaded, -2 when
 * another thread's phonebook call is running (nothing written), 621 when
 * there is no phonebook, else an error code with a "RAS ERROR : " report. */
int WINAPI ListRASConnections(char *list, char *errorReport);

/* Ordinals 9 to 11: the same lists in UTF-16, with the same results, texts
 * and guards (a call of either width is busy while one of the other width
 * runs); entries fit by the same rule, counted in UTF-16 code units, and a
 * cut never separates a surrogate pair. Where the service's library has no
 * wide calls, its 8-bit answers are converted from the ANSI code page. */
int WINAPI ListTAPIModemsW(WCHAR *list, WCHAR *errorReport);
int WINAPI ListTAPIModemsQuietW(WCHAR *list, WCHAR *errorReport);
int WINAPI ListRASConnectionsW(WCHAR *list, WCHAR *errorReport);

/* Ordinals 4 to 7. A load returns the library's module handle, 20 when an
 * entry point is missing (the library stays loaded) or 0 when the library
 * cannot be loaded. An unload always returns 0. Called while another call
 * of the same service runs (a modem list's picker, another thread), a load
 * returns the handle that call holds and an unload unloads nothing; when
 * that call holds no handle (it is still binding the library or has let it
 * go), a load answers handle, 20 or 0 as above but keeps nothing loaded.
 * Either way 0 still means the library cannot be loaded. On 32-bit Windows
 * INT_PTR is the 32-bit int; on x64 it holds the whole handle. */
INT_PTR WINAPI LoadTAPILib(void);
INT_PTR WINAPI UnLoadTAPILib(void);
INT_PTR WINAPI LoadRASLib(void);
INT_PTR WINAPI UnLoadRASLib(void);

#ifdef __cplusplus
}
#endif

#endif
