#pragma once

#include <string>

// A fresh folder under the temporary directory, e.g. "C:\...\Temp\kit-merge-3\".
std::string MakeScratchFolder(const std::string &name);
bool WriteBytes(const std::string &path, const std::string &bytes);
bool ReadBytes(const std::string &path, std::string *bytes);
bool FileExists(const std::string &path);
// The folder that holds the running test program, with a trailing backslash.
std::string ProgramFolder();
// Sets a file's last write an hour back. The profile service parses a file
// written in the last two seconds again on every call; aged, a file is parsed
// once for all the reads that check it.
bool AgeFile(const std::string &path);
// Reads a value back through the profile service ("(absent)" when missing).
std::string ProfileValue(const std::string &file, const std::string &section, const std::string &key);
