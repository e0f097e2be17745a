// ListTAPIModems and ListTAPIModemsQuiet, 8-bit and wide: the data-modem
// lines of the telephony service, and the user's pick among them.
#include <windows.h>
#include <tapi.h>
#include <stddef.h>
#include <string.h>

#include "binding.h"
#include "caller_buffers.h"
#include "dialkit.h"
#include "module.h"
#include "picker/picker.h"
#include "record_block.h"
#include "picker/picker_ids.h"

namespace {

constexpr DWORD CapsBlockSize = 4336;
constexpr DWORD LowestVersion = 0x00010000;
constexpr DWORD HighestVersion = 0x03E80000;
constexpr LONG NoDevice = static_cast<LONG>(0x80000042);  // LINEERR_NODEVICE
constexpr LONG NoMemory = static_cast<LONG>(0x80000044);  // LINEERR_NOMEM
constexpr DWORD DataModem = 0x00000010;                    // LINEMEDIAMODE_DATAMODEM

static_assert(offsetof(LINEDEVCAPS, dwTotalSize) == 0);
static_assert(offsetof(LINEDEVCAPS, dwUsedSize) == 8);
static_assert(offsetof(LINEDEVCAPS, dwLineNameSize) == 32);
static_assert(offsetof(LINEDEVCAPS, dwLineNameOffset) == 36);
static_assert(offsetof(LINEDEVCAPS, dwMediaModes) == 60);
static_assert(sizeof(LINEDEVCAPS) <= CapsBlockSize);

// Kept between calls: a failed initialisation leaves the count as it was.
HLINEAPP LineApp;
DWORD DeviceCount;
DWORD NegotiatedVersion;

void CALLBACK IgnoreLineEvent(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
}

// Line errors (0x8000xxxx) map to messages 0xE000 + n, phone errors
// (0x9000xxxx) to 0xF000 + n.
DWORD TapiMessageId(LONG code)
{
    DWORD value = static_cast<DWORD>(code);
    if (value > 0xFFFF0000)
        return value & 0xFFFF;
    if (value & 0x10000000)
        return value + 0x7000F000;
    return value - 0x7FFF2000;
}

void ShutDownLineApp()
{
    if (LineApp) {
        GuardedLineShutdown(LineApp);
        LineApp = 0;
    }
}

LONG TapiErrorExit(const CallerBuffers &buffers, LONG code)
{
    LastResult = code;
    StartReport(buffers, "TAPI ERROR : ");
    // Room for either width.
    wchar_t text[ErrorReportSize] = {};
    // No insert arguments: a message that expects one yields no text.
    HMODULE tapi = GetModuleHandleA("TAPI32.DLL");
    DWORD id = TapiMessageId(code);
    DWORD found = 0;
    if (tapi && buffers.wide)
        found = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE, tapi, id, 0, text, ErrorReportSize, nullptr);
    else if (tapi)
        found = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE, tapi, id, 0,
                               reinterpret_cast<char *>(text), ErrorReportSize, nullptr);
    if (!found)
        text[0] = 0;
    FinishReport(buffers, text, code);
    ShutDownLineApp();
    return code;
}

// Appends the device's name, read only inside the part of the block that
// the service says it filled. A name that starts outside is left out,
// whatever its size: an empty one there is no name either. True when it
// was listed. `wideCaps`: the block came from the wide call, whose name is
// UTF-16 and whose sizes still count bytes.
bool AppendDeviceName(const CallerBuffers &buffers, const LINEDEVCAPS *caps, bool wideCaps)
{
    DWORD filled = CapsBlockSize;
    if (caps->dwTotalSize < filled)
        filled = caps->dwTotalSize;
    if (caps->dwUsedSize && caps->dwUsedSize < filled)
        filled = caps->dwUsedSize;
    DWORD length = caps->dwLineNameSize;
    DWORD offset = caps->dwLineNameOffset;
    if (offset >= filled)
        return false;
    if (length > filled - offset)
        length = filled - offset;
    const char *name = reinterpret_cast<const char *>(caps) + offset;
    if (!buffers.wide)
        return AppendListEntry(buffers, name, length);
    if (!wideCaps)
        return AppendAnsiListEntry(buffers, name, length);
    // A UTF-16 name is read only where its characters are aligned.
    if (offset % sizeof(wchar_t))
        return false;
    return AppendListEntry(buffers, name, length / sizeof(wchar_t));
}

// Since Vista, session 0 holds only services and what runs as the system
// account: its window station still says it is visible, but nobody sees
// its desktop. Before Vista the first user to log on worked there.
// Compatibility modes ("Windows XP", often applied to old setups) make
// GetVersion say 5.1 on later systems; ntdll's own answer is not altered,
// so GetVersion is asked only where that is missing (before XP).
bool InUnseenSession()
{
    DWORD session = 1;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session) || session != 0)
        return false;
    typedef LONG(WINAPI * VersionFunction)(OSVERSIONINFOW *);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto realVersion = reinterpret_cast<VersionFunction>(reinterpret_cast<void (*)()>(
        ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr));
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (realVersion && realVersion(&version) == 0)
        return version.dwMajorVersion >= 6;
    return LOBYTE(LOWORD(GetVersion())) >= 6;
}

// A process in a window station that nobody sees (a service's) would wait
// for ever on a picker there. Where the query fails, show it as before.
bool StationIsVisible()
{
    if (InUnseenSession())
        return false;
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                   &needed))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// Shows the picker and leaves the answer in the list.
void RunPicker(const CallerBuffers &buffers)
{
    INT_PTR chosen = -1;
    if (StationIsVisible()) {
        LPARAM list = reinterpret_cast<LPARAM>(buffers.list);
        chosen = buffers.wide ? DialogBoxParamW(ModuleInstance, MAKEINTRESOURCEW(IDD_PICKER), nullptr,
                                                PickerProc, list)
                              : DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_PICKER), nullptr,
                                                PickerProc, list);
    }
    // A picker that could not be shown offered no choice: as Cancel.
    if (chosen == 1 && PickerSelection)
        ReplaceList(buffers, PickerSelection);
    else
        ReplaceListAscii(buffers, "CANCEL");
    ReleasePickerSelection();
}

enum class Choice { Picker, None };

// Binds the service, lists the data modems into `list` and, with a picker,
// replaces the list with the user's choice. Returns the list functions'
// result: 1 after the picker, the number of names listed without it.
LONG ListDataModems(const CallerBuffers &buffers, Choice choice)
{
    if (!TapiBinding.module) {
        BindTelephony();
        if (!TapiBinding.module)
            return -1;
    }

    LineApp = 0;
    LONG result = GuardedLineInitialize(&LineApp, ModuleInstance, IgnoreLineEvent, nullptr,
                                        &DeviceCount);
    if (result == NoDevice || DeviceCount == 0) {
        ShutDownLineApp();
        ReleaseTelephony();
        return 0;
    }

    LINEDEVCAPS *caps = nullptr;
    if (result == 0) {
        caps = static_cast<LINEDEVCAPS *>(NewRecordBlock(CapsBlockSize));
        if (!caps)
            result = NoMemory;
    }

    // A library without the wide call still serves the wide lists, in the
    // ANSI code page.
    bool wideCaps = buffers.wide && TapiBinding.lineGetDevCapsW;
    LONG listed = 0;
    if (result == 0) {
        ClearBuffers(buffers);
        for (LONG device = 0; device < static_cast<LONG>(DeviceCount); device++) {
            memset(caps, 0, CapsBlockSize);
            caps->dwTotalSize = CapsBlockSize;
            LINEEXTENSIONID extension = {};
            if (GuardedLineNegotiateAPIVersion(LineApp, device, LowestVersion, HighestVersion,
                                               &NegotiatedVersion, &extension) != 0)
                continue;
            result = wideCaps ? GuardedLineGetDevCapsW(LineApp, device, NegotiatedVersion, 0, caps)
                              : GuardedLineGetDevCaps(LineApp, device, NegotiatedVersion, 0, caps);
            if (result != 0)
                break;
            if ((caps->dwMediaModes & DataModem) && AppendDeviceName(buffers, caps, wideCaps))
                listed++;
        }
    }

    LONG answer = listed;
    if (result != 0) {
        answer = TapiErrorExit(buffers, result);
    } else {
        if (choice == Choice::Picker) {
            RunPicker(buffers);
            answer = 1;
        }
        ShutDownLineApp();
    }

    FreeRecordBlock(caps);
    if (TapiBinding.module)
        ReleaseTelephony();
    return answer;
}

// The picker's loop runs the host's code, which may call again, and other
// threads of the host may call at any time: a second call must not replace
// the running one's line application or unload the library it still uses.
LONG ListOnce(const CallerBuffers &buffers, Choice choice)
{
    if (!TakeGuard(TelephonyInUse))
        return ListBusy;
    LONG answer = ListDataModems(buffers, choice);
    ReleaseGuard(TelephonyInUse);
    return answer;
}

} // namespace

// ListTAPIModems (ordinal 2): lists data modems, lets the user pick one.
int WINAPI ListTAPIModems(char *list, char *errorReport)
{
    return ListOnce({list, errorReport, false}, Choice::Picker);
}

// ListTAPIModemsQuiet (ordinal 8): lists data modems for unattended installs.
int WINAPI ListTAPIModemsQuiet(char *list, char *errorReport)
{
    return ListOnce({list, errorReport, false}, Choice::None);
}

// ListTAPIModemsW (ordinal 9): ListTAPIModems for Unicode hosts.
int WINAPI ListTAPIModemsW(WCHAR *list, WCHAR *errorReport)
{
    return ListOnce({list, errorReport, true}, Choice::Picker);
}

// ListTAPIModemsQuietW (ordinal 10): ListTAPIModemsQuiet for Unicode hosts.
int WINAPI ListTAPIModemsQuietW(WCHAR *list, WCHAR *errorReport)
{
    return ListOnce({list, errorReport, true}, Choice::None);
}
