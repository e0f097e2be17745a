#include "test_files.h"

#include <windows.h>

#include <vector>

std::string MakeScratchFolder(const std::string &name)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (unsigned n = GetCurrentProcessId();; n++) {
        std::string folder = std::string(temp) + "kit-" + name + "-" + std::to_string(n) + "\\";
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return folder;
    }
}

bool WriteBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadBytes(const std::string &path, std::string *bytes)
{
    bytes->clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got)
        bytes->append(chunk, got);
    CloseHandle(file);
    return true;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool AgeFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // An hour back, one second further each call: a copy the service holds
    // from an earlier write is never taken for the file.
    static ULONGLONG calls;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time;
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart -= (3600ull + ++calls) * 10000000;  // 100 ns units
    FILETIME aged = {time.LowPart, time.HighPart};
    BOOL ok = SetFileTime(file, nullptr, nullptr, &aged);
    CloseHandle(file);
    return ok;
}

std::string ProfileValue(const std::string &file, const std::string &section, const std::string &key)
{
    std::vector<char> value(1 << 16);
    const char *absent = "\x01(absent)";
    DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), absent, value.data(),
                                         (DWORD)value.size(), file.c_str());
    std::string text(value.data(), got);
    return text == absent ? "(absent)" : text;
}
