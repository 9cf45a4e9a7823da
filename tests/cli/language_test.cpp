// The commands print in the language of --lang: with --lang ru no line of salvage analyze or
// salvage restore is English, and the texts that name nothing from the disk are Russian.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/fixture_manifest.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace ts = quenzar::testsupport;

// The lines of the output, split at line feeds and at the carriage returns of a progress line.
std::vector<std::string> linesOf(const std::string& out) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : out) {
        if (c == '\n' || c == '\r') {
            if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
    return lines;
}

// Whether a UTF-8 line holds a Cyrillic letter (U+0400..U+04FF: lead bytes D0h..D3h).
bool hasCyrillic(const std::string& line) {
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0xD0 && byte <= 0xD3) return true;
    }
    return false;
}

TEST(CommandLanguage, RussianAnalysisAndRestoreHaveNoEnglishLine) {
    ts::TempFolder folder;
    // A copy whose folder Mountains lost its record, so the tree has a lost folder to mark.
    const std::string image = ts::copyWithLostFolder(folder, ts::Manifest::loadFromDir(ts::fixtureDir()).image("mbr.img"));
    const std::string work = " --lang ru --work-dir '" + folder.path().string() + "'";
    int exitCode = -1;

    // The statistics, the progress and the stages: every line is Russian.
    const std::string statistics = ts::runSalvage("analyze '" + image + "' --all-files --deleted --no-tree" + work, &exitCode);
    EXPECT_EQ(exitCode, 0) << statistics;
    for (const std::string& line : linesOf(statistics)) EXPECT_TRUE(hasCyrillic(line)) << line;

    // In the tree only the names from the disk may be Latin: the top items, the root folder and
    // the marks are Russian.
    const std::string tree = ts::runSalvage("analyze '" + image + "' --all-files --deleted" + work, &exitCode);
    EXPECT_EQ(exitCode, 0) << tree;
    for (const char8_t* russian : {u8"\nОбласть 0\n", u8"\n  КОРНЕВАЯ ПАПКА/\n", u8"  [удален]\n", u8"/  [потеряна]\n"}) {
        EXPECT_NE(tree.find(ts::utf8(russian)), std::string::npos) << ts::utf8(russian) << tree;
    }
    for (const char* english : {"ROOT FOLDER", "Region", "[deleted]", "[lost]", "work file", "bytes"}) {
        EXPECT_EQ(tree.find(english), std::string::npos) << english;
    }

    // The restore: every line but the restored files' paths and the target folder's is Russian.
    const auto target = folder.path() / "out";
    const std::string restore = ts::runSalvage("restore '" + image + "' --folder Documents --to '" + target.string() + "'" + work,
                                               &exitCode);
    EXPECT_EQ(exitCode, 0) << restore;
    for (const std::string& line : linesOf(restore)) {
        if (line.starts_with("Razd0/") || line.starts_with(target.string())) continue;
        EXPECT_TRUE(hasCyrillic(line)) << line;
    }

    // A refusal too.
    const std::string missing = ts::runSalvage("analyze '" + folder.file("missing.img") + "'" + work, &exitCode);
    EXPECT_EQ(exitCode, 1);
    for (const std::string& line : linesOf(missing)) EXPECT_TRUE(hasCyrillic(line)) << line;
}

}  // namespace
}  // namespace quenzar::cli
