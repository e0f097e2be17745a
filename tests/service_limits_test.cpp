// The limits the hostile campaign draws around, pinned down one by one:
// error texts at the report's 1023 characters (long, unterminated, from the
// message table with inserts and escapes) and capability blocks whose header
// misstates how much of them was filled.
#include <gtest/gtest.h>

#include <windows.h>
#include <tapi.h>

#include <string>

#include "dialkit_host.h"
#include "picker_driver.h"
#include "test_files.h"

namespace {

constexpr size_t ReportRoom = 1023;

// The stand-in's own text for `id`, read from its message table as data.
std::string MessageText(DWORD id)
{
    std::string path = ProgramFolder() + "..\\sim\\full\\Tapi32.dll";
    HMODULE table = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             table, id, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = n ? std::string(text, n) : "(none)";
    LocalFree(text);
    FreeLibrary(table);
    return message;
}

TEST(ServiceLimits, TelephonyMessagesAreCutOrReplacedAtTheReportsEnd)
{
    const std::string prefix = "TAPI ERROR : ";
    static const struct {
        DWORD code, id;
        size_t messageLength;   // with its CR LF
        bool shown;             // false: the fallback text
    } cases[] = {
        {0x80000050, 0xE050, 1021, true},  {0x80000051, 0xE051, 1022, true},
        {0x80000052, 0xE052, 1023, true},
        // Longer than the 1024-byte buffer it is formatted into.
        {0x80000053, 0xE053, 1024, false}, {0x80000054, 0xE054, 2000, false},
        {0x90000050, 0xF050, 1500, false},
    };
    for (const auto &c : cases) {
        UseServices("full", "[tapi]\r\nDevices=1\r\n[device0]\r\nCaps=" + Hex(c.code) + "\r\n");
        std::string message = MessageText(c.id);
        ASSERT_EQ(message.size(), c.messageLength) << Hex(c.code);
        CallerBuffer list, report;
        EXPECT_EQ(TheDialkit().ListTAPIModems(list.bytes, report.bytes), static_cast<int>(c.code));
        std::string expected = c.shown ? (prefix + message).substr(0, ReportRoom)
                                       : prefix + " Unknown error code - " +
                                             std::to_string(static_cast<LONG>(c.code));
        EXPECT_EQ(report.Text(), expected) << Hex(c.code);
    }
}

TEST(ServiceLimits, TelephonyMessagesWithInsertsAndEscapes)
{
    static const struct {
        DWORD code;
        const char *text;   // nullptr: the fallback
    } cases[] = {
        {0x80000055, nullptr},  // inserts, formatted without arguments
        {0x80000058, nullptr},  // nothing but an insert
        {0x80000059, nullptr},  // insert 99
        {0x80000057, nullptr},  // "%0": no text at all
        {0x80000056, "Simulated line error at 100% \r\n with a tab\tand a return\r and no line end."},
    };
    for (const auto &c : cases) {
        UseServices("full", "[tapi]\r\nDevices=1\r\n[device0]\r\nCaps=" + Hex(c.code) + "\r\n");
        CallerBuffer list, report;
        EXPECT_EQ(TheDialkit().ListTAPIModems(list.bytes, report.bytes), static_cast<int>(c.code));
        std::string expected = c.text ? c.text
                                      : " Unknown error code - " + std::to_string(static_cast<LONG>(c.code));
        EXPECT_EQ(report.Text(), "TAPI ERROR : " + expected) << Hex(c.code);
    }
}

TEST(ServiceLimits, PhonebookErrorTextsOfAnyLength)
{
    const std::string prefix = "RAS ERROR : ";
    for (size_t length : {0u, 1u, 1010u, 1011u, 1012u, 1023u, 1024u, 2000u}) {
        for (bool terminated : {true, false}) {
            std::string text;
            for (size_t i = 0; i < length; i++)
                text += static_cast<char>('a' + i % 26);
            UseServices("full", "[ras]\r\nEnumResult=5\r\nErrorText.5=" + text + "\r\n" +
                                    (terminated ? "" : "ErrorTextUnterminated=1\r\n"));
            CallerBuffer list, report;
            EXPECT_EQ(TheDialkit().ListRASConnections(list.bytes, report.bytes), 5);
            // Unterminated, the service repeats its text to the end of the room
            // it was given (1023 bytes), an empty one as "X".
            std::string shown = text;
            if (!terminated) {
                shown.clear();
                for (size_t i = 0; i < ReportRoom; i++)
                    shown += length ? text[i % length] : 'X';
            }
            std::string expected = shown.empty() ? prefix + " Unknown error code - 5"
                                                 : (prefix + shown).substr(0, ReportRoom);
            EXPECT_EQ(report.Text(), expected) << length << (terminated ? "" : " unterminated");
            EXPECT_TRUE(list.Untouched());
        }
    }
}

// The name is read only inside what the header says was filled.
TEST(ServiceLimits, CapabilityHeadersThatMisstateTheirSize)
{
    const DWORD name = sizeof(LINEDEVCAPS);
    static const struct {
        const char *what;
        std::string header;
        std::vector<std::string> items;
    } cases[] = {
        {"used size cuts the name", "UsedSize=" + std::to_string(name + 4), {"ABCD"}},
        {"total size cuts the name", "TotalSize=" + std::to_string(name + 6) + "\r\nUsedSize=0", {"ABCDEF"}},
        {"used size ends before the name", "UsedSize=" + std::to_string(name), {}},
        {"no used size: the whole block", "UsedSize=0", {"ABCDEFGHIJ"}},
        {"sizes beyond the block", "TotalSize=0xFFFFFFFF\r\nUsedSize=0xFFFFFFFF", {"ABCDEFGHIJ"}},
    };
    for (const auto &c : cases) {
        UseServices("full", "[tapi]\r\nDevices=1\r\n[device0]\r\nName=ABCDEFGHIJ\r\n" + c.header + "\r\n");
        CallerBuffer list, report;
        PickerDriver driver(PickerAction::Cancel);
        EXPECT_EQ(TheDialkit().ListTAPIModems(list.bytes, report.bytes), 1) << c.what;
        EXPECT_EQ(driver.Seen().items, c.items) << c.what;
    }
}

// A report, a name or the picker's choice cut at a limit keeps whole
// characters of the ANSI code page: under code page 932 (run so by the
// dialkit_cp932 test) 82 A0 is one character, elsewhere two; under UTF-8 (the
// dialkit_utf8 test's host asks for it in its manifest) E2 82 AC is one, and
// a lead byte counts only with all its continuation bytes.
TEST(ServiceLimits, CutsKeepDoubleByteCharactersWhole)
{
    std::string pairs, euros = "x", smileys;
    for (int i = 0; i < 600; i++) {
        pairs += "\x82\xa0";
        euros += "\xE2\x82\xAC";
        smileys += "\xF0\x9F\x98\x80";
    }
    const std::string prefix = "RAS ERROR : ";
    ASSERT_TRUE(ExpectedCodePageHolds());
    const UINT codePage = GetACP();
    // The service says it filled 5 bytes of the name.
    auto fiveBytesOf = [](const std::string &name) {
        return "[tapi]\r\nDevices=1\r\n[device0]\r\nName=" + name + "\r\nUsedSize=" +
               std::to_string(sizeof(LINEDEVCAPS) + 5) + "\r\n";
    };
    enum Call { Phonebook, Quiet, Picker };
    static const struct {
        const char *what;
        std::string scenario;
        Call call;
        std::string cut932, cutUtf8, cutElsewhere;   // the report, the list or the choice
    } cases[] = {
        // The report's 1023rd byte would be a lead byte.
        {"report", "[ras]\r\nEnumResult=5\r\nErrorText.5=" + pairs + "\r\n", Phonebook,
         prefix + pairs.substr(0, 1010), prefix + pairs.substr(0, 1011), prefix + pairs.substr(0, 1011)},
        {"unterminated report", "[ras]\r\nEnumResult=5\r\nErrorTextUnterminated=1\r\nErrorText.5=" + pairs + "\r\n",
         Phonebook, prefix + pairs.substr(0, 1010), prefix + pairs.substr(0, 1011),
         prefix + pairs.substr(0, 1011)},
        // There it would be a trail byte: nothing more to leave out.
        {"report, cut after a whole character", "[ras]\r\nEnumResult=5\r\nErrorText.5=x" + pairs + "\r\n",
         Phonebook, prefix + ("x" + pairs).substr(0, 1011), prefix + ("x" + pairs).substr(0, 1011),
         prefix + ("x" + pairs).substr(0, 1011)},
        // Under UTF-8 the 1011 bytes end two bytes into a character.
        {"report of three-byte characters", "[ras]\r\nEnumResult=5\r\nErrorText.5=" + euros + "\r\n",
         Phonebook, prefix + euros.substr(0, 1011), prefix + euros.substr(0, 1009),
         prefix + euros.substr(0, 1011)},
        {"device name", fiveBytesOf(pairs.substr(0, 8)), Quiet, pairs.substr(0, 4) + "\n",
         pairs.substr(0, 5) + "\n", pairs.substr(0, 5) + "\n"},
        {"device name of four-byte characters", fiveBytesOf(smileys.substr(0, 8)), Quiet,
         smileys.substr(0, 4) + "\n", smileys.substr(0, 4) + "\n", smileys.substr(0, 5) + "\n"},
        // Text that each of these code pages holds, so that it passes the
        // list box unchanged. In code page 932, E2 82 is one character and AC
        // another.
        {"the picker's choice", fiveBytesOf(euros.substr(1, 6)), Picker, euros.substr(1, 5),
         euros.substr(1, 3), euros.substr(1, 5)},
    };
    for (const auto &c : cases) {
        UseServices("full", c.scenario);
        CallerBuffer list, report;
        const std::string &expected = codePage == 932 ? c.cut932 : codePage == CP_UTF8 ? c.cutUtf8 : c.cutElsewhere;
        if (c.call == Phonebook) {
            EXPECT_EQ(TheDialkit().ListRASConnections(list.bytes, report.bytes), 5) << c.what;
            EXPECT_EQ(report.Text(), expected) << c.what;
        } else if (c.call == Quiet) {
            EXPECT_EQ(TheDialkit().ListTAPIModemsQuiet(list.bytes, report.bytes), 1) << c.what;
            EXPECT_EQ(list.Text(), expected) << c.what;
        } else {
            PickerDriver driver(PickerAction::Ok);
            EXPECT_EQ(TheDialkit().ListTAPIModems(list.bytes, report.bytes), 1) << c.what;
            EXPECT_EQ(list.Text(), expected) << c.what;
        }
    }
}

} // namespace
