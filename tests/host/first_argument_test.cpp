#include "app/first_argument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FolderCase {
    std::string command_line;
    std::string initial_folder;
};

void ExpectDialogWithFolder(const std::vector<FolderCase>& cases) {
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.command_line);
        const StartChoice choice = ChooseStart(c.command_line);
        EXPECT_EQ(choice.face, StartFace::MainDialog);
        EXPECT_EQ(choice.initial_folder, c.initial_folder);
    }
}

TEST(FirstArgument, NoArgumentOpensTheDialogWithoutFolder) {
    ExpectDialogWithFolder({
        {"", ""},
        {" ", ""},
        {" \t\r\n\x01 ", ""},
        {"\"\"", ""},
        {"''", ""},
        {"  \"\"  C:\\Data", ""},
    });
}

TEST(FirstArgument, FolderArgument) {
    ExpectDialogWithFolder({
        {"\"C:\\My Data\"", "C:\\My Data\\"},
        {"C:\\My Data", "C:\\My\\"},
        {"\"C:\\\"", "C:\\"},
        {"'D:\\Work'", "D:\\Work\\"},
        {"C:\\Data -out list.txt", "C:\\Data\\"},
        {"\"C:\\My Data\" -out x", "C:\\My Data\\"},
        {"  C:\\x", "C:\\x\\"},
        {"\tD:", "D:\\"},
        {"\"C:\\My Data", "C:\\My Data\\"},
        {"'C:\\a\" b'", "C:\\a\" b\\"},
        {"\"C:\\it's\"", "C:\\it's\\"},
        {"C:\\a\"b c\"", "C:\\a\"b\\"},
        {"C:\\a\tb c", "C:\\a\tb\\"},
        {"\"-out x\"", "-out x\\"},
        {"\\", "\\"},
        {"x", "x\\"},
    });
}

TEST(FirstArgument, NetworkPathIsDropped) {
    ExpectDialogWithFolder({
        {"\"\\\\server\\share\"", ""},
        {"\\\\server\\share", ""},
        {"'\\\\server'", ""},
        {"\\\\", ""},
        {"\\a\\", "\\a\\"},
    });
}

TEST(FirstArgument, BytesFrom128AreOrdinaryCharacters) {
    ExpectDialogWithFolder({
        {"C:\\\xE9t\xE9", "C:\\\xE9t\xE9\\"},
        {"\xA0-out x", "\xA0-out\\"},
        {"\"D:\\\xFF\"", "D:\\\xFF\\"},
    });
}

TEST(FirstArgument, LengthLimit) {
    const std::string a258(258, 'a');
    std::string cjk258;
    for (int i = 0; i < 258; ++i) {
        cjk258 += "日";
    }
    const std::string a259(259, 'a');
    ExpectDialogWithFolder({
        {a258, a258 + "\\"},
        {"\"" + a258 + "\"", a258 + "\\"},
        {a258 + "\\", a258 + "\\"},
        // Too long, or no room for the backslash: the folder is dropped rather than cut, since a
        // cut path would name another folder.
        {a258 + "\\" + "bbb", ""},
        {a259, ""},
        {"'" + a259 + "'", ""},
        {a259 + "\\", ""},
        {a259 + "bbb", ""},
        {std::string(1000, 'a'), ""},
        // Counted in UTF-16 units, not bytes: 258 CJK letters take 774 bytes, and fit.
        {"'" + cjk258 + "'", cjk258 + "\\"},
        {cjk258 + "日", ""},
    });
}

TEST(FirstArgument, FolderNeverExceeds259Characters) {
    for (size_t length = 0; length <= 300; ++length) {
        for (const std::string& argument : {std::string(length, 'a'), std::string(length, '\\'),
                                            std::string(length, 'a') + "\\"}) {
            SCOPED_TRACE(argument.size());
            const std::string folder = ChooseStart(argument).initial_folder;
            EXPECT_LE(folder.size(), 259u);
            if (!folder.empty()) {
                EXPECT_EQ(folder.back(), '\\');
            }
        }
    }
}

TEST(FirstArgument, OptionsStartTheCommandLineMode) {
    const struct {
        const char* command_line;
        size_t options_start;
    } cases[] = {
        {"-out x", 0}, {"/out x", 0}, {"   -out list.txt", 3}, {"\t\r\n/f", 3},
        {"-", 0},      {" /", 1},     {"-C:\\Data", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command_line);
        const StartChoice choice = ChooseStart(c.command_line);
        EXPECT_EQ(choice.face, StartFace::CommandLineMode);
        EXPECT_EQ(choice.options_start, c.options_start);
        EXPECT_EQ(choice.initial_folder, "");
    }
}

} // namespace
