// Names and paths from outside the program reach the terminal made safe: a control character in a
// file name (given by the person or read from a disk) must not drive the terminal. The function
// itself at its edges, then the command-line program's messages, the analysis' tree and JSON and
// the restore's list of written files on a disk whose file names carry control characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/terminal.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

using testsupport::runSalvage;
using testsupport::TempFolder;

TEST(TerminalSafe, ControlCharactersShowAsQuestionMarks) {
    const std::string replacement = "\xEF\xBF\xBD";  // U+FFFD
    struct Case {
        std::string text;
        std::string name;   // LineBreaks::Shown
        std::string lines;  // LineBreaks::Kept
    } const cases[] = {
        {"plain name.txt", "plain name.txt", "plain name.txt"},
        {std::string("a\0b", 3), "a?b", "a?b"},
        {"\x1b]0;title\x07", "?]0;title?", "?]0;title?"},
        {"x\x1f\x20\x7e\x7f", "x? ~?", "x? ~?"},
        {"one\ntwo\tthree\r", "one?two?three?", "one\ntwo\tthree?"},
        // C1, the 8-bit forms of the escape sequences: U+0080, U+009B (CSI), U+009F; U+00A0 is none.
        {"\xC2\x80|\xC2\x9B" "31m|\xC2\x9F|\xC2\xA0", "?|?31m|?|\xC2\xA0", "?|?31m|?|\xC2\xA0"},
        // Cyrillic, a three-byte and a four-byte character stay.
        {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 \xE2\x9C\x93 \xF0\x9F\x98\x80", "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 \xE2\x9C\x93 \xF0\x9F\x98\x80",
         "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 \xE2\x9C\x93 \xF0\x9F\x98\x80"},
        // Bytes that are no UTF-8: a lone C1 byte, a cut character, an overlong ESC, a surrogate.
        {"a\x9B" "b", "a" + replacement + "b", "a" + replacement + "b"},
        {"end\xD0", "end" + replacement, "end" + replacement},
        {"\xC0\x9B", replacement + replacement, replacement + replacement},
        {"\xED\xA0\x80", replacement + replacement + replacement, replacement + replacement + replacement},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(terminalSafe(c.text), c.name);
        EXPECT_EQ(terminalSafe(c.text, LineBreaks::Kept), c.lines);
    }
    // The count of characters appended, for the columns of the analysis' tree.
    std::string out = "> ";
    EXPECT_EQ(appendTerminalSafe(out, "\xD0\x81\x1b[1m\xC2\x9B\xFF"), 7u);
    EXPECT_EQ(out, "> \xD0\x81?[1m?" + replacement);
}

// The person's own names: a path that does not exist, a command word.
TEST(TerminalSafe, NamesInMessagesAreMadeSafe) {
    TempFolder folder;
    const std::string missing = folder.path().string() + "/disk\x1b]0;owned\x07\xC2\x9B" "2J.img";
    const std::string shown = folder.path().string() + "/disk?]0;owned??2J.img";
    int exitCode = -1;
    std::string out = runSalvage("analyze '" + missing + "' --lang en", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(out, "salvage analyze: " + shown + ": no such file or device\n");

    out = runSalvage("restore '" + (testsupport::fixtureDir() / "mbr.img").string() + "' --lang en --all --to '" +
                         folder.path().string() + "/new\x1b[8m'",
                     &exitCode);
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_NE(out.find("/new?[8m"), std::string::npos) << out;

    out = runSalvage("'scan\x1b[2J'", &exitCode);
    EXPECT_EQ(exitCode, 2);
    EXPECT_EQ(out.find("salvage: unknown command \"scan?[2J\"\n"), 0u) << out;
}

// A copy of mbr.img in which every UTF-16 "plan.txt" is "pl<U+009B>n.txt": a C1 control that
// restore keeps in the name it writes (it is no character a file system forbids).
std::filesystem::path imageWithControlNames(const TempFolder& folder) {
    const auto image = folder.path() / "c1.img";
    std::filesystem::copy_file(testsupport::fixtureDir() / "mbr.img", image);
    std::fstream bytes(image, std::ios::in | std::ios::out | std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(bytes)), std::istreambuf_iterator<char>());
    const std::string plan("p\0l\0a\0n\0.\0t\0x\0t\0", 16);
    int patched = 0;
    for (std::size_t at = content.find(plan); at != std::string::npos; at = content.find(plan, at + 1), ++patched) {
        bytes.seekp(static_cast<std::streamoff>(at + 4));
        bytes.put('\x9B');
    }
    return patched > 0 ? image : std::filesystem::path();
}

TEST(TerminalSafe, NamesFromTheDiskAreMadeSafe) {
    TempFolder folder;
    const std::filesystem::path image = imageWithControlNames(folder);
    ASSERT_FALSE(image.empty());
    const std::string common = std::string("'") + image.string() + "' --lang en --work-dir '" + folder.path().string() + "'";
    int exitCode = -1;

    // The tree: the name in its column, the size after it where it always stands.
    std::string out = runSalvage("analyze " + common + " --all-files --deleted", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("pl?n.txt" + std::string(32, ' ') + " "), std::string::npos) << out;

    // JSON escapes the control character; the name keeps it.
    out = runSalvage("analyze " + common + " --all-files --deleted --json", &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(out.find("/pl\\u009bn.txt\""), std::string::npos) << out;

    // The restore writes the real name and lists it made safe.
    const auto target = folder.path() / "restored";
    out = runSalvage("restore " + common + " --full --pattern 'pl*.txt' --to '" + target.string() + "'", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("/pl?n.txt\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("\xC2\x9B"), std::string::npos);
    bool written = false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(target)) {
        written = written || entry.path().filename().string() == "pl\xC2\x9Bn.txt";
    }
    EXPECT_TRUE(written);
}

}  // namespace
}  // namespace quenzar::cli
