#include "scenario.h"

#include <stdlib.h>
#include <string.h>

// One copy per process is enough: the services answer one call at a time.
static char ScenarioText[1 << 20];

static void read_scenario(Scenario *sc)
{
    sc->text = ScenarioText;
    sc->length = 0;
    HANDLE h = CreateFileA(sc->path, GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD got = 0;
    while (sc->length < sizeof ScenarioText &&
           ReadFile(h, ScenarioText + sc->length, sizeof ScenarioText - sc->length, &got, NULL) &&
           got > 0)
        sc->length += got;
    CloseHandle(h);
}

void scenario_open(Scenario *sc)
{
    sc->set = false;
    sc->path[0] = '\0';
    sc->text = ScenarioText;
    sc->length = 0;
    sc->log = false;
    DWORD n = GetEnvironmentVariableA("SIMSERVICE_SCENARIO", sc->path, sizeof sc->path);
    if (n == 0 || n >= sizeof sc->path) {
        sc->path[0] = '\0';
        return;
    }
    sc->set = true;
    read_scenario(sc);
    sc->log = scenario_number_or(sc, "sim", "Log", 1) != 0;
}

static bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

static void trim(const char **begin, const char **end)
{
    while (*begin < *end && is_blank(**begin))
        (*begin)++;
    while (*end > *begin && is_blank((*end)[-1]))
        (*end)--;
}

static char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

static bool same_name(const char *begin, const char *end, const char *name)
{
    for (; begin < end; begin++, name++)
        if (!*name || lower(*begin) != lower(*name))
            return false;
    return *name == '\0';
}

bool scenario_string(const Scenario *sc, const char *section, const char *key,
                     char *buf, DWORD size)
{
    if (size == 0)
        return false;
    buf[0] = '\0';
    if (!sc->set)
        return false;
    const char *p = sc->text, *end = sc->text + sc->length;
    bool inside = false;
    while (p < end) {
        const char *eol = (const char *)memchr(p, '\n', (size_t)(end - p));
        if (!eol)
            eol = end;
        const char *a = p, *b = eol;
        p = eol + 1;
        trim(&a, &b);
        if (a == b || *a == ';')
            continue;
        if (*a == '[') {
            const char *close = (const char *)memchr(a, ']', (size_t)(b - a));
            const char *name = a + 1, *nameEnd = close ? close : b;
            trim(&name, &nameEnd);
            inside = same_name(name, nameEnd, section);
            continue;
        }
        const char *equals = (const char *)memchr(a, '=', (size_t)(b - a));
        if (!inside || !equals)
            continue;
        const char *k = a, *kEnd = equals;
        trim(&k, &kEnd);
        if (!same_name(k, kEnd, key))
            continue;
        const char *v = equals + 1;
        trim(&v, &b);
        if (b - v >= 2 && (*v == '"' || *v == '\'') && b[-1] == *v) {
            v++;
            b--;
        }
        size_t len = (size_t)(b - v);
        if (len > size - 1)
            len = size - 1;
        memcpy(buf, v, len);
        buf[len] = '\0';
        return true;
    }
    return false;
}

// Longest text read through scenario_text, terminator included.
static const DWORD kTextMax = 4096;

static bool utf8_text(const Scenario *sc)
{
    return scenario_number_or(sc, "sim", "Utf8", 0) != 0;
}

// The value as UTF-16, decoded from UTF-8 or from the ANSI code page;
// returns its length in units (wide holds kTextMax units).
static DWORD wide_value(const Scenario *sc, const char *section, const char *key,
                        WCHAR *wide, bool *found)
{
    char raw[kTextMax];
    *found = scenario_string(sc, section, key, raw, sizeof raw);
    int len = (int)strlen(raw);
    // Never more units than bytes, so the text always fits.
    int n = len ? MultiByteToWideChar(utf8_text(sc) ? CP_UTF8 : CP_ACP, 0, raw, len, wide,
                                      (int)kTextMax - 1)
                : 0;
    if (n < 0)
        n = 0;
    wide[n] = 0;
    return (DWORD)n;
}

bool scenario_text(const Scenario *sc, const char *section, const char *key,
                   char *buf, DWORD size)
{
    if (!utf8_text(sc))
        return scenario_string(sc, section, key, buf, size);
    if (size == 0)
        return false;
    buf[0] = '\0';
    WCHAR wide[kTextMax];
    bool found;
    DWORD units = wide_value(sc, section, key, wide, &found);
    // An ANSI code page spends at most three bytes on a UTF-16 unit.
    char ansi[3 * kTextMax];
    int n = units ? WideCharToMultiByte(CP_ACP, 0, wide, (int)units, ansi, (int)sizeof ansi,
                                        NULL, NULL)
                  : 0;
    if (n < 0)
        n = 0;
    // Cut to fit, as the bytes of a text without [sim] Utf8 are.
    DWORD len = (DWORD)n < size - 1 ? (DWORD)n : size - 1;
    memcpy(buf, ansi, len);
    buf[len] = '\0';
    return found;
}

bool scenario_text(const Scenario *sc, const char *section, const char *key,
                   WCHAR *buf, DWORD size)
{
    if (size == 0)
        return false;
    WCHAR wide[kTextMax];
    bool found;
    DWORD units = wide_value(sc, section, key, wide, &found);
    DWORD len = units < size - 1 ? units : size - 1;
    memcpy(buf, wide, len * sizeof(WCHAR));
    buf[len] = 0;
    return found;
}

void scenario_key(char *buf, size_t size, const char *prefix, DWORD n)
{
    char digits[12];
    int d = 0;
    do {
        digits[d++] = (char)('0' + n % 10);
        n /= 10;
    } while (n);
    size_t k = 0;
    for (; *prefix && k + 1 < size; prefix++)
        buf[k++] = *prefix;
    while (d > 0 && k + 1 < size)
        buf[k++] = digits[--d];
    if (size)
        buf[k] = '\0';
}

bool scenario_parse(const char *text, DWORD *value, const char **end)
{
    while (*text == ' ' || *text == '\t')
        text++;
    char *stop = NULL;
    unsigned long v;
    if (*text == '-')
        v = (unsigned long)strtol(text, &stop, 0);
    else
        v = strtoul(text, &stop, 0);
    if (stop == text)
        return false;
    *value = (DWORD)v;
    if (end)
        *end = stop;
    return true;
}

bool scenario_number(const Scenario *sc, const char *section, const char *key,
                     DWORD *value)
{
    char buf[64];
    if (!scenario_string(sc, section, key, buf, sizeof buf))
        return false;
    return scenario_parse(buf, value, NULL);
}

DWORD scenario_number_or(const Scenario *sc, const char *section, const char *key,
                         DWORD fallback)
{
    DWORD v;
    return scenario_number(sc, section, key, &v) ? v : fallback;
}

// Leaves room for the CR LF that log_write adds.
static const unsigned kLogRoom = sizeof(((LogLine *)0)->text) - 3;

static void put_char(LogLine *ln, char c)
{
    if (ln->len < kLogRoom)
        ln->text[ln->len++] = c;
}

void log_text(LogLine *ln, const char *text)
{
    for (; *text && ln->len < kLogRoom; text++)
        put_char(ln, (unsigned char)*text < 0x20 ? '?' : *text);
}

static void put_key(LogLine *ln, const char *key)
{
    put_char(ln, ' ');
    log_text(ln, key);
    put_char(ln, '=');
}

static void put_unsigned(LogLine *ln, unsigned long long v, unsigned base, int width)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[v % base];
        v /= base;
    } while (v != 0);
    while (n < width && n < (int)sizeof digits)
        digits[n++] = '0';
    while (n > 0)
        put_char(ln, digits[--n]);
}

static void put_code(LogLine *ln, DWORD v)
{
    if (v == 0) {
        put_char(ln, '0');
        return;
    }
    log_text(ln, "0x");
    put_unsigned(ln, v, 16, 8);
}

void log_begin(LogLine *ln, const char *function)
{
    ln->len = 0;
    log_text(ln, function);
}

void log_string(LogLine *ln, const char *key, const char *value)
{
    put_key(ln, key);
    log_text(ln, value ? value : "(null)");
}

void log_string(LogLine *ln, const char *key, const WCHAR *value)
{
    // In UTF-8, as far as a log line holds (a lone surrogate as U+FFFD).
    char utf8[sizeof ln->text] = "(null)";
    if (value) {
        size_t units = 0;
        while (units < 512 && value[units])
            units++;
        int n = WideCharToMultiByte(CP_UTF8, 0, value, (int)units, utf8, (int)sizeof utf8 - 1, NULL, NULL);
        utf8[n > 0 ? n : 0] = '\0';
    }
    log_string(ln, key, utf8);
}

void log_pointer(LogLine *ln, const char *key, const void *value)
{
    put_key(ln, key);
    log_text(ln, value ? "set" : "(null)");
}

void log_decimal(LogLine *ln, const char *key, DWORD value)
{
    put_key(ln, key);
    put_unsigned(ln, value, 10, 0);
}

void log_handle(LogLine *ln, const char *key, ULONG_PTR value)
{
    put_key(ln, key);
    log_text(ln, "0x");
    put_unsigned(ln, value, 16, 0);
}

void log_code(LogLine *ln, const char *key, DWORD value)
{
    put_key(ln, key);
    put_code(ln, value);
}

void log_result_decimal(LogLine *ln, DWORD result)
{
    log_text(ln, " -> ");
    put_unsigned(ln, result, 10, 0);
}

void log_result_code(LogLine *ln, DWORD result)
{
    log_text(ln, " -> ");
    put_code(ln, result);
}

void log_write(const Scenario *sc, LogLine *ln)
{
    if (!sc->set || !sc->log)
        return;
    char path[sizeof sc->path + 4];
    size_t n = strlen(sc->path);
    memcpy(path, sc->path, n);
    memcpy(path + n, ".log", 5);

    ln->text[ln->len++] = '\r';
    ln->text[ln->len++] = '\n';
    HANDLE h = CreateFileA(path, GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(h, 0, NULL, FILE_END);
    DWORD written;
    WriteFile(h, ln->text, ln->len, &written, NULL);
    CloseHandle(h);
}

void log_decimal_at(LogLine *ln, const char *key, const DWORD *value)
{
    if (value) {
        log_decimal(ln, key, *value);
    } else {
        log_text(ln, " ");
        log_text(ln, key);
        log_text(ln, "=(null)");
    }
}

void call_begin(Call *call, const char *function)
{
    scenario_open(&call->sc);
    log_begin(&call->ln, function);
    // A slow service widens the window in which two callers overlap.
    DWORD delay = scenario_number_or(&call->sc, "sim", "Delay", 0);
    if (delay)
        Sleep(delay < 1000 ? delay : 1000);
}

DWORD call_end_decimal(Call *call, DWORD result)
{
    log_result_decimal(&call->ln, result);
    log_write(&call->sc, &call->ln);
    return result;
}

DWORD call_end_code(Call *call, DWORD result)
{
    log_result_code(&call->ln, result);
    log_write(&call->sc, &call->ln);
    return result;
}
