#include "hostile_scenario.h"

#include <tapi.h>

#include <algorithm>
#include <random>

#include "dialkit_host.h"

namespace {

constexpr DWORD CapsBlockSize = 4336;
constexpr DWORD FixedCapsSize = sizeof(LINEDEVCAPS);
constexpr DWORD DataModem = 0x10;
constexpr DWORD NoDevice = 0x80000042;
constexpr DWORD NoMemory = 0x80000044;
constexpr DWORD EntryRecords = 50;
// More entries than 50 are asked for again, up to this many.
constexpr DWORD MaxEntryRecords = 4096;
constexpr DWORD MaxNamedDevices = 48;
constexpr DWORD MaxNamedEntries = 55;

const char NameCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.()";

class Draw {
public:
    explicit Draw(unsigned seed) : random(seed) {}
    DWORD Below(DWORD n) { return std::uniform_int_distribution<DWORD>(0, n - 1)(random); }
    DWORD Between(DWORD low, DWORD high) { return low + Below(high - low + 1); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    template <typename T, size_t N>
    T OneOf(const T (&values)[N]) { return values[Below(N)]; }

private:
    std::mt19937 random;
};

// The heap's tail filler and the tests' buffer filler never occur in what
// the services write, so either byte in a list shows a read out of bounds;
// nor does "\n", which would split an entry.
DWORD Clean(DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        DWORD b = (value >> shift) & 0xFF;
        if (b == 0xAB || b == 0xCC || b == 0x0A)
            value ^= 1u << shift;
    }
    return value;
}

std::string Decimal(DWORD value)
{
    return std::to_string(value);
}

std::string Text(Draw &d, size_t length)
{
    std::string text(length, 'x');
    for (char &c : text)
        c = NameCharacters[d.Below(sizeof NameCharacters - 1)];
    return text;
}

std::string Name(Draw &d)
{
    static const size_t atTheLimit[] = {1021, 1022, 1023};
    DWORD kind = d.Below(100);
    if (kind < 10)
        return "";
    if (kind < 70)
        return Text(d, d.Between(1, 24));
    if (kind < 90)
        return Text(d, d.Between(25, 300));
    if (kind < 95)
        return Text(d, d.Between(301, 1020));
    return Text(d, d.OneOf(atTheLimit));
}

size_t TextLength(Draw &d)
{
    static const size_t lengths[] = {0, 1, 12, 1010, 1011, 1012, 1022, 1023, 1024, 1500, 2000};
    return d.Chance(70) ? d.OneOf(lengths) : d.Between(0, 2000);
}

struct Lines {
    std::string text;
    void Add(const std::string &key, const std::string &value) { text += key + "=" + value + "\r\n"; }
};

// --- remote access -------------------------------------------------------

const DWORD RasCodes[] = {5,   87,  603, 610,   621,   632,        0xFFFFFFFE,
                          1,   600, 668, 691,   20000, 0x80000000, 0x7FFFFFFF};

DWORD RasCode(Draw &d)
{
    return d.Chance(75) ? d.OneOf(RasCodes) : Clean(d.Between(1, 0xFFFF));
}

bool Contains(const std::vector<DWORD> &values, DWORD v)
{
    return std::find(values.begin(), values.end(), v) != values.end();
}

void AddCode(std::vector<LONG> &codes, DWORD code)
{
    if (std::find(codes.begin(), codes.end(), static_cast<LONG>(code)) == codes.end())
        codes.push_back(static_cast<LONG>(code));
}

std::string MakeRas(Draw &d, RasFacts &f)
{
    static const char *const variants[] = {"none", "ras-noenum", "ras-noedit"};
    f.variant = d.Chance(94) ? "full" : d.OneOf(variants);
    f.hostBinds = d.Chance(10);
    Lines l;

    static const DWORD negative[] = {0xFFFFFFFF, 0xFFFFFFFB, 0x80000000};
    static const DWORD beyond[] = {100, 1000, 100000, 0x7FFFFFFF};
    DWORD entries, kind = d.Below(100);
    if (kind < 10)
        entries = d.OneOf(negative);
    else if (kind < 20)
        entries = 0;
    else if (kind < 75)
        entries = d.Between(1, 10);
    else if (kind < 90)
        entries = d.Between(45, 55);
    else
        entries = d.OneOf(beyond);
    l.Add("Entries", Hex(entries));
    DWORD count = static_cast<LONG>(entries) < 0 ? 0 : std::min<DWORD>(entries, 100000);
    for (DWORD i = 1; i <= std::min(count, MaxNamedEntries); i++)
        l.Add("Entry" + Decimal(i), Name(d));

    std::vector<DWORD> accepted = {532, 264, 28};
    if (d.Chance(55)) {
        static const DWORD sizes[] = {532, 264, 28, 29, 263, 531, 533, 5, 8, 999, 1024};
        accepted.clear();
        std::string list;
        for (DWORD n = d.Between(1, 3); n > 0; n--) {
            DWORD size = d.OneOf(sizes);
            accepted.push_back(size);
            list += (list.empty() ? "" : ",") + Decimal(size);
        }
        l.Add("AcceptSizes", list);
    }
    static const DWORD sizeErrors[] = {610, 632, 610, 632, 5, 603, 621, 0x80000000};
    DWORD sizeError = 632;
    if (d.Chance(60)) {
        sizeError = d.OneOf(sizeErrors);
        l.Add("SizeError", Hex(sizeError));
    }
    DWORD sizeErrorFor[2] = {sizeError, sizeError};
    for (int i = 0; i < 2; i++) {
        static const DWORD perSize[] = {610, 632, 5};
        if (d.Chance(15)) {
            sizeErrorFor[i] = d.OneOf(perSize);
            l.Add(i == 0 ? "SizeError.532" : "SizeError.264", Hex(sizeErrorFor[i]));
        }
    }
    bool forced = d.Chance(20);
    DWORD enumResult = forced ? (d.Chance(5) ? 0 : RasCode(d)) : 0;
    if (forced)
        l.Add("EnumResult", Hex(enumResult));
    DWORD reported = count;
    if (d.Chance(40)) {
        const DWORD counts[] = {count - 1, count + 1, 0,    1,    49,     50,         51,
                                99,        100,       101,  949,  950,    951,        1000,
                                2000,      100000,    0x7FFFFFFF, 0xFFFFFFFF, 0x80000000};
        reported = d.OneOf(counts);
        l.Add("ReportCount", Hex(reported));
    }
    if (d.Chance(15))
        l.Add("Unterminated", Decimal(d.Between(1, count + 1)));
    bool resized = d.Chance(15);
    DWORD writeSize = 0;
    if (resized) {
        static const DWORD strides[] = {0,   1,   2,   3,   4,    5,     6,     7,          8,
                                        27,  28,  29,  263, 264,  265,   531,   532,        533,
                                        1023, 1024, 26600, 26601, 0x7FFFFFFF, 0xFFFFFFFF, 0x80000000};
        writeSize = d.Chance(85) ? d.OneOf(strides) : Clean(d.Between(9, 30000));
        l.Add("WriteSize", Hex(writeSize));
    }

    // What the three tries of the documented record sizes meet.
    const DWORD layouts[] = {532, 264, 28};
    for (int i = 0; i < 3; i++) {
        DWORD code;
        if (!Contains(accepted, layouts[i])) {
            code = i < 2 ? sizeErrorFor[i] : sizeError;
        } else {
            f.layout = layouts[i];
            code = forced ? enumResult : count > MaxEntryRecords ? 603 : 0;
            if (!forced && count > EntryRecords && count <= MaxEntryRecords)
                f.records = count;
        }
        if (code != 0)
            AddCode(f.codes, code);
        if (code != 610 && code != 632)
            break;
    }
    if (f.variant == "ras-noenum" || f.variant == "none")
        AddCode(f.codes, 0xFFFFFFFF);
    f.resized = f.layout && !forced && count > 0 && resized;
    f.stride = f.resized ? writeSize : f.layout;
    f.reported = forced ? 0 : static_cast<LONG>(reported);

    for (LONG code : f.codes) {
        if (d.Chance(75))
            l.Add("ErrorText." + Decimal(static_cast<DWORD>(code)), Text(d, TextLength(d)));
    }
    if (d.Chance(20))
        l.Add("ErrorTextUnterminated", "1");
    if (d.Chance(8)) {
        static const DWORD results[] = {87, 5, 0};
        l.Add("ErrorStringResult", Decimal(d.OneOf(results)));
    }
    return "[ras]\r\n" + l.text;
}

// --- telephony -----------------------------------------------------------

// Line and phone errors with and without messages in the stand-in's table
// (long ones, inserts, escapes), and codes of neither kind.
const DWORD TapiCodes[] = {
    0x80000001, 0x80000012, 0x80000015, 0x80000030, 0x80000044, 0x80000048, 0x8000004B,
    0x80000050, 0x80000051, 0x80000052, 0x80000053, 0x80000054, 0x80000055, 0x80000056,
    0x80000057, 0x80000058, 0x80000059, 0x80000099, 0x90000001, 0x90000050, 0x90000077,
    5,          0xFFFFFFFF, 0xFFFF0001, 0x80000000, 0x7FFFFFFF};

std::string MakeDevice(Draw &d, DWORD device, TapiFacts &f, bool &walking)
{
    Lines l;
    static const DWORD negotiations[] = {0x80000012, 0x80000030, 0x80000044, 5};
    DWORD negotiate = 0;
    if (d.Chance(8)) {
        negotiate = d.OneOf(negotiations);
        l.Add("Negotiate", Hex(negotiate));
    }
    if (d.Chance(5))
        l.Add("Version", Hex(Clean(d.Between(0, 0xFFFFFFFE))));
    DWORD caps = 0;
    if (d.Chance(4)) {
        caps = d.OneOf(TapiCodes);
        l.Add("Caps", Hex(caps));
    }
    DWORD modes = DataModem;
    if (d.Chance(25)) {
        static const DWORD media[] = {0, 4, 0x10, 0x14, 0xFFFFFFFF, 0xFFFFFFEF, 0x100};
        modes = d.OneOf(media);
        l.Add("MediaModes", Hex(modes));
    }
    bool named = d.Chance(85);
    std::string name = named ? Name(d) : "";
    if (named)
        l.Add("Name", name);
    bool raw = d.Chance(8);
    DWORD size = named ? static_cast<DWORD>(name.size()) + 1 : 0;
    if (raw) {
        static const DWORD bytes[] = {0, 1, 2, 100, 4336, 5000, 20000};
        size = d.OneOf(bytes);
        l.Add("NameBytes", Decimal(size));
    }
    DWORD offset = named || raw ? FixedCapsSize : 0;
    if (d.Chance(25)) {
        const DWORD offsets[] = {0,    4,    36,   FixedCapsSize, FixedCapsSize + 1, 1000,
                                 4000, 4300, 4330, 4334,          4335,              4336,
                                 4337, 5000, 0x7FFFFFFF, 0xFFFFFFF0, 0xFFFFFFFF};
        offset = d.OneOf(offsets);
        l.Add("NameOffset", Hex(offset));
    }
    if (d.Chance(25)) {
        DWORD n = static_cast<DWORD>(name.size());
        const DWORD sizes[] = {0, 1, 2, n, n + 1, n + 2, 4336, 4337, 0x7FFFFFFF, 0xFFFFFFFF, 0x80000000};
        size = d.OneOf(sizes);
        l.Add("NameSize", Hex(size));
    }
    const DWORD headers[] = {0, 1, 36, FixedCapsSize, 4000, 4335, 4336, 4337, 100000, 0xFFFFFFFF};
    if (d.Chance(8))
        l.Add("TotalSize", Hex(d.OneOf(headers)));
    if (d.Chance(10))
        l.Add("UsedSize", Hex(d.OneOf(headers)));
    if (d.Chance(5))
        l.Add("NeededSize", Hex(Clean(d.Between(0, 0xFFFFFFFE))));

    if (walking && negotiate == 0) {
        if (caps != 0) {
            AddCode(f.codes, caps);
            walking = false;
        } else if (modes & DataModem) {
            if (offset < CapsBlockSize)
                f.possibleEntries++;
            // Inside the fixed part the name reads header fields.
            if (offset < FixedCapsSize && size != 0)
                f.plainNames = false;
        }
    }
    return "[device" + Decimal(device) + "]\r\n" + l.text;
}

std::string MakeTapi(Draw &d, TapiFacts &f)
{
    static const char *const variants[] = {"none", "tapi-noinit", "tapi-noconfig"};
    f.variant = d.Chance(94) ? "full" : d.OneOf(variants);
    f.hostBinds = d.Chance(10);
    Lines l;
    if (d.Chance(12)) {
        DWORD init = d.Chance(30) ? NoDevice : d.OneOf(TapiCodes);
        l.Add("InitResult", Hex(init));
        if (init != NoDevice)
            AddCode(f.codes, init);
        static const DWORD counts[] = {0, 1, 3, 1000};
        if (d.Chance(40))
            l.Add("CountOnFailure", Decimal(d.OneOf(counts)));
    }
    static const DWORD negative[] = {0x80000000, 0xFFFFFFFF, 0xFFFFFFF0};
    DWORD devices, kind = d.Below(100);
    if (kind < 8)
        devices = 0;
    else if (kind < 78)
        devices = d.Between(1, 6);
    else if (kind < 92)
        devices = d.Between(7, 40);
    else if (kind < 98)
        devices = d.OneOf(negative);
    else
        devices = d.Between(100, 1100);
    l.Add("Devices", Hex(devices));
    AddCode(f.codes, NoMemory);
    if (f.variant == "tapi-noinit" || f.variant == "none")
        AddCode(f.codes, 0xFFFFFFFF);

    std::string text = "[tapi]\r\n" + l.text;
    DWORD walked = static_cast<LONG>(devices) > 0 ? devices : 0;
    bool walking = true;
    for (DWORD i = 0; i < walked; i++) {
        if (i < MaxNamedDevices) {
            text += MakeDevice(d, i, f, walking);
        } else if (walking) {
            // Unnamed data modems: an empty name at offset 0.
            f.possibleEntries++;
        }
    }

    DWORD action = d.Below(100);
    if (action < 35) {
        f.action = PickerAction::Ok;
    } else if (action < 65) {
        f.action = PickerAction::Cancel;
    } else {
        f.action = PickerAction::SelectItemThenOk;
        f.item = static_cast<int>(d.Below(8));
    }
    return text;
}

} // namespace

bool IsNameCharacter(char c)
{
    return c != '\0' && strchr(NameCharacters, c) != nullptr;
}

HostileScenario MakeHostileScenario(unsigned seed)
{
    HostileScenario s;
    s.seed = seed;
    Draw d(seed);
    // No call log: nothing reads it, and writing it would double the time.
    s.text = "[sim]\r\nLog=0\r\n" + MakeRas(d, s.ras);
    s.text += MakeTapi(d, s.tapi);
    return s;
}
