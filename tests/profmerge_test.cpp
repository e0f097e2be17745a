// profmerge.exe end to end: exact command lines, real profile files, the
// real profile service, and the "toto" strings it emits.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "debug_run.h"
#include "merge.h"
#include "test_files.h"

namespace {

struct Outcome {
    bool started = false;
    unsigned long exitCode = 0;
    size_t totos = 0;
    size_t others = 0;  // debug strings that are not "toto"
};

class Profmerge : public ::testing::Test {
protected:
    void SetUp() override
    {
        exe = ProgramFolder() + "profmerge.exe";
        folder = MakeScratchFolder("profmerge");
    }

    Outcome RunLine(const std::string &commandLine)
    {
        DebugRun run = RunUnderDebugger(commandLine);
        Outcome outcome;
        outcome.started = run.started;
        outcome.exitCode = run.exitCode;
        for (const auto &text : run.debugStrings)
            (text == "toto" ? outcome.totos : outcome.others)++;
        return outcome;
    }

    Outcome Run(const std::string &tail) { return RunLine("\"" + exe + "\" " + tail); }

    // Writes the two profiles (an empty target text means no target file)
    // and merges source into target.
    Outcome Merge(const std::string &source, const std::string &target)
    {
        EXPECT_TRUE(WriteBytes(Source(), source));
        if (!target.empty()) {
            EXPECT_TRUE(WriteBytes(Target(), target));
        }
        Outcome outcome = Run("-src:\"" + Source() + "\" -target:\"" + Target() + "\"");
        AgeFile(Target());
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_EQ(outcome.others, 0u);
        return outcome;
    }

    std::string Source() const { return folder + "source.ini"; }
    std::string Target() const { return folder + "target.ini"; }
    std::string Value(const std::string &section, const std::string &key) const
    {
        return ProfileValue(Target(), section, key);
    }

    std::string exe;
    std::string folder;
};

struct MergeRow {
    const char *what;
    const char *source;
    const char *target;  // "" for no target file
    // "Section/key=value" lines that must hold in the merged target.
    std::vector<std::string> expected;
    size_t totos;
};

TEST_F(Profmerge, AppliesTheMergeRuleEntryByEntry)
{
    const MergeRow rows[] = {
        {"new section", "[A]\r\nk=v\r\n", "", {"A/k=v"}, 0},
        {"same value, other case", "[A]\r\nk=v\r\n", "[A]\r\nk=V\r\n", {"A/k=V"}, 0},
        {"different value", "[A]\r\nk=v\r\n", "[A]\r\nk=w\r\n", {"A/k=v"}, 1},
        {"empty source value", "[A]\r\nk=\r\n", "[A]\r\nk=w\r\n", {"A/k=w"}, 0},
        {"empty source value, no target key", "[A]\r\nk=\r\n", "[B]\r\nx=1\r\n", {"A/k=(absent)"}, 0},
        {"comment line", "[A]\r\n;k=v\r\n", "[B]\r\nx=1\r\n", {"A/k=(absent)", "A/;k=(absent)"}, 0},
        {"equals inside value", "[A]\r\nk=a=b\r\n", "", {"A/k=a=b"}, 0},
        {"empty target value", "[A]\r\nk=v\r\n", "[A]\r\nk=\r\n", {"A/k=v"}, 0},
        {"target-only entries stay", "[A]\r\nk=v\r\n", "[A]\r\nmine=1\r\n[B]\r\nz=2\r\n",
         {"A/k=v", "A/mine=1", "B/z=2"}, 0},
        {"quoted on both sides", "[A]\r\nk=\"q\"\r\n", "[A]\r\nk=\"q\"\r\n", {"A/k=q"}, 1},
        {"names differ in case only", "[Sec]\r\nKey=v\r\n", "[SEC]\r\nKEY=w\r\n", {"SEC/KEY=v"}, 1},
        {"line without equals", "[A]\r\njunk\r\nk=v\r\n", "", {"A/k=v", "A/junk=(absent)"}, 0},
        {"empty key name skipped", "[A]\r\n=v\r\nk=v\r\n", "", {"A/k=v"}, 0},
        {"non-ASCII letters are not folded", "[A]\r\nk=caf\xe9\r\n", "[A]\r\nk=CAF\xc9\r\n",
         {"A/k=caf\xe9"}, 1},
        {"two differing, one equal, one new", "[A]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\n",
         "[A]\r\na=x\r\nb=y\r\nc=3\r\n", {"A/a=1", "A/b=2", "A/c=3", "A/d=4"}, 2},
        {"longer target value", "[A]\r\nk=abc\r\n", "[A]\r\nk=abcd\r\n", {"A/k=abc"}, 1},
        {"shorter target value", "[A]\r\nk=abcd\r\n", "[A]\r\nk=abc\r\n", {"A/k=abcd"}, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        SetUp();
        Outcome outcome = Merge(row.source, row.target);
        EXPECT_EQ(outcome.totos, row.totos);
        for (const auto &check : row.expected) {
            size_t slash = check.find('/'), equals = check.find('=', slash);
            EXPECT_EQ(Value(check.substr(0, slash), check.substr(slash + 1, equals - slash - 1)),
                      check.substr(equals + 1))
                << check;
        }
    }
}

TEST_F(Profmerge, NeverWritesAnEntryWithAnEmptyKeyName)
{
    Merge("[A]\r\n=v\r\n", "[A]\r\nk=1\r\n");
    std::string bytes;
    ASSERT_TRUE(ReadBytes(Target(), &bytes));
    EXPECT_EQ(bytes.find("=v"), std::string::npos) << bytes;
}

TEST_F(Profmerge, RewritesAQuotedValueOnEveryRun)
{
    EXPECT_EQ(Merge("[A]\r\nk=\"q\"\r\n", "[A]\r\nk=\"q\"\r\n").totos, 1u);
    EXPECT_EQ(Run("-src:\"" + Source() + "\" -target:\"" + Target() + "\"").totos, 1u);
}

// Section names of the given lengths, each holding one key.
std::string SectionsOf(const std::vector<size_t> &nameLengths)
{
    std::string text;
    for (size_t i = 0; i < nameLengths.size(); i++) {
        char prefix[16];
        snprintf(prefix, sizeof(prefix), "S%03zu", i);
        std::string name = prefix + std::string(nameLengths[i] - 1 - strlen(prefix), 'n');
        text += "[" + name + "]\r\nkey=" + prefix + "\r\n";
    }
    return text;
}

TEST_F(Profmerge, MergesEverySectionOfALongNameList)
{
    // Lengths as the service counts them: each name with the zero after it.
    const struct {
        const char *what;
        std::vector<size_t> names;
    } lists[] = {
        {"exactly 1022", std::vector<size_t>{100, 100, 100, 100, 100, 100, 100, 100, 100, 122}},
        {"exactly 1021", std::vector<size_t>{100, 100, 100, 100, 100, 100, 100, 100, 100, 121}},
        {"exactly 2044", std::vector<size_t>(28, 73)},
        {"far beyond 2044", std::vector<size_t>(100, 120)},
        // Long names: each section costs a pass over the whole file, which
        // the emulated x86 build pays for dearly under the heap checks.
        {"beyond the first read", std::vector<size_t>(ProfileProbeSize / 512 + 8, 512)},
    };
    for (const auto &list : lists) {
        SCOPED_TRACE(list.what);
        SetUp();
        Outcome outcome = Merge(SectionsOf(list.names), "[Other]\r\nx=1\r\n");
        EXPECT_EQ(outcome.totos, 0u);
        for (size_t i = 0; i < list.names.size(); i++) {
            char prefix[16];
            snprintf(prefix, sizeof(prefix), "S%03zu", i);
            std::string name = prefix + std::string(list.names[i] - 1 - strlen(prefix), 'n');
            EXPECT_EQ(Value(name, "key"), prefix) << name;
        }
        EXPECT_EQ(Value("Other", "x"), "1");
    }
}

TEST_F(Profmerge, MergesEveryLineOfALongSectionWhole)
{
    // The last one is beyond the first read, in long lines: each line costs
    // a pass over the whole file (see the section names above).
    const struct {
        size_t lines, length;
    } sizes[] = {{10, 90}, {100, 90}, {100, ProfileProbeSize / 90}};
    for (const auto &size : sizes) {
        size_t lines = size.lines;
        SCOPED_TRACE(lines);
        SetUp();
        std::string source = "[Big]\r\n", target = "[Big]\r\n";
        for (size_t i = 0; i < lines; i++) {
            std::string key = "key" + std::to_string(i);
            std::string value = std::string(i % 7 + size.length, 'a' + i % 26) + std::to_string(i);
            source += key + "=" + value + "\r\n";
            if (i % 2)
                target += key + "=old\r\n";
        }
        Outcome outcome = Merge(source, target);
        EXPECT_EQ(outcome.totos, lines / 2);
        for (size_t i = 0; i < lines; i++) {
            std::string value = std::string(i % 7 + size.length, 'a' + i % 26) + std::to_string(i);
            ASSERT_EQ(Value("Big", "key" + std::to_string(i)), value) << i;
        }
    }
}

TEST_F(Profmerge, ComparesLongTargetValuesWhole)
{
    const struct {
        size_t length;
        bool lastDiffers;
    } cases[] = {{1021, false}, {1022, false}, {1022, true}, {1023, true}, {1024, false},
                 {1025, true}, {3000, false}, {3000, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << (c.lastDiffers ? " differing" : " equal"));
        SetUp();
        std::string value(c.length, 'v');
        std::string current(c.length - 1, 'V');
        current += c.lastDiffers ? 'w' : 'V';
        Outcome outcome = Merge("[A]\r\nk=" + value + "\r\n", "[A]\r\nk=" + current + "\r\n");
        EXPECT_EQ(outcome.totos, c.lastDiffers ? 1u : 0u);
        EXPECT_EQ(Value("A", "k"), c.lastDiffers ? value : current);
    }
}

TEST_F(Profmerge, CommandLineShapes)
{
    const std::string kv = "[A]\r\nk=v\r\n";
    struct Shape {
        const char *what;
        std::string tail;
        bool merges;
    };
    std::string target = Target();
    std::string spaced = folder + "with space\\";
    CreateDirectoryA(spaced.c_str(), nullptr);
    const Shape shapes[] = {
        {"empty", "", false},
        {"blanks only", "   \t ", false},
        {"source only", "-src:" + Source(), false},
        {"target only", "-target:" + target, false},
        {"in order", "-src:" + Source() + " -target:" + target, true},
        {"reversed", "-target:" + target + " -src:" + Source(), true},
        {"unquoted then quoted", "-src:" + Source() + " -target:\"" + target + "\"", true},
        {"quoted paths with spaces", "-src:\"" + spaced + "s.ini\" -target:\"" + target + "\"", true},
        {"options in capitals", "-SRC:" + Source() + " -TARGET:" + target, false},
        {"empty paths", "-src: -target: ", false},
        {"empty target path", "-src:" + Source() + " -target:", false},
    };
    for (const auto &shape : shapes) {
        SCOPED_TRACE(shape.what);
        DeleteFileA(target.c_str());
        ASSERT_TRUE(WriteBytes(Source(), kv));
        ASSERT_TRUE(WriteBytes(spaced + "s.ini", kv));
        Outcome outcome = Run(shape.tail);
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_EQ(outcome.others, 0u);
        EXPECT_EQ(FileExists(target), shape.merges);
        if (shape.merges) {
            EXPECT_EQ(Value("A", "k"), "v");
        }
    }
}

TEST_F(Profmerge, ProgramNameWithSpacesAndAVeryLongCommandLine)
{
    std::string spaced = folder + "program folder\\";
    CreateDirectoryA(spaced.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(exe.c_str(), (spaced + "profmerge.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteBytes(Source(), "[A]\r\nk=v\r\n"));
    std::string tail = "-src:" + Source() + " -target:" + Target();
    Outcome outcome = RunLine("\"" + spaced + "profmerge.exe\"  \t" + tail);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(Value("A", "k"), "v");

    DeleteFileA(Target().c_str());
    std::string padding(32000 - tail.size(), 'x');
    outcome = Run(tail + " -pad:" + padding);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(Value("A", "k"), "v");
}

TEST_F(Profmerge, BadInputLosesNothing)
{
    const std::string target = "[A]\r\nmine=1\r\nk=old\r\n[Keep]\r\nz=2\r\n";
    const struct {
        const char *what;
        std::string source;
    } sources[] = {
        {"binary bytes", std::string("[A]\r\nk=\x01\x02\x7f\xff\r\n\x00\x00junk\x00=\r\n[\x00]\r\n", 28)},
        {"no equals anywhere", "[A]\r\nnothing here\r\n;x\r\n"},
        {"very long line", "[A]\r\n" + std::string(100000, 'L') + "=" + std::string(100000, 'v') + "\r\n"},
        {"non-ASCII bytes", "[\xc4\xd6]\r\n\xe9t\xe9=\xfc\xdf\r\n"},
        {"no sections", "k=v\r\n"},
        {"empty file", ""},
    };
    for (const auto &s : sources) {
        SCOPED_TRACE(s.what);
        SetUp();
        Merge(s.source, target);
        EXPECT_EQ(Value("A", "mine"), "1");
        EXPECT_EQ(Value("Keep", "z"), "2");
    }
}

TEST_F(Profmerge, MissingOrReadOnlyFiles)
{
    // A missing source changes nothing.
    ASSERT_TRUE(WriteBytes(Target(), "[A]\r\nk=w\r\n"));
    Outcome outcome = Run("-src:" + folder + "missing.ini -target:" + Target());
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.totos, 0u);
    EXPECT_EQ(Value("A", "k"), "w");

    // A missing target is created.
    SetUp();
    Merge("[A]\r\nk=v\r\n[B]\r\nj=u\r\n", "");
    EXPECT_EQ(Value("A", "k"), "v");
    EXPECT_EQ(Value("B", "j"), "u");

    // A read-only target loses nothing. (Whether the write is refused
    // depends on who runs the test: Wine as root writes anyway.)
    SetUp();
    ASSERT_TRUE(WriteBytes(Target(), "[A]\r\nk=w\r\nmine=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteBytes(Source(), "[A]\r\nk=v\r\nn=1\r\n"));
    outcome = Run("-src:" + Source() + " -target:" + Target());
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(Value("A", "mine"), "1");
    EXPECT_TRUE(Value("A", "k") == "w" || Value("A", "k") == "v") << Value("A", "k");
    SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
