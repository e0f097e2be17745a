// Simulated Tapi32.dll: line devices taken from the scenario's [tapi] and
// [device<i>] sections, with knobs that make it misbehave on purpose.
//
//   [tapi]      InitResult, Devices, CountOnFailure
//   [device<i>] Negotiate, Version, Caps, MediaModes, Name, NameSize,
//               NameOffset, NameBytes; TotalSize, UsedSize, NeededSize
//               replace what the block's header says after the fill
// lineGetDevCaps and lineGetDevCapsW take the same keys. The wide call
// writes the name in UTF-16 with STRINGFORMAT_UNICODE; NameSize, NameOffset
// and NameBytes count bytes in both (NameBytes repeats the name's bytes, so
// NameSize can end a wide name inside a surrogate pair).
// A device number at or past Devices gets LINEERR_BADDEVICEID.
#include <windows.h>
#include <tapi.h>
#include <string.h>

#include "scenario.h"

// tapi.h maps these to their A forms; the exports keep the plain names.
#undef lineGetDevCaps
#undef lineConfigDialog

static const char kTapi[] = "tapi";
static const HLINEAPP kLineApp = (HLINEAPP)0x1234;
static const DWORD kFixedSize = sizeof(LINEDEVCAPS);

static DWORD device_count(const Scenario *sc)
{
    return scenario_number_or(sc, kTapi, "Devices", 0);
}

static void device_section(char *buf, size_t size, DWORD device)
{
    scenario_key(buf, size, "device", device);
}

extern "C" LONG WINAPI lineInitialize(LPHLINEAPP lphLineApp, HINSTANCE instance,
                                      LINECALLBACK callback, LPCSTR app,
                                      LPDWORD lpdwNumDevs)
{
    Call c;
    call_begin(&c, "lineInitialize");
    log_pointer(&c.ln, "instance", (const void *)instance);
    log_pointer(&c.ln, "callback", (const void *)callback);
    log_string(&c.ln, "app", app);

    DWORD result = scenario_number_or(&c.sc, kTapi, "InitResult", 0);
    bool counted = false;
    if (result == 0) {
        if (!lphLineApp || !lpdwNumDevs) {
            result = LINEERR_INVALPOINTER;
        } else {
            *lphLineApp = kLineApp;
            *lpdwNumDevs = device_count(&c.sc);
            counted = true;
        }
    } else {
        // Failure leaves the caller's values alone unless told otherwise.
        DWORD n;
        if (lpdwNumDevs && scenario_number(&c.sc, kTapi, "CountOnFailure", &n)) {
            *lpdwNumDevs = n;
            counted = true;
        }
    }

    log_result_code(&c.ln, result);
    if (counted)
        log_decimal(&c.ln, "devices", *lpdwNumDevs);
    log_write(&c.sc, &c.ln);
    return (LONG)result;
}

extern "C" LONG WINAPI lineNegotiateAPIVersion(HLINEAPP, DWORD device, DWORD low,
                                               DWORD high, LPDWORD lpdwAPIVersion,
                                               LPLINEEXTENSIONID extension)
{
    Call c;
    call_begin(&c, "lineNegotiateAPIVersion");
    log_decimal(&c.ln, "device", device);
    log_code(&c.ln, "low", low);
    log_code(&c.ln, "high", high);

    char section[32];
    device_section(section, sizeof section, device);
    DWORD result;
    bool written = false;
    if (device >= device_count(&c.sc)) {
        result = LINEERR_BADDEVICEID;
    } else {
        result = scenario_number_or(&c.sc, section, "Negotiate", 0);
        if (result == 0) {
            if (!lpdwAPIVersion) {
                result = LINEERR_INVALPOINTER;
            } else {
                // Deliberately not checked against low..high: a test may
                // want a service that answers outside the range asked for.
                *lpdwAPIVersion = scenario_number_or(&c.sc, section, "Version", 0x00020000);
                if (extension)
                    memset(extension, 0, sizeof *extension);
                written = true;
            }
        }
    }

    log_result_code(&c.ln, result);
    if (written)
        log_code(&c.ln, "version", *lpdwAPIVersion);
    log_write(&c.sc, &c.ln);
    return (LONG)result;
}

// The string format of the block that each width's call fills.
static DWORD string_format(char) { return STRINGFORMAT_ASCII; }
static DWORD string_format(WCHAR) { return STRINGFORMAT_UNICODE; }

// Fills a LINEDEVCAPS block of at least kFixedSize bytes, its name in
// characters of type C; the name lands only where it lies inside
// dwTotalSize, whatever the scenario claims. Sizes and offsets are bytes.
template <typename C>
static void fill_caps(const Scenario *sc, const char *section, DWORD device,
                      LPLINEDEVCAPS caps)
{
    DWORD total = caps->dwTotalSize;
    BYTE *block = (BYTE *)caps;
    memset(block + sizeof(DWORD), 0, kFixedSize - sizeof(DWORD));

    C name[1024];
    bool named = scenario_text(sc, section, "Name", name, 1024);
    size_t len = 0;
    while (name[len])
        len++;
    DWORD bytes = 0;
    DWORD forced;
    bool raw = scenario_number(sc, section, "NameBytes", &forced);
    if (raw)
        bytes = forced;
    else if (named)
        bytes = (DWORD)((len + 1) * sizeof(C));

    DWORD offset = named || raw ? kFixedSize : 0;
    scenario_number(sc, section, "NameOffset", &offset);
    DWORD size = bytes;
    scenario_number(sc, section, "NameSize", &size);

    if (raw && len == 0) {
        name[0] = 'X';
        len = 1;
    }
    const BYTE *text = (const BYTE *)name;
    size_t textBytes = len * sizeof(C);
    for (DWORD i = 0; i < bytes; i++) {
        unsigned long long at = (unsigned long long)offset + i;
        if (at >= total)
            break;
        // Without NameBytes the copy is the name and its zero.
        block[at] = raw ? text[i % textBytes] : text[i];
    }

    unsigned long long end = (unsigned long long)offset + bytes;
    unsigned long long needed = end > kFixedSize ? end : kFixedSize;
    unsigned long long used = needed < total ? needed : total;
    caps->dwNeededSize = needed > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)needed;
    caps->dwUsedSize = (DWORD)used;
    caps->dwPermanentLineID = device;
    caps->dwLineNameSize = size;
    caps->dwLineNameOffset = offset;
    caps->dwStringFormat = string_format(C());
    caps->dwNumAddresses = 1;
    caps->dwMediaModes = scenario_number_or(sc, section, "MediaModes", LINEMEDIAMODE_DATAMODEM);
    // A service may misreport its block's sizes.
    scenario_number(sc, section, "TotalSize", &caps->dwTotalSize);
    scenario_number(sc, section, "UsedSize", &caps->dwUsedSize);
    scenario_number(sc, section, "NeededSize", &caps->dwNeededSize);
}

template <typename C>
static LONG get_dev_caps(const char *function, DWORD device, DWORD version, DWORD ext,
                         LPLINEDEVCAPS caps)
{
    Call c;
    call_begin(&c, function);
    log_decimal(&c.ln, "device", device);
    log_code(&c.ln, "version", version);
    log_code(&c.ln, "ext", ext);
    if (caps)
        log_decimal(&c.ln, "total", caps->dwTotalSize);
    else
        log_text(&c.ln, " total=(null)");

    char section[32];
    device_section(section, sizeof section, device);
    DWORD result;
    if (device >= device_count(&c.sc)) {
        result = LINEERR_BADDEVICEID;
    } else {
        result = scenario_number_or(&c.sc, section, "Caps", 0);
        if (result == 0) {
            if (!caps)
                result = LINEERR_INVALPOINTER;
            else if (caps->dwTotalSize < kFixedSize)
                result = LINEERR_STRUCTURETOOSMALL;
            else
                fill_caps<C>(&c.sc, section, device, caps);
        }
    }

    return (LONG)call_end_code(&c, result);
}

extern "C" LONG WINAPI lineGetDevCaps(HLINEAPP, DWORD device, DWORD version, DWORD ext,
                                      LPLINEDEVCAPS caps)
{
    return get_dev_caps<char>("lineGetDevCaps", device, version, ext, caps);
}

extern "C" LONG WINAPI lineGetDevCapsW(HLINEAPP, DWORD device, DWORD version, DWORD ext,
                                       LPLINEDEVCAPS caps)
{
    return get_dev_caps<WCHAR>("lineGetDevCapsW", device, version, ext, caps);
}

extern "C" LONG WINAPI lineShutdown(HLINEAPP app)
{
    Call c;
    call_begin(&c, "lineShutdown");
    log_handle(&c.ln, "app", (ULONG_PTR)app);
    return call_end_code(&c, 0);
}

// Never shows anything: tests run without a desktop.
extern "C" LONG WINAPI lineConfigDialog(DWORD device, HWND owner, LPCSTR deviceClass)
{
    Call c;
    call_begin(&c, "lineConfigDialog");
    log_decimal(&c.ln, "device", device);
    log_pointer(&c.ln, "owner", owner);
    log_string(&c.ln, "class", deviceClass);
    return call_end_code(&c, 0);
}
