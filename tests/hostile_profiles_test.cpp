// profmerge.exe on profiles no installer should meet: binary garbage, NUL
// bytes, lines of 1 MiB, 50,000 sections, other encodings and line ends, and
// targets that cannot be written. profmerge exits with 0, or with the error
// of the refused write when the target cannot be written, and nothing the
// target held is lost: every entry read through the profile service before
// the merge reads the same after it, unless the source brought a new value
// for it. The source is never written.
//   KIT_CAMPAIGN=long   adds the source of 50,000 sections
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <random>
#include <set>
#include <vector>

#include "debug_run.h"
#include "test_files.h"

namespace {

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Entries as the profile service shows them: section and key without regard
// to case, each key's value as the wide calls read it (in UTF-8), and every
// value a key's lines hold (the merge writes each of them in turn).
struct Entry {
    std::string section, key, value;
    std::set<std::string> lineValues;
};
using Profile = std::map<std::string, Entry>;

std::string Unquoted(const std::string &value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// A value's blanks at its end, when a NUL hid them from the service's
// trimming, do not survive the service's rewrite of the file: not ours.
std::string TrimmedEnd(std::string value)
{
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    return value;
}

// Reads every section, or every `sample`th one of a long list (the first
// and the last always).
Profile ReadProfile(const std::string &file, size_t sample = 1)
{
    Profile profile;
    std::vector<std::string> names = WideProfileList(file, nullptr);
    for (size_t n = 0; n < names.size(); n++) {
        if (n % sample != 0 && n + 1 != names.size())
            continue;
        const std::string &section = names[n];
        for (const std::string &line : WideProfileList(file, section.c_str())) {
            size_t equals = line.find('=');
            std::string key = line.substr(0, equals);
            if (key.empty())
                continue;
            Entry &e = profile[Lower(section) + "\n" + Lower(key)];
            if (e.key.empty()) {
                e.section = section;
                e.key = key;
                e.value = WideProfileValue(file, section, key);
            }
            if (equals != std::string::npos) {
                std::string value = line.substr(equals + 1);
                e.lineValues.insert(value);
                e.lineValues.insert(Unquoted(value));
            }
        }
    }
    return profile;
}

// --- hostile profiles ----------------------------------------------------

const std::string Plain = "[Setup]\r\nName=Kit\r\nPath=C:\\Kit\r\n[Modem]\r\nInit=AT&F\r\nSpeed=9600\r\n";

std::string Garbage(unsigned seed, size_t size, bool iniLike)
{
    std::mt19937 random(seed);
    static const char ini[] = "[]=;\r\n\"' \tAbc";
    std::string bytes(size, '\0');
    for (char &c : bytes) {
        unsigned r = random();
        c = iniLike && r % 3 == 0 ? ini[(r >> 8) % (sizeof ini - 1)] : static_cast<char>(r >> 16);
    }
    return bytes;
}

std::string Utf16(const std::string &ascii, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? '\0' : c;
        bytes += bigEndian ? c : '\0';
    }
    return bytes;
}

std::string LineEnds(std::string text, const char *end)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text.compare(i, 2, "\r\n") == 0) {
            out += end;
            i++;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Sections(size_t count, const char *value)
{
    std::string text;
    text.reserve(count * 24);
    char line[64];
    for (size_t i = 0; i < count; i++) {
        snprintf(line, sizeof line, "[S%05zu]\r\nkey=%s%zu\r\n", i, value, i);
        text += line;
    }
    return text;
}

struct Hostile {
    const char *what;
    std::string bytes;
};

std::vector<Hostile> HostileInputs()
{
    const std::string mib(1 << 20, 'm');
    return {
        {"binary garbage", Garbage(1, 64 << 10, false)},
        // Thousands of entries: every one written costs a rewrite of the target.
        {"garbage of brackets and equals", Garbage(2, 16 << 10, true)},
        {"NUL bytes", std::string("[Setup]\r\nName=K\0it\r\nPath=C:\\Kit\r\n\0\0[Modem]\r\nIn\0it=AT&F\r\n"
                                  "Speed=9600\r\n\0",
                                  61)},
        {"1 MiB value", "[Setup]\r\nName=Kit\r\nBig=" + mib + "\r\n[Modem]\r\nInit=ATZ\r\n"},
        {"1 MiB line without equals", "[Setup]\r\nName=Kit\r\n" + mib + "\r\nPath=C:\\Kit\r\n"},
        {"1 MiB key", "[Setup]\r\n" + mib + "=1\r\nName=Kit\r\n"},
        {"1 MiB section name", "[" + mib + "]\r\nk=1\r\n[Setup]\r\nName=Kit\r\n"},
        {"UTF-16 LE", Utf16(Plain, false)},
        {"UTF-16 BE", Utf16(Plain, true)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + Plain + "[Caf\xC3\xA9]\r\nN\xC3\xA4me=\xC3\xBC\r\n"},
        {"LF only", LineEnds(Plain, "\n")},
        {"CR only", LineEnds(Plain, "\r")},
    };
}

class HostileProfiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        exe = ProgramFolder() + "profmerge.exe";
        folder = MakeScratchFolder("hostile");
    }

    DebugRun Merge(const std::string &source, const std::string &target)
    {
        return RunUnderDebugger("\"" + exe + "\" -src:\"" + source + "\" -target:\"" + target + "\"");
    }

    // Merges source into target (both written first and aged) and checks
    // the exit code, the source, and that the target lost nothing; returns
    // what the target holds afterwards.
    Profile MergeAndCheck(const std::string &what, const std::string &source, const std::string &target,
                          size_t sample = 1)
    {
        SCOPED_TRACE(what);
        std::string s = folder + "source.ini", t = folder + "target.ini";
        EXPECT_TRUE(WriteBytes(s, source));
        EXPECT_TRUE(WriteBytes(t, target));
        AgeFile(s);
        AgeFile(t);
        Profile from = ReadProfile(s, sample), before = ReadProfile(t, sample);

        DebugRun run = Merge(s, t);
        EXPECT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, 0u);
        std::string after;
        EXPECT_TRUE(ReadBytes(s, &after));
        EXPECT_TRUE(after == source) << "the source was written";

        AgeFile(t);
        size_t lost = 0;
        for (const auto &[name, e] : before) {
            // A key listed but not found by name (garbage) held nothing.
            if (e.value == "(absent)")
                continue;
            std::string now = WideProfileValue(t, e.section, e.key);
            auto replaced = from.find(name);
            bool allowed = TrimmedEnd(now) == TrimmedEnd(e.value) ||
                           (replaced != from.end() && replaced->second.lineValues.count(now));
            if (!allowed && lost++ < 5)
                ADD_FAILURE() << "[" << e.section.substr(0, 40) << "] " << e.key.substr(0, 40) << " was "
                              << e.value.substr(0, 40) << ", now " << now.substr(0, 40);
        }
        EXPECT_EQ(lost, 0u) << before.size() << " entries before";
        return ReadProfile(t, sample);
    }

    std::string exe, folder;
};

const std::string Source = "[Setup]\r\nName=New\r\nAdded=2\r\n[Modem]\r\nInit=ATZ\r\n[New]\r\nk=v\r\n";
const std::string Target = "[Setup]\r\nName=Old\r\nKeep=1\r\n[Other]\r\nx=1\r\n";

// Whatever the service reads in a source that is not garbage arrives whole.
TEST_F(HostileProfiles, AsSource)
{
    for (const Hostile &h : HostileInputs()) {
        Profile merged = MergeAndCheck(h.what, h.bytes, Target);
        if (strstr(h.what, "garbage"))
            continue;
        Profile from = ReadProfile(folder + "source.ini");
        for (const auto &[name, e] : from) {
            if (e.value.empty() || e.value == "(absent)")
                continue;
            auto found = merged.find(name);
            EXPECT_TRUE(found != merged.end() && found->second.value == e.value)
                << h.what << ": [" << e.section.substr(0, 20) << "] " << e.key.substr(0, 20);
        }
    }
}

// A target the service can read and write also takes the source's entries.
TEST_F(HostileProfiles, AsTarget)
{
    for (const Hostile &h : HostileInputs()) {
        Profile merged = MergeAndCheck(h.what, Source, h.bytes);
        for (const char *entry : {"setup\nname", "setup\nadded", "modem\ninit", "new\nk"})
            EXPECT_EQ(merged.count(entry), 1u) << h.what << ": " << entry;
    }
}

bool LongCampaign()
{
    char mode[16] = {};
    GetEnvironmentVariableA("KIT_CAMPAIGN", mode, sizeof mode);
    return strcmp(mode, "long") == 0;
}

// Every 97th section is compared (and the first and last). The profile
// service parses the whole file again for every call that follows a write
// (seconds each at this size, under the test prefix's heap checks): long
// campaign only.
TEST_F(HostileProfiles, TargetOfFiftyThousandSections)
{
    if (!LongCampaign())
        GTEST_SKIP() << "long campaign only (KIT_CAMPAIGN=long)";
    MergeAndCheck("target of 50,000 sections", Source, Sections(50000, "v"), 97);
    std::string t = folder + "target.ini";
    EXPECT_EQ(ProfileValue(t, "Setup", "Name"), "New");
    EXPECT_EQ(ProfileValue(t, "S12345", "key"), "v12345");
}

TEST_F(HostileProfiles, TargetsThatCannotBeWritten)
{
    const std::string s = folder + "source.ini", t = folder + "target.ini";
    ASSERT_TRUE(WriteBytes(s, Source));

    // Read-only (Wine run as root may write it anyway: then merged, not lost).
    ASSERT_TRUE(WriteBytes(t, Target));
    ASSERT_TRUE(SetFileAttributesA(t.c_str(), FILE_ATTRIBUTE_READONLY));
    AgeFile(t);
    DebugRun run = Merge(s, t);
    bool written = ProfileValue(t, "Setup", "Name") == "New";
    EXPECT_EQ(run.exitCode, written ? 0u : (unsigned long)ERROR_ACCESS_DENIED) << "read-only";
    EXPECT_EQ(ProfileValue(t, "Setup", "Keep"), "1");
    EXPECT_EQ(ProfileValue(t, "Other", "x"), "1");
    EXPECT_NE(ProfileValue(t, "Setup", "Name"), "(absent)");
    EXPECT_EQ(GetFileAttributesA(t.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesA(t.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A folder, and a file in a folder that does not exist: the exit code
    // is the refused write's error, so an installer sees the merge failed.
    const std::string dir = folder + "folder.ini", missing = folder + "missing\\target.ini";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    run = Merge(s, dir);
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, (unsigned long)ERROR_ACCESS_DENIED) << "folder";
    EXPECT_NE(GetFileAttributesA(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    run = Merge(s, missing);
    EXPECT_EQ(run.exitCode, (unsigned long)ERROR_PATH_NOT_FOUND) << "missing folder";
    EXPECT_FALSE(FileExists(folder + "missing"));

    // Held open by another process (this one) without sharing: left as it
    // was, and no "toto" for the value that could not be overwritten.
    ASSERT_TRUE(WriteBytes(t, Target));
    HANDLE held = CreateFileA(t.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    run = Merge(s, t);
    CloseHandle(held);
    EXPECT_EQ(run.exitCode, (unsigned long)ERROR_SHARING_VIOLATION) << "held open";
    EXPECT_EQ(run.debugStrings, std::vector<std::string>{});
    std::string bytes;
    EXPECT_TRUE(ReadBytes(t, &bytes));
    EXPECT_EQ(bytes, Target);

    std::string source;
    EXPECT_TRUE(ReadBytes(s, &source));
    EXPECT_EQ(source, Source);
}

// 50,000 sections on the source side: a section-name list of 400 KB, walked
// whole, against a target that holds the same but for a few values. The
// profile service looks sections up one by one (the time grows with the
// square of their number): long campaign only.
TEST_F(HostileProfiles, SourceOfFiftyThousandSections)
{
    if (!LongCampaign())
        GTEST_SKIP() << "long campaign only (KIT_CAMPAIGN=long)";
    std::string target = Sections(50000, "v");
    for (const char *changed : {"[S00000]\r\nkey=v0", "[S25000]\r\nkey=v25000", "[S49999]\r\nkey=v49999"})
        target.replace(target.find(changed), strlen(changed), std::string(changed) + "x");
    MergeAndCheck("source of 50,000 sections", Sections(50000, "v"), target + "[Mine]\r\nk=1\r\n", 97);
    std::string t = folder + "target.ini";
    EXPECT_EQ(ProfileValue(t, "S00000", "key"), "v0");
    EXPECT_EQ(ProfileValue(t, "S25000", "key"), "v25000");
    EXPECT_EQ(ProfileValue(t, "Mine", "k"), "1");
}

// Names and values far beyond what the 8-bit calls carried (32,766
// characters) are merged whole through the wide ones, never cut or emptied.
TEST_F(HostileProfiles, LongStringsAreMergedWhole)
{
    const std::string s = folder + "source.ini", t = folder + "target.ini";
    for (size_t length : {size_t(32767), size_t(65535), size_t(65536), size_t(70000), size_t(1) << 20}) {
        SCOPED_TRACE(length);
        const std::string longer(length, 'v');
        ASSERT_TRUE(WriteBytes(s, "[A]\r\nk=" + longer + "\r\n" + longer + "=1\r\n[" + longer +
                                      "]\r\nj=2\r\n[B]\r\nn=3\r\n"));
        ASSERT_TRUE(WriteBytes(t, "[A]\r\nk=old\r\nx=1\r\n"));
        DebugRun run = Merge(s, t);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.debugStrings, std::vector<std::string>{"toto"});
        EXPECT_EQ(WideProfileList(t, nullptr), (std::vector<std::string>{"A", longer, "B"}));
        EXPECT_EQ(WideProfileList(t, "A"), (std::vector<std::string>{"k=" + longer, "x=1", longer + "=1"}));
        EXPECT_EQ(WideProfileValue(t, longer, "j"), "2");
    }
}

} // namespace
