// Resources of the shipped binaries given on the command line, both
// architectures (read as data, so the other architecture's too): the
// picker's dialog template in each Dialkit.dll, a version in each.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Binaries;

bool IsDialkit(const std::string &path)
{
    return path.size() >= 11 && _stricmp(path.c_str() + path.size() - 11, "Dialkit.dll") == 0;
}

// Reads a template piece by piece, never past its resource size.
struct Reader {
    const BYTE *at, *end;
    bool ok = true;
    template <typename T>
    T Take()
    {
        T value{};
        if (end - at < static_cast<ptrdiff_t>(sizeof value)) {
            ok = false;
            return value;
        }
        memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    // A name field: 0xFFFF and an ordinal (shown "#n"), or a UTF-16 string.
    std::string Name()
    {
        WORD first = Take<WORD>();
        if (first == 0xFFFF)
            return "#" + std::to_string(Take<WORD>());
        std::string text;
        for (WORD c = first; ok && c; c = Take<WORD>())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    void AlignDword(const BYTE *base)
    {
        while (((at - base) & 3) && at < end)
            at++;
    }
};

struct Control {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string windowClass, text;
    bool operator==(const Control &) const = default;
};

void PrintTo(const Control &c, std::ostream *os)
{
    char style[16];
    wsprintfA(style, "0x%08lX", c.style);
    *os << "{" << style << " " << c.x << "," << c.y << " " << c.cx << "x" << c.cy << " id "
        << static_cast<short>(c.id) << " " << c.windowClass << " \"" << c.text << "\"}";
}

TEST(PickerTemplate, IsDialog101InFrenchAsDesigned)
{
    int checked = 0;
    for (const std::string &path : Binaries) {
        if (!IsDialkit(path))
            continue;
        checked++;
        SCOPED_TRACE(path);
        HMODULE dll = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(dll, nullptr);
        HRSRC found = FindResourceExA(dll, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                      MAKEINTRESOURCEA(101), MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(FindResourceExA(dll, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(101),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
                  nullptr);
        const BYTE *base = static_cast<const BYTE *>(LockResource(LoadResource(dll, found)));
        Reader r{base, base + SizeofResource(dll, found)};

        EXPECT_EQ(r.Take<DWORD>(), 0x80C008C0u);   // style
        EXPECT_EQ(r.Take<DWORD>(), 0u);            // extended style
        WORD count = r.Take<WORD>();
        EXPECT_EQ(count, 4);
        short frame[4] = {r.Take<short>(), r.Take<short>(), r.Take<short>(), r.Take<short>()};
        EXPECT_EQ(std::vector<short>(frame, frame + 4), (std::vector<short>{0, 0, 199, 175}));
        EXPECT_EQ(r.Name(), "");          // menu
        EXPECT_EQ(r.Name(), "");          // class
        EXPECT_EQ(r.Name(), "Install");   // caption
        EXPECT_EQ(r.Take<WORD>(), 8);     // point size
        EXPECT_EQ(r.Name(), "MS Sans Serif");

        std::vector<Control> controls;
        for (WORD i = 0; i < count && r.ok; i++) {
            r.AlignDword(base);
            Control c{};
            c.style = r.Take<DWORD>();
            r.Take<DWORD>();
            c.x = r.Take<short>();
            c.y = r.Take<short>();
            c.cx = r.Take<short>();
            c.cy = r.Take<short>();
            c.id = r.Take<WORD>();
            c.windowClass = r.Name();
            c.text = r.Name();
            WORD extra = r.Take<WORD>();
            r.at += extra <= r.end - r.at ? extra : 0;
            controls.push_back(c);
        }
        ASSERT_TRUE(r.ok);
        // Class atoms: 0x80 button, 0x82 static, 0x83 list box.
        const std::vector<Control> expected = {
            {0x50A10103, 7, 18, 185, 129, 1000, "#131", ""},
            {0x50010001, 142, 154, 50, 14, IDOK, "#128", "OK"},
            {0x50010000, 75, 154, 50, 14, IDCANCEL, "#128", "Cancel"},
            {0x50000000, 7, 6, 185, 8, 0xFFFF, "#130",
             "Select the modem type which is connected to your PC."},
        };
        EXPECT_EQ(controls, expected);
        FreeLibrary(dll);
    }
    EXPECT_EQ(checked, 2) << "give both Dialkit.dll paths on the command line";
}

std::string VersionString(const std::vector<BYTE> &info, const char *name)
{
    char path[128];
    wsprintfA(path, "\\StringFileInfo\\040904E4\\%s", name);
    void *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path, &value, &length) || !value)
        return "(absent)";
    return static_cast<const char *>(value);
}

TEST(VersionResource, NamesEveryBinaryAndItsVersion)
{
    ASSERT_EQ(Binaries.size(), 4u) << "both builds' Dialkit.dll and profmerge.exe";
    for (const std::string &path : Binaries) {
        SCOPED_TRACE(path);
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
        ASSERT_GT(size, 0u);
        std::vector<BYTE> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
        EXPECT_EQ(VersionString(info, "FileVersion"), KIT_VERSION);
        EXPECT_NE(VersionString(info, "FileDescription"), "(absent)");
        std::string file = path.substr(path.find_last_of("\\") + 1);
        EXPECT_EQ(VersionString(info, "OriginalFilename"), file);
    }
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++)
        Binaries.push_back(argv[i]);
    return RUN_ALL_TESTS();
}
