#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

// Paths are UTF-8 and reach the system through its wide calls, so that
// folders named in any script work whatever the ANSI code page.
std::wstring Wide(const std::string &utf8);
std::string Utf8(const std::wstring &wide);

// A fresh folder under the temporary directory, e.g. "C:\...\Temp\kit-merge-3\".
std::string MakeScratchFolder(const std::string &name);
bool MakeFolder(const std::string &path);
// A folder of `length` characters or more under `base` (which ends in a
// backslash), made of folders named `name` plus a number.
std::string DeepFolder(std::string base, const std::string &name, size_t length);
bool WriteBytes(const std::string &path, const std::string &bytes);
bool ReadBytes(const std::string &path, std::string *bytes);
bool FileExists(const std::string &path);
bool RemoveFile(const std::string &path);
// The folder that holds the running test program, with a trailing backslash.
std::string ProgramFolder();
// Sets a file's last write an hour back. The profile service parses a file
// written in the last two seconds again on every call; aged, a file is parsed
// once for all the reads that check it.
bool AgeFile(const std::string &path);
// Reads a value back through the profile service's 8-bit calls, as bytes of
// the ANSI code page ("(absent)" when missing).
std::string ProfileValue(const std::string &file, const std::string &section, const std::string &key);
// The same through the wide calls, whole whatever its length: names and
// value in UTF-8.
std::string WideProfileValue(const std::string &file, const std::string &section, const std::string &key);
// The section names (section null) or one section's lines, read whole
// through the wide calls, in UTF-8.
std::vector<std::string> WideProfileList(const std::string &file, const char *section);
// A ctest entry that runs rows for one code page under a locale names the
// code page in KIT_EXPECT_ACP: a locale that gives another one must fail the
// run instead of passing with those rows skipped. Success when unset.
::testing::AssertionResult ExpectedCodePageHolds();
