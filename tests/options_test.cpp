// How profmerge takes its two paths from the command-line tail.
#include <gtest/gtest.h>

#include <windows.h>
#include <stdlib.h>

#include <algorithm>

#include "dialkit_host.h"
#include "merge.h"
#include "options.h"
#include "profile_path.h"
#include "test_files.h"

namespace {

std::string Show(const char *text) { return text ? "\"" + std::string(text) + "\"" : "(null)"; }

// Tails and values in UTF-8; the options work on the wide text.
std::string Extract(const std::string &tail, const char *option)
{
    wchar_t *value = ExtractOption(Wide(tail).c_str(), Wide(option).c_str());
    std::string shown = value ? Show(Utf8(value).c_str()) : Show(nullptr);
    free(value);
    return shown;
}

TEST(ExtractOption, FindsEachValueWhereverItStands)
{
    static const struct {
        const char *tail, *src, *target;
    } cases[] = {
        {"-src:a.ini -target:b.ini", "a.ini", "b.ini"},
        {"-target:b.ini -src:a.ini", "a.ini", "b.ini"},
        {"-src:\"C:\\My Files\\a.ini\" -target:\"C:\\x y\\b.ini\"", "C:\\My Files\\a.ini", "C:\\x y\\b.ini"},
        // An unquoted value ends at its first space, even when a quoted option follows.
        {"-src:a.ini -target:\"C:\\My Files\\b.ini\"", "a.ini", "C:\\My Files\\b.ini"},
        {"-src:a.ini", "a.ini", nullptr},
        {"-target:b.ini", nullptr, "b.ini"},
        {"x -src:end.ini", "end.ini", nullptr},
        // Option followed by a space: an empty path, not an absent one.
        {"-src: -target: ", "", ""},
        {"-src:", "", nullptr},
        // Only the space ends an unquoted value; tabs and quotes belong to it.
        {"-src:a\tb.ini -target:c\"d.ini", "a\tb.ini", "c\"d.ini"},
        // A quoted value without its closing quote runs to the end of the line.
        {"-src:\"open ended.ini", "open ended.ini", nullptr},
        {"-src:\"\" -target:b.ini", "", "b.ini"},
        // Option texts are case-sensitive, and the first occurrence counts.
        {"-SRC:a.ini -Target:b.ini", nullptr, nullptr},
        {"-src:first.ini -src:second.ini", "first.ini", nullptr},
        // Every character outside the ANSI code page arrives whole.
        {"-src:C:\\Ελληνικά\\πηγή.ini -target:\"C:\\東京 フォルダ\\😀.ini\"",
         "C:\\Ελληνικά\\πηγή.ini", "C:\\東京 フォルダ\\😀.ini"},
        // Whole arguments quoted, as PowerShell, .NET, Python and Node pass a
        // value with a space: the quote that opens the argument closes the value.
        {"\"-src:C:\\Kit Files\\s.ini\" \"-target:C:\\Program Files\\Dialer\\t.ini\"",
         "C:\\Kit Files\\s.ini", "C:\\Program Files\\Dialer\\t.ini"},
        {"\"-target:C:\\Φάκελος χρήστη\\t.ini\"\t\"-src:C:\\東京 フォルダ\\πηγή.ini\"",
         "C:\\東京 フォルダ\\πηγή.ini", "C:\\Φάκελος χρήστη\\t.ini"},
        {"\"-src:C:\\a b\\s.ini\" -target:b.ini", "C:\\a b\\s.ini", "b.ini"},
        {"\"-src:open ended.ini", "open ended.ini", nullptr},
        // A quote that closes a value opens no argument; a quoted value inside
        // a quoted argument keeps today's meaning.
        {"-target:\"a b\"-src:c d.ini", "c", "a b"},
        {"\"-src:\"a b.ini\"\" x", "a b.ini", nullptr},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Extract(c.tail, "-src:"), Show(c.src)) << c.tail;
        EXPECT_EQ(Extract(c.tail, "-target:"), Show(c.target)) << c.tail;
    }
}

TEST(ExtractOption, CopiesALongValueWhole)
{
    std::string path(32000, 'p');
    std::string tail = "-src:" + path + " -target:\"" + path + "\"";
    EXPECT_EQ(Extract(tail, "-src:"), Show(path.c_str()));
    EXPECT_EQ(Extract(tail, "-target:"), Show(path.c_str()));
}

TEST(CommandLineTail, SkipsTheProgramNameAndTheBlanksAfterIt)
{
    static const struct {
        const char *line, *tail;
    } cases[] = {
        {"profmerge.exe -src:a.ini", "-src:a.ini"},
        {"\"C:\\Program Files\\profmerge.exe\" -src:a.ini", "-src:a.ini"},
        // Every control character and blank after the name goes; the tail's own stay.
        {"profmerge.exe \t\x01\x1f  -src:a b ", "-src:a b "},
        {"\"C:\\Dossier é\\profmerge.exe\"-src:a.ini", "-src:a.ini"},
        // An unquoted name ends at the first blank or control character.
        {"C:\\Φάκελος\\profmerge.exe\x02-src:x", "-src:x"},
        {"\"unclosed name -src:a.ini", ""},
        {"profmerge.exe", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        std::wstring line = Wide(c.line);
        EXPECT_EQ(Utf8(CommandLineTail(line.c_str())), c.tail) << c.line;
    }
}

std::string Slashed(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

decltype(&CreateFileW) RealCreateFileW;

// CreateFileW where long paths are not enabled: a path of MAX_PATH or more
// is reached only in its \\?\ form.
HANDLE WINAPI CreateFileWithoutLongPaths(const wchar_t *name, DWORD access, DWORD share,
                                         SECURITY_ATTRIBUTES *security, DWORD disposition, DWORD flags,
                                         HANDLE templateFile)
{
    if (wcslen(name) >= MAX_PATH && wcsncmp(name, L"\\\\?\\", 4) != 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return RealCreateFileW(name, access, share, security, disposition, flags, templateFile);
}

// What the profile service is handed for a path, and the file it opens.
TEST(ProfilePath, LongPathsGetTheShortFormOfTheirFolder)
{
    std::string folder = MakeScratchFolder("paths");
    wchar_t previous[MAX_PATH] = {}, windows[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    GetWindowsDirectoryW(windows, MAX_PATH);
    ASSERT_TRUE(SetCurrentDirectoryW(Wide(folder).c_str()));
    // Past MAX_PATH when full, under it as typed from the current folder.
    const std::string deep = DeepFolder(folder, "Ελληνικά φάκελος ", 300);
    const std::string within = DeepFolder(folder, "within ", folder.size() + 240);
    const std::string withinRelative = within.substr(folder.size());
    for (const std::string &f : {deep, within})
        ASSERT_TRUE(WriteBytes(f + "t.ini", f)) << f;

    enum Handed { AsGiven, ShortForm, Full };
    const struct {
        std::string path;
        Handed handed;
        std::string file;  // the file the service opens
        // A merge from `file`, as it is handed on where the folder has no
        // short name, on a system without long paths: an existing source
        // that only its \\?\ form reaches is not a missing one.
        DWORD withoutLongPaths;
    } rows[] = {
        {"setup.ini", AsGiven, Utf8(windows) + "\\setup.ini", 0},
        {".\\a.ini", AsGiven, folder + "a.ini", 0},
        {Slashed(folder) + "a.ini", AsGiven, folder + "a.ini", 0},
        {deep + "t.ini", ShortForm, deep + "t.ini", ERROR_FILENAME_EXCED_RANGE},
        {Slashed(deep) + "t.ini", ShortForm, deep + "t.ini", ERROR_FILENAME_EXCED_RANGE},
        {withinRelative + "t.ini", ShortForm, within + "t.ini", ERROR_FILENAME_EXCED_RANGE},
        {".\\" + Slashed(withinRelative) + "t.ini", ShortForm, within + "t.ini", ERROR_FILENAME_EXCED_RANGE},
        // No folder to shorten: the full path, for systems that take long paths.
        {deep + "missing\\t.ini", Full, deep + "missing\\t.ini", 0},
        {"\\\\?\\" + deep + "t.ini", AsGiven, "\\\\?\\" + deep + "t.ini", 0},
        // Past MAX_PATH, a literal path comes back as GetFullPathNameW makes it.
        {"\\\\?\\" + deep + "x\\..\\t.ini", Full, "\\\\?\\" + deep + "t.ini", 0},
    };
    RealCreateFileW = CreateFileW;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        wchar_t *handed = ProfilePath(Wide(row.path).c_str());
        wchar_t *file = ProfileFilePath(Wide(row.path).c_str());
        ASSERT_TRUE(handed && file);
        EXPECT_EQ(Utf8(file), row.file);
        ASSERT_TRUE(PatchImport(GetModuleHandleW(nullptr), AsFarProc(RealCreateFileW),
                                AsFarProc(CreateFileWithoutLongPaths)));
        DWORD probed = MergeProfiles(file, Wide(folder + "merged.ini").c_str());
        PatchImport(GetModuleHandleW(nullptr), AsFarProc(CreateFileWithoutLongPaths), AsFarProc(RealCreateFileW));
        EXPECT_EQ(probed, row.withoutLongPaths);
        std::string got = Utf8(handed), bytes;
        if (row.handed == AsGiven) {
            EXPECT_EQ(got, row.path);
        }
        if (row.handed == Full) {
            EXPECT_EQ(got, row.file);
        }
        if (row.handed == ShortForm) {
            EXPECT_NE(got, row.path);
            EXPECT_LT(wcslen(handed), size_t(MAX_PATH)) << got;
            EXPECT_TRUE(ReadBytes(got, &bytes) && row.file == bytes + "t.ini") << got;
        }
        free(file);
        free(handed);
    }
    SetCurrentDirectoryW(previous);
}

} // namespace
