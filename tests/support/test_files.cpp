#include "test_files.h"

#include <windows.h>

std::wstring Wide(const std::string &utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), wide.data(), n);
    return wide;
}

std::string Utf8(const std::wstring &wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string MakeScratchFolder(const std::string &name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    for (unsigned n = GetCurrentProcessId();; n++) {
        std::string folder = Utf8(temp) + "kit-" + name + "-" + std::to_string(n) + "\\";
        if (MakeFolder(folder))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return folder;
    }
}

// Long paths need the \\?\ form for the file calls to take them.
static std::wstring FilePath(const std::string &path)
{
    std::wstring wide = Wide(path);
    if (wide.size() >= MAX_PATH - 12 && wide.compare(0, 4, L"\\\\?\\") != 0)
        wide = L"\\\\?\\" + wide;
    return wide;
}

bool MakeFolder(const std::string &path)
{
    return CreateDirectoryW(FilePath(path).c_str(), nullptr) != FALSE;
}

std::string DeepFolder(std::string base, const std::string &name, size_t length)
{
    for (int i = 0; Wide(base).size() < length; i++) {
        base += name + std::to_string(i) + "\\";
        MakeFolder(base);
    }
    return base;
}

bool WriteBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(FilePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
    HANDLE file = CreateFileW(FilePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
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
    return GetFileAttributesW(FilePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string &path)
{
    return DeleteFileW(FilePath(path).c_str()) != FALSE;
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
    HANDLE file = CreateFileW(FilePath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
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

std::string WideProfileValue(const std::string &file, const std::string &section, const std::string &key)
{
    const wchar_t *absent = L"\x01(absent)";
    for (DWORD size = 1 << 16;; size *= 4) {
        std::vector<wchar_t> value(size + 1);
        DWORD got = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), absent, value.data(),
                                             size, Wide(file).c_str());
        if (got >= size - 1 && size < (1u << 28))
            continue;
        std::wstring text(value.data(), got);
        return text == absent ? "(absent)" : Utf8(text);
    }
}

std::vector<std::string> WideProfileList(const std::string &file, const char *section)
{
    for (DWORD size = 1 << 16;; size *= 4) {
        std::vector<wchar_t> buffer(size + 2);
        DWORD got = section ? GetPrivateProfileSectionW(Wide(section).c_str(), buffer.data(), size,
                                                        Wide(file).c_str())
                            : GetPrivateProfileSectionNamesW(buffer.data(), size, Wide(file).c_str());
        if (got >= size - 2 && size < (1u << 28))
            continue;
        std::vector<std::string> items;
        for (DWORD i = 0; i < got && buffer[i]; i += (DWORD)wcslen(&buffer[i]) + 1)
            items.push_back(Utf8(&buffer[i]));
        return items;
    }
}

::testing::AssertionResult ExpectedCodePageHolds()
{
    char expected[16] = {};
    DWORD n = GetEnvironmentVariableA("KIT_EXPECT_ACP", expected, sizeof expected);
    if (n == 0 || n >= sizeof expected || std::to_string(GetACP()) == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "KIT_EXPECT_ACP is " << expected << " but GetACP() is "
                                         << GetACP() << ": the locale did not give that code page";
}
