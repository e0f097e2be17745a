// profmerge.exe against an independent model of the merge rule, on random
// profiles (fixed seed, bounded count): the cases of 200 source/target pairs,
// 1,000 in the long campaign (KIT_CAMPAIGN=long).
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <random>

#include "debug_run.h"
#include "test_files.h"

namespace {

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return text;
}

// A profile as the service sees it: names compared without letter case.
struct Profile {
    struct Entry {
        std::string key, value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections;
    std::vector<std::string> extraLines;  // per section: comments, lines without '='

    Section *Find(const std::string &name)
    {
        for (auto &s : sections)
            if (Lower(s.name) == Lower(name))
                return &s;
        return nullptr;
    }
    Entry *Find(Section &section, const std::string &key)
    {
        for (auto &e : section.entries)
            if (Lower(e.key) == Lower(key))
                return &e;
        return nullptr;
    }
};

class Generator {
public:
    explicit Generator(unsigned seed) : random(seed) {}

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

    // Letter case flipped at random: names that differ only in case.
    std::string Recase(const std::string &name)
    {
        std::string out = name;
        for (char &c : out)
            if (isalpha((unsigned char)c) && Pick(2))
                c = (char)(isupper((unsigned char)c) ? tolower(c) : toupper(c));
        return out;
    }

    std::string Value()
    {
        static const char *const pieces[] = {"a", "B", "c", "=", "1", "x y", "Z", "_", "-", "Q=q", "é"};
        switch (Pick(6)) {
        case 0:
            return "";
        default: {
            std::string value;
            size_t n = 1 + Pick(5);
            for (size_t i = 0; i < n; i++)
                value += pieces[Pick(std::size(pieces))];
            // The service trims the ends of a value; keep them non-blank.
            return "v" + value + "v";
        }
        }
    }

    std::mt19937 random;
};

std::string Render(const Profile &profile, Generator &gen, bool noise)
{
    std::string text;
    for (const auto &section : profile.sections) {
        text += "[" + section.name + "]\r\n";
        for (const auto &entry : section.entries) {
            if (noise && gen.Pick(5) == 0)
                text += gen.Pick(2) ? ";comment=" + entry.key + "\r\n" : "no equals here\r\n";
            text += entry.key + "=" + entry.value + "\r\n";
        }
    }
    return text;
}

// Target after the merge, and the number of "toto" strings, by the rule.
size_t Model(const Profile &source, Profile *target)
{
    size_t totos = 0;
    for (const auto &section : source.sections) {
        for (const auto &entry : section.entries) {
            if (entry.value.empty())
                continue;
            Profile::Section *into = target->Find(section.name);
            if (!into) {
                target->sections.push_back({section.name, {}});
                into = &target->sections.back();
            }
            Profile::Entry *current = target->Find(*into, entry.key);
            if (!current) {
                into->entries.push_back(entry);
            } else if (current->value.empty()) {
                current->value = entry.value;
            } else if (Lower(current->value) != Lower(entry.value)) {
                current->value = entry.value;
                totos++;
            }
        }
    }
    return totos;
}

TEST(ProfmergeRandom, MatchesTheModelAndLosesNothing)
{
    Generator gen(20261209);
    const std::string exe = ProgramFolder() + "profmerge.exe";
    const std::string folder = MakeScratchFolder("random");
    const char *const sectionNames[] = {"Setup", "Modem", "Dial", "Paths", "Options", "Net"};
    const char *const keyNames[] = {"Name", "Port", "Speed", "Init", "Dir", "Mode", "Flag", "Count"};

    // Each run merges four independent sets of sections (names numbered
    // apart): the cases of 200 small runs in a quarter of the program
    // starts, which cost most under the emulated x86 Wine. The long
    // campaign runs 1,000 such cases.
    char mode[16] = {};
    GetEnvironmentVariableA("KIT_CAMPAIGN", mode, sizeof mode);
    const int runs = strcmp(mode, "long") == 0 ? 250 : 50;
    const size_t sectionSets = 4, names = std::size(sectionNames);
    for (int round = 0; round < runs; round++) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        Profile source, target;
        for (size_t i = 0; i < sectionSets * names; i++) {
            std::string name = sectionNames[i % names] + std::to_string(i / names);
            bool inSource = gen.Pick(4) != 0, inTarget = gen.Pick(2) != 0;
            Profile::Section s{gen.Recase(name), {}}, t{gen.Recase(name), {}};
            for (const char *key : keyNames) {
                std::string value = gen.Value();
                if (inSource && gen.Pick(3) != 0)
                    s.entries.push_back({gen.Recase(key), value});
                if (inTarget && gen.Pick(2) != 0) {
                    // Often the same value in other letters, sometimes another.
                    std::string mine = gen.Pick(2) ? gen.Recase(value) : gen.Value();
                    t.entries.push_back({gen.Recase(key), mine});
                }
            }
            if (inSource)
                source.sections.push_back(s);
            if (inTarget)
                target.sections.push_back(t);
        }

        std::string sourcePath = folder + "s" + std::to_string(round) + ".ini";
        std::string targetPath = folder + "t" + std::to_string(round) + ".ini";
        ASSERT_TRUE(WriteBytes(sourcePath, Render(source, gen, true)));
        ASSERT_TRUE(WriteBytes(targetPath, Render(target, gen, false)));
        Profile expected = target;
        size_t totos = Model(source, &expected);

        DebugRun run = RunUnderDebugger("\"" + exe + "\" -src:" + sourcePath + " -target:" + targetPath);
        ASSERT_TRUE(run.started) << "error " << run.startError;
        AgeFile(targetPath);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.debugStrings.size(), totos);
        for (const auto &text : run.debugStrings)
            EXPECT_EQ(text, "toto");

        // Every entry the model expects, each target entry included, and no other.
        for (const auto &section : expected.sections) {
            for (const auto &entry : section.entries)
                EXPECT_EQ(ProfileValue(targetPath, section.name, entry.key), entry.value)
                    << "[" << section.name << "] " << entry.key;
            std::vector<char> text(1 << 16);
            DWORD got = GetPrivateProfileSectionA(section.name.c_str(), text.data(), (DWORD)text.size(),
                                                  targetPath.c_str());
            size_t lines = 0;
            for (DWORD i = 0; i < got; i += (DWORD)strlen(&text[i]) + 1)
                lines++;
            EXPECT_EQ(lines, section.entries.size()) << "[" << section.name << "]";
        }
        if (HasFailure())
            break;
    }
}

} // namespace
