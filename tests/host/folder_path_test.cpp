#include "ui/folder_path.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Components = std::vector<std::pair<std::string, size_t>>;

// Each component's text with its offset.
Components Split(const std::string& path) {
    Components components;
    for (const PathComponent& c : SplitFolderPath(path)) {
        components.emplace_back(path.substr(c.offset, c.length), c.offset);
    }
    return components;
}

TEST(FolderPath, SplitsIntoComponentsWithOffsets) {
    const std::vector<std::pair<std::string, Components>> cases = {
        {"C:\\", {{"C:", 0}}},
        {"C:", {{"C:", 0}}},
        {"C:\\Windows", {{"C:", 0}, {"Windows", 3}}},
        {"C:\\Windows\\", {{"C:", 0}, {"Windows", 3}}},
        {"C:\\Windows\\System32", {{"C:", 0}, {"Windows", 3}, {"System32", 11}}},
        {"C:\\a\\\\b", {{"C:", 0}, {"a", 3}}},
        {"\\\\server\\share", {}},
        {"\\Windows", {}},
        {"", {}},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(Split(path), expected) << path;
    }
}

// By code point, as the names' UTF-8 bytes compare: 😀 (U+1F600, a surrogate pair) after
// U+F900, which comes before it in UTF-16 units.
TEST(FolderPath, SubfolderNamesSortByFoldedCodePointsKeepingEqualNamesInOrder) {
    FolderNames<char16_t> names;
    for (const char16_t* name :
         {u"beta", u"_tmp", u"Alpha", u"2010", u"zeta", u"ALPHA", u"alp", u"\u00E9t\u00E9", u"Zeta",
          u"a b", u"\U0001F600", u"\uF900", u"\u65E5"}) {
        names.Add(name);
    }
    SortSubfolderNames(names);
    std::vector<std::u16string> sorted;
    for (size_t i = 0; i < names.Count(); ++i) {
        sorted.emplace_back(names.Name(i));
    }
    EXPECT_EQ(sorted, (std::vector<std::u16string>{
                          u"2010", u"_tmp", u"a b", u"alp", u"Alpha", u"ALPHA", u"beta", u"zeta",
                          u"Zeta", u"\u00E9t\u00E9", u"\u65E5", u"\uF900", u"\U0001F600"}));
}

TEST(FolderPath, OpeningMovesDownAndUp) {
    EXPECT_EQ(SubfolderPath("C:\\", "Windows"), "C:\\Windows");
    EXPECT_EQ(SubfolderPath("C:\\Windows", "System32"), "C:\\Windows\\System32");
    EXPECT_EQ(SubfolderPath("\\", "x"), "\\x");

    const std::string deep = "C:\\Windows\\System32";
    EXPECT_EQ(ComponentPath(deep, 0), "C:\\");
    EXPECT_EQ(ComponentPath(deep, 3), "C:\\Windows");
    EXPECT_EQ(ComponentPath(deep, 11), deep);
    EXPECT_EQ(ComponentPath("C:\\Windows\\", 3), "C:\\Windows");
    EXPECT_EQ(ComponentPath("C:\\", 0), "C:\\");
    EXPECT_EQ(ComponentPath("C:", 0), "C:\\");
    EXPECT_EQ(ComponentPath(deep, 500), deep);
}

TEST(FolderPath, OpeningPastTheLongestPathIsRefused) {
    const std::string folder = "C:\\" + std::string(250, 'f');
    EXPECT_EQ(SubfolderPath(folder, "12345").size(), kMaxFolderPath);
    EXPECT_EQ(SubfolderPath(folder, "123456"), "");
    EXPECT_EQ(SubfolderPath(folder + "\\", "12345").size(), kMaxFolderPath);
}

TEST(FolderPath, ProposedOutputNameIsTheLastComponentOrTheVolumeLabel) {
    EXPECT_EQ(ProposedOutputName("C:\\Work\\Reports", "Disk"), "Reports.txt");
    EXPECT_EQ(ProposedOutputName("C:\\", "System"), "System.txt");
    EXPECT_EQ(ProposedOutputName("C:\\", ""), ".txt");
    EXPECT_EQ(ProposedOutputName("Reports", ""), "Reports.txt");
    const std::string long_name(258, 'n');
    EXPECT_EQ(ProposedOutputName("C:\\" + long_name, ""), long_name.substr(0, 255) + ".txt");
    // Counted in UTF-16 units, and never cut inside a character: an emoji takes two.
    std::string emoji;
    for (int i = 0; i < 200; ++i) {
        emoji += "😀";
    }
    EXPECT_EQ(ProposedOutputName("C:\\" + emoji, ""), emoji.substr(0, 127 * 4) + ".txt");
    EXPECT_EQ(SubfolderPath("C:\\", emoji.substr(0, 128 * 4)), "C:\\" + emoji.substr(0, 128 * 4));
    EXPECT_EQ(SubfolderPath("C:\\", emoji.substr(0, 129 * 4)), "");
}

TEST(FolderPath, ExactFolderOfAFirstArgument) {
    const struct {
        const char* argument;
        const char* exact;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"c:\\Work\\", "C:\\Work"},
        {"Z:\\t\\dot.\\", "Z:\\t\\dot."},
        {"Z:\\t\\space \\", "Z:\\t\\space "},
        {"Z:\\日本語\\", "Z:\\日本語"},
        // Only the usual path rules resolve these: no exact path.
        {"Work\\", ""},
        {"C:Work\\", ""},
        {"\\Work\\", ""},
        {"C:\\a\\..\\b\\", ""},
        {"C:\\a\\.\\", ""},
        {"C:\\a\\\\b\\", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExactFolderPath(c.argument), c.exact) << c.argument;
    }
}

} // namespace
