// ListTAPIModems against the simulated telephony service, with the real
// picker dialog answered by a CBT hook (Wine's null graphics driver).
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "dialkit_host.h"
#include "picker_driver.h"

namespace {

using Names = std::vector<std::string>;

const char Untouched[] = "(untouched)";

std::string Shown(const CallerBuffer &b)
{
    return b.Untouched() ? Untouched : b.Text();
}

// [tapi] plus one [device<i>] section per entry of `devices` (its lines).
std::string Tapi(const std::string &tapiLines, const std::vector<std::string> &devices)
{
    std::string text = "[tapi]\r\nDevices=" + std::to_string(devices.size()) + "\r\n" + tapiLines;
    for (size_t i = 0; i < devices.size(); i++)
        text += "[device" + std::to_string(i) + "]\r\n" + devices[i];
    return text;
}

std::string Named(const std::string &name)
{
    return "Name=" + name + "\r\n";
}

struct Outcome {
    int result;
    std::string list, report;
    PickerSeen seen;
};

// The modem lists: with the picker, and the quiet one (which must never
// show it, so the driver watches it too), each in both widths.
using ListCall = ListExport;
const ListCall Picker = {"ListTAPIModems", &Dialkit::ListTAPIModems, nullptr};
const ListCall Quiet = {"ListTAPIModemsQuiet", &Dialkit::ListTAPIModemsQuiet, nullptr};
const ListCall PickerW = {"ListTAPIModemsW", nullptr, &Dialkit::ListTAPIModemsW};
const ListCall QuietW = {"ListTAPIModemsQuietW", nullptr, &Dialkit::ListTAPIModemsQuietW};
const ListCall AllLists[] = {Picker, Quiet, PickerW, QuietW};

// The capability call that a list makes where the library has both.
std::string CapsCall(const ListCall &call)
{
    return call.Wide() ? "lineGetDevCapsW" : "lineGetDevCaps";
}

Outcome ListModems(PickerAction action, const ListCall &call = Picker, int item = 0)
{
    Outcome o;
    CallerBuffer list(call.Wide()), report(call.Wide());
    {
        PickerDriver driver(action, item);
        o.result = call(list, report);
        o.seen = driver.Seen();
    }
    o.list = Shown(list);
    o.report = Shown(report);
    return o;
}

class ModemList : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_FALSE(ModuleLoaded("Tapi32.dll")) << "left loaded";
        TheDialkit().UnLoadTAPILib();
    }
};

const std::vector<std::string> ThreeModemsAndOthers = {
    Named("Zeta modem"),
    Named("Voice line") + "MediaModes=4\r\n",
    Named("Alpha modem"),
    Named("Not negotiable") + "Negotiate=0x80000030\r\n",
    Named("Mid modem") + "MediaModes=0x14\r\n",
};

TEST_F(ModemList, PickerShowsTheDataModemsSortedAndAnswers)
{
    static const struct {
        PickerAction action;
        const char *what, *list;
    } cases[] = {
        {PickerAction::Ok, "OK", "Alpha modem"},
        {PickerAction::Enter, "Enter", "Alpha modem"},
        {PickerAction::SelectSecondThenOk, "second item", "Mid modem"},
        {PickerAction::Cancel, "Cancel", "CANCEL"},
        {PickerAction::Escape, "Escape", "CANCEL"},
        {PickerAction::DoubleClickThenCancel, "double click", "CANCEL"},
    };
    for (const auto &c : cases) {
        for (const ListCall &call : {Picker, PickerW}) {
            SCOPED_TRACE(call.name);
            UseServices("full", Tapi("", ThreeModemsAndOthers));
            Outcome o = ListModems(c.action, call);
            EXPECT_EQ(o.seen.unicode, call.Wide()) << c.what;
            EXPECT_EQ(o.result, 1) << c.what;
            EXPECT_EQ(o.list, c.list) << c.what;
            EXPECT_EQ(o.report, "") << c.what;
            EXPECT_EQ(o.seen.caption, "Install") << c.what;
            EXPECT_EQ(o.seen.items, (Names{"Alpha modem", "Mid modem", "Zeta modem"})) << c.what;
            EXPECT_EQ(o.seen.selected, 0) << c.what;
            EXPECT_TRUE(o.seen.topmost) << c.what;
            EXPECT_EQ(o.seen.okText + "/" + o.seen.cancelText, "OK/Cancel") << c.what;
        }
    }
}

// Names in the scenario as UTF-8 text: the 8-bit calls give them in the ANSI
// code page, as the platform's services do, the wide ones in UTF-16.
const std::string Unicode = "[sim]\r\nUtf8=1\r\n";

std::string Repeated(const std::string &text, size_t count)
{
    std::string repeated;
    for (size_t i = 0; i < count; i++)
        repeated += text;
    return repeated;
}

// Without the picker: every data modem that fits, in the service's order,
// and how many there are.
TEST_F(ModemList, QuietListHasTheDataModemsInTheServicesOrder)
{
    const std::string a(299, 'a'), b(299, 'b'), c(299, 'c');
    // 120 UTF-16 code units: after three names of 299, the most that fits.
    const std::string fits = Repeated("\xF0\x9F\x98\x80", 60);
    const std::vector<ListCall> both = {Quiet, QuietW}, wide = {QuietW};
    static const struct {
        const char *what;
        std::vector<ListCall> calls;
        const char *variant;
        std::string scenario;
        std::vector<std::string> devices;
        int result;
        std::string list;
    } cases[] = {
        {"data modems among others", both, "full", "", ThreeModemsAndOthers, 3,
         "Zeta modem\nAlpha modem\nMid modem\n"},
        {"no data modem", both, "full", "", {Named("Voice") + "MediaModes=4\r\n"}, 0, ""},
        // As in the picker's list: a name that does not fit is left out, an
        // empty one inside the block is an entry.
        {"names that do not fit", both, "full", "",
         {Named(c), Named(b), Named(a), Named(std::string(200, 'd')), Named("Short"),
          Named("Hidden") + "NameSize=0\r\n"},
         5, c + "\n" + b + "\n" + a + "\nShort\n\n"},
        {"names in other scripts", wide, "full", Unicode,
         {Named("Σύνδεση γραφείου"), Named("東京 モデム"), Named("\xF0\x9F\x98\x80 modem")}, 3,
         "Σύνδεση γραφείου\n東京 モデム\n\xF0\x9F\x98\x80 modem\n"},
        {"UTF-16 code units count", wide, "full", Unicode,
         {Named(c), Named(b), Named(a), Named(fits + "x"), Named(fits)}, 4,
         c + "\n" + b + "\n" + a + "\n" + fits + "\n"},
        // The service's size ends after the first half of the pair.
        {"name cut inside a surrogate pair", wide, "full", Unicode,
         {Named("A\xF0\x9F\x98\x80" "B") + "NameSize=4\r\n"}, 1, "A\n"},
        {"no wide call: the 8-bit one, converted", wide, "ansi-only", Unicode,
         {Named("Modem für Büro"), Named("Voice") + "MediaModes=4\r\n"}, 1, "Modem für Büro\n"},
    };
    for (const auto &t : cases) {
        for (const ListCall &call : t.calls) {
            SCOPED_TRACE(call.name);
            UseServices(t.variant, t.scenario + Tapi("", t.devices));
            Outcome o = ListModems(PickerAction::Ok, call);
            EXPECT_EQ(o.result, t.result) << t.what;
            EXPECT_EQ(o.list, t.list) << t.what;
            EXPECT_EQ(o.report, "") << t.what;
            EXPECT_EQ(o.seen.created, 0) << t.what;
            EXPECT_EQ(ServiceCalls("lineShutdown").size(), 1u) << t.what;
        }
    }
}

// The wide picker shows the names as the service gave them, and answers
// with the one chosen.
TEST_F(ModemList, WidePickerKeepsNamesInAnyScript)
{
    static const struct {
        const char *what, *variant;
        std::vector<std::string> names;
    } cases[] = {
        {"other scripts", "full", {"東京 モデム", "Σύνδεση", "\xF0\x9F\x98\x80 modem"}},
        {"no wide call", "ansi-only", {"Modem für Büro"}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> devices;
        for (const std::string &name : c.names)
            devices.push_back(Named(name));
        UseServices(c.variant, Unicode + Tapi("", devices));
        // The last item, whichever the list box sorted there.
        int last = static_cast<int>(c.names.size()) - 1;
        Outcome o = ListModems(PickerAction::SelectItemThenOk, PickerW, last);
        EXPECT_EQ(o.result, 1) << c.what;
        EXPECT_TRUE(o.seen.unicode) << c.what;
        EXPECT_TRUE(std::is_permutation(o.seen.items.begin(), o.seen.items.end(), c.names.begin(),
                                        c.names.end()))
            << c.what;
        ASSERT_EQ(o.seen.items.size(), c.names.size()) << c.what;
        EXPECT_EQ(o.list, o.seen.items[last]) << c.what;
        EXPECT_EQ(o.report, "") << c.what;
    }
}

TEST_F(ModemList, CallsTheServiceAsItExpects)
{
    for (const ListCall &call : AllLists) {
        SCOPED_TRACE(call.name);
        UseServices("full", Tapi("", ThreeModemsAndOthers));
        ListModems(PickerAction::Ok, call);
        std::vector<std::string> calls = ServiceCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().find("lineInitialize instance=set callback=set app=(null) -> 0 devices=5"), 0u)
            << calls.front();
        EXPECT_EQ(calls.back(), "lineShutdown app=0x1234 -> 0");
        std::vector<std::string> negotiations = ServiceCalls("lineNegotiateAPIVersion");
        ASSERT_EQ(negotiations.size(), 5u);
        for (const std::string &n : negotiations)
            EXPECT_NE(n.find("low=0x00010000 high=0x03E80000"), std::string::npos) << n;
        // The device whose version could not be negotiated is not asked for caps.
        std::vector<std::string> caps = ServiceCalls(CapsCall(call));
        ASSERT_EQ(caps.size(), 4u);
        for (const std::string &c : caps)
            EXPECT_NE(c.find("version=0x00020000 ext=0 total=4336 -> 0"), std::string::npos) << c;
        EXPECT_EQ(caps[3].find(CapsCall(call) + " device=4 "), 0u) << caps[3];
    }
}

TEST_F(ModemList, NoDeviceLeavesBothBuffersAlone)
{
    static const struct {
        const char *what, *scenario;
        size_t shutdowns;
    } cases[] = {
        {"no device", "[tapi]\r\nDevices=0\r\n", 1},
        {"LINEERR_NODEVICE", "[tapi]\r\nInitResult=0x80000042\r\nDevices=2\r\n", 0},
    };
    for (const auto &c : cases) {
        for (const ListCall &call : AllLists) {
            SCOPED_TRACE(call.name);
            UseServices("full", c.scenario);
            Outcome o = ListModems(PickerAction::Ok, call);
            EXPECT_EQ(o.result, 0) << c.what;
            EXPECT_EQ(o.list, Untouched) << c.what;
            EXPECT_EQ(o.report, Untouched) << c.what;
            EXPECT_FALSE(o.seen.shown) << c.what;
            EXPECT_EQ(ServiceCalls("lineShutdown").size(), c.shutdowns) << c.what;
        }
    }
}

TEST_F(ModemList, NoDataModemGivesAnEmptyPicker)
{
    static const struct {
        PickerAction action;
        const char *list;
    } cases[] = {{PickerAction::Ok, ""}, {PickerAction::Cancel, "CANCEL"}};
    for (const auto &c : cases) {
        UseServices("full", Tapi("", {Named("Voice") + "MediaModes=4\r\n"}));
        Outcome o = ListModems(c.action);
        EXPECT_EQ(o.result, 1) << c.list;
        EXPECT_EQ(o.list, c.list);
        EXPECT_TRUE(o.seen.items.empty());
        EXPECT_EQ(o.seen.selected, LB_ERR);
    }
}

TEST_F(ModemList, NamesThatDoNotFitAreLeftOut)
{
    // A name's size counts its terminator: three of 299 characters take 900.
    const std::string a(299, 'a'), b(299, 'b'), c(299, 'c');
    UseServices("full", Tapi("", {Named(c), Named(b), Named(a), Named(std::string(200, 'd')),
                                  Named("Short"), Named("Hidden") + "NameSize=0\r\n"}));
    Outcome o = ListModems(PickerAction::Cancel);
    // The list box sorts without regard to case.
    EXPECT_EQ(o.seen.items, (Names{a, b, c, "Short"}));
}

// The name is read only inside the capability block, whatever offset and
// size the service reports (the test prefix fills bytes after heap blocks,
// so a read past the block would show in the name).
TEST_F(ModemList, NamesStayInsideTheCapabilityBlock)
{
    std::string xy;
    for (int i = 0; i < 168; i++)
        xy += "XY";
    static const struct {
        const char *what;
        std::string device;
        Names items;
    } cases[] = {
        {"cut at the block's end", "Name=ABCDEFGHIJ\r\nNameOffset=4330\r\n", {"ABCDEF"}},
        {"starts outside", "Name=ABCDEFGHIJ\r\nNameOffset=5000\r\n", {}},
        {"offset near 2^32", "Name=ABCDEFGHIJ\r\nNameOffset=0xFFFFFFF0\r\n", {}},
        {"size near 2^32", "Name=Modem\r\nNameSize=0xFFFFFFFF\r\n", {"Modem"}},
        {"no terminator up to the end", "Name=XY\r\nNameBytes=20000\r\nNameOffset=4000\r\n", {xy}},
    };
    for (const auto &c : cases) {
        UseServices("full", Tapi("", {c.device}));
        Outcome o = ListModems(PickerAction::Cancel);
        EXPECT_EQ(o.result, 1) << c.what;
        EXPECT_EQ(o.seen.items, c.items) << c.what;
    }
}

// What was gathered shows in the list when a later device fails: an empty
// name counts as an entry only where it lies inside the block.
TEST_F(ModemList, EmptyNamesOutsideTheBlockAreNoEntries)
{
    static const struct {
        const char *what;
        std::string device, list;
    } cases[] = {
        {"empty, inside", "Name=A\r\nNameSize=0\r\n", "\nB\n"},
        {"empty, just past the block", "Name=A\r\nNameSize=0\r\nNameOffset=4336\r\n", "B\n"},
        {"empty, far outside", "Name=A\r\nNameSize=0\r\nNameOffset=0xFFFFFFF0\r\n", "B\n"},
        {"sized, outside", "Name=A\r\nNameOffset=5000\r\n", "B\n"},
    };
    for (const auto &c : cases) {
        UseServices("full", Tapi("", {c.device, Named("B"), Named("C") + "Caps=0x80000048\r\n"}));
        Outcome o = ListModems(PickerAction::Ok);
        EXPECT_EQ(o.result, static_cast<int>(0x80000048)) << c.what;
        EXPECT_EQ(o.list, c.list) << c.what;
    }
}

const std::string TwoModems = Tapi("", {Named("First"), Named("Second")});

// The device count is module state: a failed initialisation keeps the count
// that the last successful one left, and only a count of 0 hides the failure.
TEST_F(ModemList, FailedInitialisationAndTheDeviceCount)
{
    const std::string failing = "[tapi]\r\nInitResult=0x80000001\r\n";
    UseServices("full", "[tapi]\r\nDevices=0\r\n");
    EXPECT_EQ(ListModems(PickerAction::Ok).result, 0);

    UseServices("full", failing);
    Outcome quiet = ListModems(PickerAction::Ok);
    EXPECT_EQ(quiet.result, 0);
    EXPECT_EQ(quiet.list + "/" + quiet.report, std::string(Untouched) + "/" + Untouched);

    UseServices("full", TwoModems);
    EXPECT_EQ(ListModems(PickerAction::Ok).result, 1);

    UseServices("full", failing);
    Outcome reported = ListModems(PickerAction::Ok);
    EXPECT_EQ(reported.result, static_cast<int>(0x80000001));
    EXPECT_EQ(reported.list, Untouched);
    EXPECT_EQ(reported.report,
              "TAPI ERROR : Simulated line error: the line is already allocated.\r\n");
    EXPECT_FALSE(reported.seen.shown);
}

TEST_F(ModemList, ErrorReports)
{
    static const struct {
        const char *what;
        DWORD code;
        std::string report;
    } cases[] = {
        {"line error", 0x80000012, "TAPI ERROR : Simulated line error: invalid device identifier.\r\n"},
        {"phone error", 0x90000001,
         "TAPI ERROR : Simulated phone error: the phone is already allocated.\r\n"},
        {"message with an insert", 0x80000015, "TAPI ERROR :  Unknown error code - -2147483627"},
        {"no message", 0x80000099, "TAPI ERROR :  Unknown error code - -2147483495"},
        {"not a telephony code", 5, "TAPI ERROR :  Unknown error code - 5"},
    };
    for (const auto &c : cases) {
        for (const ListCall &call : AllLists) {
            SCOPED_TRACE(call.name);
            // Device 0 is gathered before device 1 fails.
            UseServices("full", Tapi("", {Named("First"), Named("Second") + "Caps=" + Hex(c.code) + "\r\n",
                                          Named("Third")}));
            Outcome o = ListModems(PickerAction::Ok, call);
            EXPECT_EQ(o.result, static_cast<int>(c.code)) << c.what;
            EXPECT_EQ(o.list, "First\n") << c.what;
            EXPECT_EQ(o.report, c.report) << c.what;
            EXPECT_FALSE(o.seen.shown) << c.what;
            EXPECT_EQ(ServiceCalls(CapsCall(call)).size(), 2u) << c.what;
            EXPECT_EQ(ServiceCalls("lineShutdown").size(), 1u) << c.what;
        }
    }
}

TEST_F(ModemList, PartlyBoundAndHostBoundServices)
{
    // Without lineConfigDialog (which nothing calls) the list still works.
    UseServices("tapi-noconfig", TwoModems);
    ASSERT_EQ(TheDialkit().LoadTAPILib(), 20);
    Outcome o = ListModems(PickerAction::Ok);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.list, "First");

    // The host's own binding does not outlive the call.
    UseServices("full", TwoModems);
    ASSERT_GE(static_cast<UINT_PTR>(TheDialkit().LoadTAPILib()), 32u);
    EXPECT_EQ(ListModems(PickerAction::Ok).result, 1);
    EXPECT_FALSE(ModuleLoaded("Tapi32.dll"));

    // Without lineInitialize the guarded call gives -1: with a count of 2
    // left from the call above, that is reported.
    UseServices("tapi-noinit", TwoModems);
    Outcome missing = ListModems(PickerAction::Ok);
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.report, "TAPI ERROR :  Unknown error code - -1");
}

struct HiddenStationRun {
    const std::function<void()> *body;
    HDESK desktop;
    bool entered;
};

DWORD WINAPI RunOnHiddenDesktop(void *param)
{
    auto *run = static_cast<HiddenStationRun *>(param);
    run->entered = SetThreadDesktop(run->desktop);
    if (run->entered)
        (*run->body)();
    return 0;
}

// Runs `body` in a window station that this process makes, on a desktop of
// its own: such a station is not visible, as a service's is not. False when
// the station could not be entered.
bool RunInHiddenStation(const std::function<void()> &body)
{
    HiddenStationRun run = {&body, nullptr, false};
    HWINSTA previous = GetProcessWindowStation();
    HWINSTA station = CreateWindowStationW(L"kit-unseen", 0, WINSTA_ALL_ACCESS, nullptr);
    USEROBJECTFLAGS flags = {};
    if (station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
        !(flags.dwFlags & WSF_VISIBLE) && SetProcessWindowStation(station)) {
        run.desktop = CreateDesktopW(L"kit-unseen", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        // A thread with windows or hooks cannot change its desktop: a new one.
        HANDLE thread = run.desktop ? CreateThread(nullptr, 0, RunOnHiddenDesktop, &run, 0, nullptr)
                                    : nullptr;
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        SetProcessWindowStation(previous);
        if (run.desktop)
            CloseDesktop(run.desktop);
    }
    if (station)
        CloseWindowStation(station);
    return run.entered;
}

BOOL WINAPI FailingObjectQuery(HANDLE, int, PVOID, DWORD, LPDWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// Services and the system account run in session 0, which Wine gives no
// process: Dialkit's session and version queries answer as `Session` says.
struct {
    int session;   // -1: the query fails
    DWORD version;
    int real;   // RtlGetVersion's major version; -1: ntdll lacks it
} Session;

BOOL WINAPI SessionQuery(DWORD, DWORD *session)
{
    if (Session.session < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *session = static_cast<DWORD>(Session.session);
    return TRUE;
}

DWORD WINAPI VersionQuery()
{
    return Session.version;
}

LONG WINAPI RealVersionQuery(OSVERSIONINFOW *info)
{
    info->dwMajorVersion = static_cast<DWORD>(Session.real);
    info->dwMinorVersion = 0;
    return 0;
}

FARPROC WINAPI VersionLookup(HMODULE module, LPCSTR name)
{
    if ((reinterpret_cast<ULONG_PTR>(name) >> 16) && strcmp(name, "RtlGetVersion") == 0)
        return Session.real > 0 ? AsFarProc(RealVersionQuery) : nullptr;
    return GetProcAddress(module, name);
}

// Where the picker cannot be shown the list answers as Cancel: a refused
// dialog, or a window station that no one sees, where the dialog is not even
// created (it would wait there for ever); so is session 0 since Vista,
// whatever its station says. The walk stays as it is. When the station
// cannot be asked, the picker is made as before.
TEST_F(ModemList, PickerThatCannotBeShownAnswersAsCancel)
{
    // Sessions: -2 as the system says, -1 the query fails. Versions as
    // GetVersion packs them, and the real major version (0: both as the
    // system says); 5.1 predates Vista, and GetVersion says so in a Windows
    // XP compatibility mode on any later system.
    const DWORD Vista = 6, XP = 0x0105, Windows2000 = 5;
    static const struct {
        const char *what;
        bool hidden, queryFails;
        int session;
        DWORD version;
        int real;
        const ListCall &call;
        std::string scenario;
        int result, created;
        std::string list, report;
        size_t caps;
    } cases[] = {
        {"refused", false, false, -2, 0, 0, Picker, TwoModems, 1, 1, "CANCEL", "", 2},
        {"unseen station", true, false, -2, 0, 0, Picker, TwoModems, 1, 0, "CANCEL", "", 2},
        {"unseen station, no device", true, false, -2, 0, 0, Picker, "[tapi]\r\nDevices=0\r\n", 0, 0,
         Untouched, Untouched, 0},
        {"unseen station, failing device", true, false, -2, 0, 0, Picker,
         Tapi("", {Named("First") + "Caps=0x80000012\r\n"}), static_cast<int>(0x80000012), 0, "",
         "TAPI ERROR : Simulated line error: invalid device identifier.\r\n", 1},
        {"unseen station, quiet list", true, false, -2, 0, 0, Quiet, TwoModems, 2, 0, "First\nSecond\n", "", 2},
        {"station query fails", true, true, -2, 0, 0, Picker, TwoModems, 1, 1, "CANCEL", "", 2},
        {"session 0", false, false, 0, Vista, 6, Picker, TwoModems, 1, 0, "CANCEL", "", 2},
        {"session 0, quiet list", false, false, 0, Vista, 6, Quiet, TwoModems, 2, 0, "First\nSecond\n", "", 2},
        {"session 0 before Vista", false, false, 0, XP, 5, Picker, TwoModems, 1, 1, "CANCEL", "", 2},
        {"session 0 in a Windows XP mode", false, false, 0, XP, 10, Picker, TwoModems, 1, 0, "CANCEL", "", 2},
        {"session 0 before XP", false, false, 0, Windows2000, -1, Picker, TwoModems, 1, 1, "CANCEL", "", 2},
        {"session 1", false, false, 1, Vista, 0, Picker, TwoModems, 1, 1, "CANCEL", "", 2},
        {"session query fails", false, false, -1, Vista, 0, Picker, TwoModems, 1, 1, "CANCEL", "", 2},
    };
    for (const auto &c : cases) {
        UseServices("full", c.scenario);
        Session = {c.session, c.version, c.real};
        PatchedImport station("user32.dll", "GetUserObjectInformationA",
                              c.queryFails ? AsFarProc(FailingObjectQuery) : nullptr);
        PatchedImport session("kernel32.dll", "ProcessIdToSessionId",
                              c.session != -2 ? AsFarProc(SessionQuery) : nullptr);
        PatchedImport version("kernel32.dll", "GetVersion", c.version ? AsFarProc(VersionQuery) : nullptr);
        PatchedImport lookup("kernel32.dll", "GetProcAddress", c.real ? AsFarProc(VersionLookup) : nullptr);
        ASSERT_EQ(station.patched, c.queryFails) << c.what;
        ASSERT_EQ(session.patched, c.session != -2) << c.what;
        ASSERT_EQ(version.patched, c.version != 0) << c.what;
        ASSERT_EQ(lookup.patched, c.real != 0) << c.what;
        Outcome o;
        // Refused, so that a dialog that should not be made never waits.
        auto list = [&] { o = ListModems(PickerAction::RefuseToCreate, c.call); };
        bool ran = true;
        if (c.hidden)
            ran = RunInHiddenStation(list);
        else
            list();
        ASSERT_TRUE(ran) << c.what;
        EXPECT_EQ(o.result, c.result) << c.what;
        EXPECT_EQ(o.seen.created, c.created) << c.what;
        EXPECT_EQ(o.list, c.list) << c.what;
        EXPECT_EQ(o.report, c.report) << c.what;
        EXPECT_EQ(ServiceCalls("lineGetDevCaps").size(), c.caps) << c.what;
        EXPECT_EQ(ServiceCalls("lineShutdown").size(), 1u) << c.what;
    }
}

// What the host's window saw when the picker's loop ran its code.
struct NestedCalls {
    bool pickerOpen;
    std::vector<int> lists;
    bool buffersUntouched;
    INT_PTR load, unload;
    HMODULE held;
    bool loadedAfter;
    size_t serviceCalls;   // made by the nested calls
} Nested;

// The host's code behind a second click: every telephony export once.
LRESULT CALLBACK HostWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_APP)
        return DefWindowProcA(window, message, wParam, lParam);
    const Dialkit &kit = TheDialkit();
    size_t before = ServiceCalls().size();
    Nested.pickerOpen = FindWindowA(MAKEINTATOM(32770), "Install") != nullptr;
    Nested.held = GetModuleHandleA("Tapi32.dll");
    Nested.buffersUntouched = true;
    for (const ListCall &call : AllLists) {
        CallerBuffer list(call.Wide()), report(call.Wide());
        Nested.lists.push_back(call(list, report));
        Nested.buffersUntouched &= list.Untouched() && report.Untouched();
    }
    Nested.load = kit.LoadTAPILib();
    Nested.unload = kit.UnLoadTAPILib();
    Nested.loadedAfter = ModuleLoaded("Tapi32.dll");
    Nested.serviceCalls = ServiceCalls().size() - before;
    return 0;
}

// The picker has no owner, so the host's window still takes clicks while it
// is open: calls from there must leave the running list alone.
TEST_F(ModemList, CallsFromTheHostWhileThePickerIsOpen)
{
    WNDCLASSA host = {};
    host.lpfnWndProc = HostWindow;
    host.hInstance = GetModuleHandleA(nullptr);
    host.lpszClassName = "kit-host";
    RegisterClassA(&host);
    HWND window = CreateWindowA("kit-host", "Host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, host.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    Nested = NestedCalls();
    UseServices("full", TwoModems);
    // Queued ahead of the driver's answer: the picker's loop dispatches it.
    PostMessageA(window, WM_APP, 0, 0);
    Outcome o = ListModems(PickerAction::SelectSecondThenOk);
    DestroyWindow(window);

    EXPECT_TRUE(Nested.pickerOpen);
    // Whichever width each call has.
    EXPECT_EQ(Nested.lists, (std::vector<int>{-2, -2, -2, -2}));
    EXPECT_TRUE(Nested.buffersUntouched);
    EXPECT_EQ(Nested.serviceCalls, 0u);
    ASSERT_NE(Nested.held, nullptr);
    EXPECT_EQ(Nested.load, reinterpret_cast<INT_PTR>(Nested.held));
    EXPECT_EQ(Nested.unload, 0);
    EXPECT_TRUE(Nested.loadedAfter);
    // The outer call as without them; the library goes with it (TearDown).
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.list, "Second");
    EXPECT_EQ(o.seen.created, 1);
    EXPECT_EQ(ServiceCalls("lineInitialize").size(), 1u);
    EXPECT_EQ(ServiceCalls("lineShutdown").size(), 1u);
    EXPECT_EQ(ServiceCalls().back(), "lineShutdown app=0x1234 -> 0");
}

} // namespace
