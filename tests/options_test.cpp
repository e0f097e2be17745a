// How profmerge takes its two paths from the command-line tail.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "options.h"
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

} // namespace
