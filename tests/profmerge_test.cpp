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

enum class Encoding { Ansi, Utf16Le, Utf16Be, Utf8Bom };

// UTF-8 text as a profile file of that encoding, with its byte-order mark
// (8-bit: the bytes as they are).
std::string Encode(const std::string &text, Encoding encoding)
{
    if (encoding == Encoding::Ansi)
        return text;
    if (encoding == Encoding::Utf8Bom)
        return "\xEF\xBB\xBF" + text;
    bool big = encoding == Encoding::Utf16Be;
    std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t unit : Wide(text)) {
        char low = (char)(unit & 0xFF), high = (char)(unit >> 8);
        bytes += big ? high : low;
        bytes += big ? low : high;
    }
    return bytes;
}

struct MergeRow {
    const char *what;
    std::string source;
    std::string target;  // "" for no target file
    // "Section/key=value" lines that must hold in the merged target, read
    // through the wide calls (names and values in UTF-8).
    std::vector<std::string> expected;
    size_t totos;
    Encoding encoding = Encoding::Ansi;  // of both files
    // The ANSI code page the row's 8-bit bytes are written in (0: any).
    unsigned codePage = 1252;
    // When set, the target's bytes after the merge, exactly ("(absent)": no
    // target file).
    std::string exactTarget = "";
    bool emptyTargetFile = false;  // a target file of no bytes instead of none
    bool targetHeld = false;       // ... that another writer holds open
};

// Section names, keys and values in Greek, CJK and beyond the Basic
// Multilingual Plane (surrogate pairs): new ones copied exactly, differing
// ones replaced, equal ones (A-Z case aside) and the target's own left alone.
const std::string UnicodeSource =
    "[Général]\r\nNom=Ελένη\r\nVille=東京\r\nPays=France\r\nGrec=αβγ\r\nEmoji=😀𝄞\r\n"
    "[Δοκιμή]\r\nκλειδί=τιμή\r\n[𠜎 Ext]\r\n𝄞key=𠜎value\r\n";

MergeRow UnicodeRow(const char *what, Encoding encoding)
{
    return {what,
            Encode(UnicodeSource, encoding),
            Encode("[Général]\r\nNom=Αλέξης\r\nVille=大阪\r\nPays=FRANCE\r\nGrec=ΑΒΓ\r\nMine=Ωμέγα\r\n"
                   "[Seulement ici]\r\nx=ж\r\n",
                   encoding),
            {"Général/Nom=Ελένη", "Général/Ville=東京", "Général/Pays=FRANCE", "Général/Grec=αβγ",
             "Général/Emoji=😀𝄞", "Général/Mine=Ωμέγα", "Δοκιμή/κλειδί=τιμή", "𠜎 Ext/𝄞key=𠜎value",
             "Seulement ici/x=ж"},
            3,
            encoding,
            0};
}

TEST_F(Profmerge, AppliesTheMergeRuleEntryByEntry)
{
    const MergeRow rows[] = {
        {"new section", "[A]\r\nk=v\r\n", "", {"A/k=v"}, 0, Encoding::Ansi, 1252, "[A]\r\nk=v\r\n"},
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
         {"A/k=café"}, 1},
        {"two differing, one equal, one new", "[A]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\n",
         "[A]\r\na=x\r\nb=y\r\nc=3\r\n", {"A/a=1", "A/b=2", "A/c=3", "A/d=4"}, 2},
        {"longer target value", "[A]\r\nk=abc\r\n", "[A]\r\nk=abcd\r\n", {"A/k=abc"}, 1},
        {"shorter target value", "[A]\r\nk=abcd\r\n", "[A]\r\nk=abc\r\n", {"A/k=abcd"}, 1},
        UnicodeRow("UTF-16 LE", Encoding::Utf16Le),
        // A first install: the service would create the target as an 8-bit
        // file and write '?' for every character outside the code page.
        {"new target of a UTF-16 LE source", Encode(UnicodeSource, Encoding::Utf16Le), "",
         {"Général/Nom=Ελένη", "Général/Ville=東京", "Général/Emoji=😀𝄞", "Δοκιμή/κλειδί=τιμή",
          "𠜎 Ext/𝄞key=𠜎value"},
         0, Encoding::Utf16Le, 0},
        {"empty target file of a UTF-16 LE source", Encode(UnicodeSource, Encoding::Utf16Le), "",
         {"Général/Grec=αβγ", "Δοκιμή/κλειδί=τιμή"}, 0, Encoding::Utf16Le, 0, "", true},
        // The mark goes only into a target no one else writes, and never
        // into an 8-bit one, whose other bytes stay as they were.
        {"empty target another writer holds open", Encode("[A]\r\nk=v\r\n", Encoding::Utf16Le), "", {}, 0,
         Encoding::Ansi, 0, "[A]\r\nk=v\r\n", true, true},
        {"UTF-16 LE source into an 8-bit target",
         Encode("[A]\r\nk=new\r\nn=café\r\n[B]\r\nx=1\r\n", Encoding::Utf16Le),
         "[A]\r\nk=old\r\nmine=\xe9t\xe9\r\n[Keep]\r\nz=2\r\n", {}, 1, Encoding::Ansi, 1252,
         "[A]\r\nk=new\r\nmine=\xe9t\xe9\r\nn=caf\xe9\r\n[Keep]\r\nz=2\r\n[B]\r\nx=1\r\n"},
        {"UTF-16 LE source with nothing to write", Encode("[A]\r\nk=\r\n;c=1\r\n", Encoding::Utf16Le), "", {},
         0, Encoding::Utf16Le, 0, "(absent)"},
        // Wine's service reads these two as Unicode too; Windows' does not.
        UnicodeRow("UTF-16 BE", Encoding::Utf16Be),
        UnicodeRow("UTF-8 with a byte-order mark", Encoding::Utf8Bom),
        // 8-bit profiles come out as the 8-bit calls left them, byte for
        // byte: code page 1252 letters, the bytes it leaves undefined, and
        // raw UTF-8 sequences.
        {"code page 1252 bytes",
         "[G\xe9n\xe9ral]\r\nNom=Zo\xeb\r\nPrix=5 \x80\r\nRaw=\x81\x8d\x8f\x90\x9d\r\nSame=\xfc\xfc\r\n"
         "[\xdcnic\xf6" "de \x80]\r\nk\xe9y=\xe9t\xe9\r\n",
         "[G\xe9n\xe9ral]\r\nNom=ZO\xcb\r\nSame=\xfc\xfc\r\nRaw=old\r\nVille=K\xf6ln\r\n", {}, 2,
         Encoding::Ansi, 1252,
         "[G\xe9n\xe9ral]\r\nNom=Zo\xeb\r\nSame=\xfc\xfc\r\nRaw=\x81\x8d\x8f\x90\x9d\r\nVille=K\xf6ln\r\n"
         "Prix=5 \x80\r\n[\xdcnic\xf6" "de \x80]\r\nk\xe9y=\xe9t\xe9\r\n"},
        {"raw UTF-8 bytes in an 8-bit profile",
         "[Gr\xc3\xbc\xc3\x9f" "e]\r\nName=\xce\x95\xce\xbb\xce\xad\xce\xbd\xce\xb7\r\n"
         "City=\xe6\x9d\xb1\xe4\xba\xac\r\nEmoji=\xf0\x9f\x98\x80\r\n[\xce\x94]\r\nk=\xe2\x82\xac\r\n",
         "[Gr\xc3\xbc\xc3\x9f" "e]\r\nName=\xce\x91\xce\xbb\r\nCity=\xe6\x9d\xb1\xe4\xba\xac\r\n", {}, 1,
         Encoding::Ansi, 1252,
         "[Gr\xc3\xbc\xc3\x9f" "e]\r\nName=\xce\x95\xce\xbb\xce\xad\xce\xbd\xce\xb7\r\n"
         "City=\xe6\x9d\xb1\xe4\xba\xac\r\nEmoji=\xf0\x9f\x98\x80\r\n[\xce\x94]\r\nk=\xe2\x82\xac\r\n"},
        // Code page 932: a byte-wise fold took the second byte of ヂ (83 61)
        // for the lower case of ア's (83 41). Run by the profmerge_cp932 test.
        {"double-byte code page", "[A]\r\nk=\x83\x61\r\n", "[A]\r\nk=\x83\x41\r\n", {"A/k=ヂ"}, 1,
         Encoding::Ansi, 932, "[A]\r\nk=\x83\x61\r\n"},
    };
    // A locale set-up that gave the code page 932 entry another code page
    // would skip its rows and pass having tested nothing.
    ASSERT_TRUE(ExpectedCodePageHolds());
    for (const auto &row : rows) {
        if (row.codePage && row.codePage != GetACP())
            continue;
        SCOPED_TRACE(row.what);
        SetUp();
        if (row.emptyTargetFile) {
            ASSERT_TRUE(WriteBytes(Target(), ""));
        }
        const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
        HANDLE other = row.targetHeld ? CreateFileW(Wide(Target()).c_str(), GENERIC_WRITE, shareAll, nullptr,
                                                    OPEN_EXISTING, 0, nullptr)
                                      : INVALID_HANDLE_VALUE;
        Outcome outcome = Merge(row.source, row.target);
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
        EXPECT_EQ(outcome.totos, row.totos);
        if (row.exactTarget == "(absent)") {
            EXPECT_FALSE(FileExists(Target()));
            continue;
        }
        for (const auto &check : row.expected) {
            size_t slash = check.find('/'), equals = check.find('=', slash);
            EXPECT_EQ(WideProfileValue(Target(), check.substr(0, slash),
                                       check.substr(slash + 1, equals - slash - 1)),
                      check.substr(equals + 1))
                << check;
        }
        std::string bytes;
        EXPECT_TRUE(ReadBytes(Target(), &bytes));
        if (!row.exactTarget.empty()) {
            EXPECT_EQ(bytes, row.exactTarget);
        }
        // The target keeps its encoding.
        if (row.encoding != Encoding::Ansi) {
            std::string mark = Encode("", row.encoding);
            EXPECT_EQ(bytes.substr(0, mark.size()), mark);
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
        std::string target = "";  // the default target when empty
        unsigned long exitCode = 0;
    };
    std::string spaced = folder + "with space\\";
    MakeFolder(spaced);
    // Names outside any ANSI code page, and paths past MAX_PATH (one with
    // Greek folders): the service gets the short form of their folders.
    const std::string greek = folder + "Ελληνικά\\", cjk = folder + "東京 フォルダ\\", emoji = folder + "😀\\";
    const std::string deepGreek = DeepFolder(folder, "Ελληνικά φάκελος ", 300);
    const std::string deep = DeepFolder(folder, "a folder of forty characters in its name", 320);
    const std::string sources[] = {Source(),         spaced + "s.ini",    greek + "s.ini", cjk + "s.ini",
                                   emoji + "s.ini", deepGreek + "s.ini", deep + "s.ini"};
    for (const std::string &f : {greek, cjk, emoji})
        MakeFolder(f);
    const std::string defaultTarget = Target();
    // Sources that exist but cannot be read: a folder, and a file another
    // program holds open without sharing; a bare name is looked for in the
    // Windows folder, as the service does.
    const std::string folderSource = folder + "folder.ini";
    MakeFolder(folderSource);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::string heldSource = Utf8(windows) + "\\kit-held-source.ini";
    ASSERT_TRUE(WriteBytes(heldSource, kv));
    HANDLE held = CreateFileW(Wide(heldSource).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Relative paths, from the folder profmerge starts in.
    wchar_t previousFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previousFolder);
    ASSERT_TRUE(SetCurrentDirectoryW(Wide(folder).c_str()));
    std::string relativeDeep = deep.substr(folder.size());
    std::replace(relativeDeep.begin(), relativeDeep.end(), '\\', '/');
    const Shape shapes[] = {
        {"empty", "", false},
        {"blanks only", "   \t ", false},
        {"source only", "-src:" + Source(), false},
        {"target only", "-target:" + defaultTarget, false},
        {"in order", "-src:" + Source() + " -target:" + defaultTarget, true},
        {"reversed", "-target:" + defaultTarget + " -src:" + Source(), true},
        {"unquoted then quoted", "-src:" + Source() + " -target:\"" + defaultTarget + "\"", true},
        {"quoted paths with spaces", "-src:\"" + spaced + "s.ini\" -target:\"" + defaultTarget + "\"", true},
        {"options in capitals", "-SRC:" + Source() + " -TARGET:" + defaultTarget, false},
        {"empty paths", "-src: -target: ", false},
        // An empty target names no file the service can write.
        {"empty target path", "-src:" + Source() + " -target:", false, "", ERROR_ACCESS_DENIED},
        {"Greek folders, unquoted", "-src:" + greek + "s.ini -target:" + greek + "t.ini", true, greek + "t.ini"},
        {"CJK folder with a space, quoted", "-src:\"" + cjk + "s.ini\" -target:\"" + cjk + "t.ini\"", true,
         cjk + "t.ini"},
        {"emoji folder", "-target:\"" + emoji + "t.ini\" -src:" + emoji + "s.ini", true, emoji + "t.ini"},
        {"paths past 300 characters", "-src:\"" + deepGreek + "s.ini\" -target:\"" + deep + "t.ini\"", true,
         deep + "t.ini"},
        {"relative paths with forward slashes, past 300 characters in full",
         "-src:\"" + relativeDeep + "s.ini\" -target:\"./" + relativeDeep + "t.ini\"", true, deep + "t.ini"},
        // As PowerShell, .NET, Python and Node quote an argument with a space.
        {"whole arguments quoted", "\"-src:" + spaced + "s.ini\" \"-target:" + spaced + "t.ini\"", true,
         spaced + "t.ini"},
        {"whole arguments quoted, Greek and CJK folders",
         "\"-target:" + cjk + "t.ini\" \"-src:" + deepGreek + "s.ini\"", true, cjk + "t.ini"},
        {"source is a folder", "-src:" + folderSource + " -target:" + defaultTarget, false, "",
         ERROR_ACCESS_DENIED},
        {"source held open without sharing", "-src:" + heldSource + " -target:" + defaultTarget, false, "",
         ERROR_SHARING_VIOLATION},
        {"bare source name held open in the Windows folder", "-src:kit-held-source.ini -target:" + defaultTarget,
         false, "", ERROR_SHARING_VIOLATION},
        {"source in a missing folder", "-src:" + folder + "nowhere\\s.ini -target:" + defaultTarget, false},
        {"past 300 characters, in a missing folder",
         "-src:\"" + deep + "s.ini\" -target:\"" + deep + "no\\t.ini\"", false, deep + "no\\t.ini",
         ERROR_PATH_NOT_FOUND},
    };
    for (const auto &shape : shapes) {
        SCOPED_TRACE(shape.what);
        std::string target = shape.target.empty() ? defaultTarget : shape.target;
        RemoveFile(target);
        for (const std::string &source : sources)
            ASSERT_TRUE(WriteBytes(source, kv)) << source;
        Outcome outcome = Run(shape.tail);
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.exitCode, shape.exitCode);
        EXPECT_EQ(outcome.others, 0u);
        EXPECT_EQ(FileExists(target), shape.merges);
        std::string bytes;
        if (shape.merges && ReadBytes(target, &bytes)) {
            EXPECT_EQ(bytes, kv);
        }
    }
    SetCurrentDirectoryW(previousFolder);
    CloseHandle(held);
    RemoveFile(heldSource);
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

    // A read-only target loses nothing, and a refused write is reported.
    // (Whether it is refused depends on who runs the test: Wine as root
    // writes anyway.)
    SetUp();
    ASSERT_TRUE(WriteBytes(Target(), "[A]\r\nk=w\r\nmine=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteBytes(Source(), "[A]\r\nk=v\r\nn=1\r\n"));
    outcome = Run("-src:" + Source() + " -target:" + Target());
    EXPECT_EQ(Value("A", "mine"), "1");
    bool written = Value("A", "k") == "v";
    EXPECT_TRUE(written || Value("A", "k") == "w") << Value("A", "k");
    EXPECT_EQ(outcome.exitCode, written ? 0u : (unsigned long)ERROR_ACCESS_DENIED);
    EXPECT_EQ(outcome.totos, written ? 1u : 0u);
    SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
