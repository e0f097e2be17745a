// ListRASConnections against the simulated remote-access service.
#include <gtest/gtest.h>

#include <string>

#include "dialkit_host.h"

namespace {

const char Untouched[] = "(untouched)";

std::string Shown(const CallerBuffer &b)
{
    return b.Untouched() ? Untouched : b.Text();
}

std::string Ras(const std::string &lines)
{
    return "[ras]\r\n" + lines;
}

// N entries named from `names`, as scenario lines.
std::string Phonebook(const std::vector<std::string> &names)
{
    std::string text = "Entries=" + std::to_string(names.size()) + "\r\n";
    for (size_t i = 0; i < names.size(); i++)
        text += "Entry" + std::to_string(i + 1) + "=" + names[i] + "\r\n";
    return text;
}

// "Entry1", "Entry2", ... up to `count`.
std::vector<std::string> Numbered(size_t count)
{
    std::vector<std::string> names;
    for (size_t i = 1; i <= count; i++)
        names.push_back("Entry" + std::to_string(i));
    return names;
}

std::string Listed(const std::vector<std::string> &names)
{
    std::string list;
    for (const std::string &name : names)
        list += name + "\n";
    return list;
}

const ListExport NarrowList = {"ListRASConnections", &Dialkit::ListRASConnections, nullptr};
const ListExport WideList = {"ListRASConnectionsW", nullptr, &Dialkit::ListRASConnectionsW};
const std::vector<ListExport> BothWidths = {NarrowList, WideList};

// Names and texts in the scenario as UTF-8 text: the 8-bit calls give them
// in the ANSI code page, as the platform's services do, the wide ones in
// UTF-16.
const std::string Unicode = "[sim]\r\nUtf8=1\r\n";

class PhonebookList : public ::testing::Test {
protected:
    void TearDown() override { TheDialkit().UnLoadRASLib(); }
};

TEST_F(PhonebookList, ResultsAndTexts)
{
    static const struct {
        const char *what, *variant;
        std::string scenario;
        int result;
        std::string list, report;
        std::vector<ListExport> calls = BothWidths;
    } cases[] = {
        {"empty phonebook", "full", Ras("Entries=0\r\n"), 0, "", ""},
        {"service order kept", "full", Ras(Phonebook({"Zeta", "Alpha"})), 0, "Zeta\nAlpha\n", ""},
        {"unused entry point missing", "ras-noedit", Ras(Phonebook({"Home"})), 0, "Home\n", ""},
        {"no phonebook", "full", Ras("EnumResult=621\r\nErrorText.621=Cannot open.\r\n"), 621,
         Untouched, Untouched},
        {"service text", "full", Ras("EnumResult=5\r\nErrorText.5=Access is denied.\r\n"), 5,
         Untouched, "RAS ERROR : Access is denied."},
        {"no text: fallback", "full", Ras("EnumResult=5000\r\n"), 5000, Untouched,
         "RAS ERROR :  Unknown error code - 5000"},
        {"text lookup fails", "full",
         Ras("EnumResult=5\r\nErrorText.5=Access is denied.\r\nErrorStringResult=87\r\n"), 5,
         Untouched, "RAS ERROR :  Unknown error code - 5"},
        {"signed decimal", "full", Ras("EnumResult=0xFFFFFFFE\r\n"), -2, Untouched,
         "RAS ERROR :  Unknown error code - -2"},
        // More than 50 entries: asked again with the room the service needs.
        {"more than 50 entries", "full",
         Ras(Phonebook(std::vector<std::string>(51, "E")) + "ErrorText.603=Too small.\r\n"), 0,
         Listed(std::vector<std::string>(51, "E")), ""},
        {"4096 entries", "full", Ras("Entries=4096\r\nEntry4096=Last\r\n"), 0,
         std::string(1022, '\n'), ""},
        {"need past the bound", "full", Ras("Entries=4097\r\nErrorText.603=Too small.\r\n"), 603,
         Untouched, "RAS ERROR : Too small."},
        {"need no larger than given", "full",
         Ras(Phonebook(Numbered(51)) + "NeededBytes=26600\r\nErrorText.603=Too small.\r\n"), 603,
         Untouched, "RAS ERROR : Too small."},
        {"still too small the second time", "full",
         Ras(Phonebook(Numbered(60)) + "NeededBytes=" + std::to_string(55 * 532) +
             "\r\nErrorText.603=Too small.\r\n"),
         603, Untouched, "RAS ERROR : Too small."},
        {"enumeration entry point missing", "ras-noenum", Ras(Phonebook({"Home"})), -1,
         Untouched, "RAS ERROR :  Unknown error code - -1"},
        {"no library", "none", Ras(Phonebook({"Home"})), -1, Untouched, Untouched},
        // Whatever the ANSI code page holds.
        {"names in other scripts", "full",
         Unicode + Ras(Phonebook({"Σύνδεση γραφείου", "東京 VPN", "\xF0\x9F\x98\x80 dial-up"})), 0,
         "Σύνδεση γραφείου\n東京 VPN\n\xF0\x9F\x98\x80 dial-up\n", "", {WideList}},
        {"text in another script", "full", Unicode + Ras("EnumResult=5\r\nErrorText.5=Άρνηση πρόσβασης.\r\n"),
         5, Untouched, "RAS ERROR : Άρνηση πρόσβασης.", {WideList}},
        {"no wide calls: the 8-bit ones, converted", "ansi-only",
         Unicode + Ras(Phonebook({"Büro Köln", "Café"})), 0, "Büro Köln\nCafé\n", "", {WideList}},
        {"no wide calls: a text, converted", "ansi-only",
         Unicode + Ras("EnumResult=5\r\nErrorText.5=Accès refusé.\r\n"), 5, Untouched,
         "RAS ERROR : Accès refusé.", {WideList}},
        {"no layout accepted", "full", Ras("AcceptSizes=999\r\nErrorText.632=Bad size.\r\n"),
         632, Untouched, "RAS ERROR : Bad size."},
    };
    for (const auto &c : cases) {
        for (const ListExport &call : c.calls) {
            SCOPED_TRACE(call.name);
            UseServices(c.variant, c.scenario);
            CallerBuffer list(call.Wide()), report(call.Wide());
            EXPECT_EQ(call(list, report), c.result) << c.what;
            EXPECT_EQ(Shown(list), c.list) << c.what;
            EXPECT_EQ(Shown(report), c.report) << c.what;
            EXPECT_TRUE(list.GuardIntact() && report.GuardIntact()) << c.what;
            EXPECT_FALSE(ModuleLoaded("rasapi32.dll")) << c.what;
        }
    }
}

TEST_F(PhonebookList, LongTextIsCutAtTheBufferEnd)
{
    std::string text(2000, 'x');
    // 505 pairs take 1010 of the 1011 code units after the prefix: the
    // 506th would be cut in half.
    std::string pairs;
    for (int i = 0; i < 600; i++)
        pairs += "\xF0\x9F\x98\x80";
    static const struct {
        std::string scenario, report;
        const ListExport &call;
    } cases[] = {
        {Ras("EnumResult=5\r\nErrorText.5=" + text + "\r\n"), text.substr(0, 1023 - 12), NarrowList},
        {Ras("EnumResult=5\r\nErrorText.5=" + text + "\r\n"), text.substr(0, 1023 - 12), WideList},
        {Unicode + Ras("EnumResult=5\r\nErrorText.5=" + pairs + "\r\n"), pairs.substr(0, 505 * 4), WideList},
        {Unicode + Ras("EnumResult=5\r\nErrorTextUnterminated=1\r\nErrorText.5=" + pairs + "\r\n"),
         pairs.substr(0, 505 * 4), WideList},
    };
    for (const auto &c : cases) {
        UseServices("full", c.scenario);
        CallerBuffer list(c.call.Wide()), report(c.call.Wide());
        EXPECT_EQ(c.call(list, report), 5) << c.call.name;
        EXPECT_EQ(report.Text(), "RAS ERROR : " + c.report) << c.call.name;
        EXPECT_TRUE(report.GuardIntact()) << c.call.name;
    }
}

TEST_F(PhonebookList, OlderLayoutsAreTriedInTurn)
{
    const std::vector<std::string> two = {"First", "Second"};
    static const struct {
        const char *accept, *sizeError;
        std::vector<std::string> names, tries;
        const ListExport &call = NarrowList;
    } cases[] = {
        {"532", "632", two, {"dwSize=532 cb=26600 -> 0"}},
        {"264", "632", two, {"dwSize=532 cb=26600 -> 632", "dwSize=264 cb=13200 -> 0"}},
        {"28", "610", two,
         {"dwSize=532 cb=26600 -> 610", "dwSize=264 cb=13200 -> 610", "dwSize=28 cb=1400 -> 0"}},
        // 60 entries: the second call has room for them in the same layout.
        {"264", "632", Numbered(60),
         {"dwSize=532 cb=26600 -> 632", "dwSize=264 cb=13200 -> 603 cb=15840 entries=60",
          "dwSize=264 cb=15840 -> 0"}},
        // The wide records of the same releases.
        {"532", "632", two, {"dwSize=1048 cb=52400 -> 0"}, WideList},
        {"28", "610", two,
         {"dwSize=1048 cb=52400 -> 610", "dwSize=520 cb=26000 -> 610", "dwSize=48 cb=2400 -> 0"}, WideList},
        {"264", "632", Numbered(60),
         {"dwSize=1048 cb=52400 -> 632", "dwSize=520 cb=26000 -> 603 cb=31200 entries=60",
          "dwSize=520 cb=31200 -> 0"},
         WideList},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.call.name);
        UseServices("full", Ras(Phonebook(c.names) + "AcceptSizes=" + c.accept +
                                "\r\nSizeError=" + c.sizeError + "\r\n"));
        CallerBuffer list(c.call.Wide()), report(c.call.Wide());
        EXPECT_EQ(c.call(list, report), 0) << c.accept;
        // Names found at the stride of the accepted layout.
        EXPECT_EQ(list.Text(), Listed(c.names)) << c.accept;
        std::vector<std::string> calls = ServiceCalls(c.call.Wide() ? "RasEnumEntriesW" : "RasEnumEntriesA");
        ASSERT_EQ(calls.size(), c.tries.size()) << c.accept;
        for (size_t i = 0; i < calls.size(); i++) {
            EXPECT_NE(calls[i].find("reserved=(null) phonebook=(null) " + c.tries[i]),
                      std::string::npos)
                << calls[i];
        }
    }
}

TEST_F(PhonebookList, NamesThatDoNotFitAreLeftOut)
{
    const std::string n255(255, 'a');
    std::vector<std::string> names20(60, std::string(20, 'n'));
    names20.push_back("short");
    // 126 surrogate pairs take 252 UTF-16 code units: after three names of
    // 255, the most that fits.
    std::string fits;
    for (int i = 0; i < 126; i++)
        fits += "\xF0\x9F\x98\x80";
    static const struct {
        const char *what;
        std::vector<std::string> names;
        std::string list;
        std::vector<ListExport> calls = BothWidths;
    } cases[] = {
        // Three names of 255 leave 768 characters; 768 + n + 2 < 1024.
        {"exactly 1022", {n255, n255, n255, std::string(253, 'b')},
         n255 + "\n" + n255 + "\n" + n255 + "\n" + std::string(253, 'b') + "\n"},
        {"one too long, a later one fits",
         {n255, n255, n255, std::string(254, 'b'), "short"},
         n255 + "\n" + n255 + "\n" + n255 + "\nshort\n"},
        // 48 names of 20 take 1008 characters; of the rest only the last,
        // the 61st, fits.
        {"past 50 entries", names20,
         Listed(std::vector<std::string>(names20.begin(), names20.begin() + 48)) + "short\n"},
        {"UTF-16 code units count", {n255, n255, n255, fits + "\xF0\x9F\x98\x80", fits},
         n255 + "\n" + n255 + "\n" + n255 + "\n" + fits + "\n", {WideList}},
    };
    for (const auto &c : cases) {
        for (const ListExport &call : c.calls) {
            SCOPED_TRACE(call.name);
            UseServices("full", Unicode + Ras(Phonebook(c.names)));
            CallerBuffer list(call.Wide()), report(call.Wide());
            EXPECT_EQ(call(list, report), 0) << c.what;
            EXPECT_EQ(list.Text(), c.list) << c.what;
            // The last character of the buffer is never written.
            bool lastUntouched = call.Wide() ? list.chars[1023] == 0xcccc
                                             : static_cast<unsigned char>(list.bytes[1023]) == 0xcc;
            EXPECT_TRUE(lastUntouched) << c.what;
        }
    }
}

// Whatever count, record size or name the service reports, nothing is read
// outside the entry buffer; records that do not lie inside it are left out.
TEST_F(PhonebookList, BadServiceAnswersStayInsideTheBuffer)
{
    static const struct {
        const char *what;
        std::string scenario, list;
    } cases[] = {
        {"count beyond the buffer", Phonebook({"A", "B"}) + "ReportCount=100000\r\n",
         "A\nB\n" + std::string(48, '\n')},
        // Only the 50 records the service was given room for, whatever the
        // layout: beyond them lie zeros, not entries.
        {"count beyond the 264-byte layout's records",
         Phonebook({"A"}) + "AcceptSizes=264\r\nReportCount=1000\r\n", "A\n" + std::string(49, '\n')},
        {"count beyond the 28-byte layout's records",
         Phonebook({"A"}) + "AcceptSizes=28\r\nReportCount=2000\r\n", "A\n" + std::string(49, '\n')},
        {"count of 51 for the 28-byte layout",
         Phonebook({"A", "B"}) + "AcceptSizes=28\r\nReportCount=51\r\n", "A\nB\n" + std::string(48, '\n')},
        {"name without terminator", Phonebook({"A", "B", "C"}) + "Unterminated=2\r\n", "A\nC\n"},
        {"last name runs to the end", Phonebook({"A", "B"}) + "Unterminated=2\r\n", "A\n"},
        {"record size too small", Phonebook({"A", "B"}) + "WriteSize=3\r\n", ""},
        {"record size beyond the buffer", Phonebook({"A"}) + "WriteSize=0x7FFFFFFF\r\n", ""},
        {"record size near 2^32", Phonebook({"A", "B"}) + "WriteSize=0xFFFFFFFF\r\n", ""},
        // The second buffer holds exactly the records the service asked room for.
        {"count beyond the second buffer", Phonebook(Numbered(60)) + "ReportCount=100000\r\n",
         Listed(Numbered(60))},
        {"room asked for beyond the records", Phonebook(Numbered(60)) + "ReportCount=1000\r\nNeededBytes=" +
             std::to_string(62 * 532 + 100) + "\r\n",
         Listed(Numbered(60)) + "\n\n"},
        {"last name of the second buffer runs to the end", Phonebook(Numbered(60)) + "Unterminated=60\r\n",
         Listed(Numbered(59))},
    };
    for (const auto &c : cases) {
        UseServices("full", Ras(c.scenario));
        CallerBuffer list, report;
        EXPECT_EQ(TheDialkit().ListRASConnections(list.bytes, report.bytes), 0) << c.what;
        EXPECT_EQ(list.Text(), c.list) << c.what;
    }
}

// Wine's own remote-access library (run with WINEDLLOVERRIDES=rasapi32=b).
TEST(WineBuiltinRas, AnswersWithAnEmptyPhonebook)
{
    UseServices("wine-builtin", "");
    CallerBuffer list, report;
    EXPECT_GE(static_cast<UINT_PTR>(TheDialkit().LoadRASLib()), 32u);
    EXPECT_EQ(TheDialkit().ListRASConnections(list.bytes, report.bytes), 0);
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(report.Text(), "");
}

} // namespace
