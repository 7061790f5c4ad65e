#include "ui/folder_path.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/ascii.h"
#include "platform/utf8.h"

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

// A folder of thousands, sorted by radix and then by what lies past the first four units: the
// order of the names' UTF-8 bytes with ASCII letters folded, equal names as they came.
TEST(FolderPath, BigFoldersSortAsTheirUtf8Bytes) {
    std::mt19937 random(2026);
    const std::u16string alphabet = u"aA_Zz\u00E9\uF900\U0001F600";
    FolderNames<char16_t> names;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        std::u16string name = random() % 2 == 0 ? u"abcd" : u"";
        for (size_t length = 1 + random() % 4; length > 0; --length) {
            const size_t at = random() % (alphabet.size() - 1);
            // The surrogate pair goes whole.
            name += at + 2 == alphabet.size() ? alphabet.substr(at, 2) : alphabet.substr(at, 1);
        }
        names.Add(name.c_str());
        std::string utf8(name.size() * 3, '\0');
        utf8.resize(EncodeUtf8(name.data(), name.size(), utf8.data()));
        expected.push_back(utf8);
    }
    std::stable_sort(
        expected.begin(), expected.end(),
        [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    SortSubfolderNames(names);
    for (size_t i = 0; i < names.Count(); ++i) {
        const std::u16string name = names.Name(i);
        std::string utf8(name.size() * 3, '\0');
        utf8.resize(EncodeUtf8(name.data(), name.size(), utf8.data()));
        ASSERT_EQ(utf8, expected[i]) << "at " << i;
    }
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
    EXPECT_EQ(ProposedOutputName("C:\\Work\\Reports", "Disk", ".txt"), "Reports.txt");
    EXPECT_EQ(ProposedOutputName("C:\\", "System", ".txt"), "System.txt");
    EXPECT_EQ(ProposedOutputName("C:\\", "", ".txt"), ".txt");
    EXPECT_EQ(ProposedOutputName("Reports", "", ".txt"), "Reports.txt");
    const std::string long_name(258, 'n');
    EXPECT_EQ(ProposedOutputName("C:\\" + long_name, "", ".txt"),
              long_name.substr(0, 255) + ".txt");
    // Counted in UTF-16 units, and never cut inside a character: an emoji takes two.
    std::string emoji;
    for (int i = 0; i < 200; ++i) {
        emoji += "😀";
    }
    EXPECT_EQ(ProposedOutputName("C:\\" + emoji, "", ".txt"), emoji.substr(0, 127 * 4) + ".txt");
    EXPECT_EQ(SubfolderPath("C:\\", emoji.substr(0, 128 * 4)), "C:\\" + emoji.substr(0, 128 * 4));
    EXPECT_EQ(SubfolderPath("C:\\", emoji.substr(0, 129 * 4)), "");
}

// Each file type of Save As has its extension, and the name is cut to make room for it.
TEST(FolderPath, ProposedOutputNameTakesTheFileTypesExtension) {
    const std::string long_name(258, 'n');
    for (const std::string extension : {".txt", ".csv", ".html"}) {
        EXPECT_EQ(ProposedOutputName("C:\\Work\\Reports", "", extension), "Reports" + extension);
        EXPECT_EQ(ProposedOutputName("C:\\", "System", extension), "System" + extension);
        EXPECT_EQ(ProposedOutputName("C:\\" + long_name, "", extension),
                  long_name.substr(0, kMaxFolderPath - extension.size()) + extension);
    }
}

TEST(FolderPath, OutputFormatIsTheExtensionsCaseIgnored) {
    const struct {
        const char* path;
        ListingFormat format;
    } cases[] = {
        {"C:\\Lists\\Work.csv", CsvFormat},
        {"C:\\Lists\\Work.CsV", CsvFormat},
        {"C:\\Lists\\Work.html", HtmlFormat},
        {"C:\\Lists\\Work.HTM", HtmlFormat},
        {"C:\\Lists\\Work.txt", TextFormat},
        {"C:\\Lists\\Work.csv.txt", TextFormat},
        {"C:\\Lists\\Work.htmlx", TextFormat},
        {"C:\\Lists\\csv", TextFormat},
        // Only the file's own name has the extension.
        {"C:\\Lists.csv\\Work", TextFormat},
        {"Work.", TextFormat},
        {"", TextFormat},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputFormatOf(c.path), c.format) << c.path;
    }
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
