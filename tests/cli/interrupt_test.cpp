// salvage at a terminal: the progress line on standard error when it is a terminal (a pseudo-
// terminal here) and nothing when it is not; Ctrl+C (SIGINT sent to the program's process id)
// during a full restore or during its analysis stops it cleanly: no partial file, no work file,
// the summary printed, exit code 130.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace ts = quenzar::testsupport;

struct TerminalRun {
    int exitCode = -1;
    std::string out;        // standard output
    std::string terminal;   // what standard error showed on the terminal
    bool interrupted = false;
};

// Runs salvage with standard error on a pseudo-terminal; with `interruptAt`, Ctrl+C reaches it as
// soon as that text shows there.
TerminalRun runAtTerminal(const ts::TempFolder& folder, const std::string& arguments,
                          const std::string& interruptAt = {}) {
    const std::string terminalFile = folder.file("terminal.txt");
    const std::string statusFile = folder.file("status.txt");
    std::string command = "python3 '" + std::string(QUENZAR_TEST_SOURCE_DIR) + "/cli/run_in_terminal.py' ";
    if (!interruptAt.empty()) command += "--interrupt-at '" + interruptAt + "' ";
    command += "'" + terminalFile + "' -- " + QUENZAR_SALVAGE_EXE + " " + arguments + " 2>'" + statusFile + "'";
    TerminalRun run;
    run.out = ts::runCommand(command, &run.exitCode);
    std::ifstream terminal(terminalFile, std::ios::binary);
    run.terminal.assign(std::istreambuf_iterator<char>(terminal), {});
    std::ifstream status(statusFile);
    std::string word;
    std::getline(status, word);
    run.interrupted = word == "interrupted";
    return run;
}

class TerminalTest : public testing::Test {
protected:
    void SetUp() override {
        manifest_ = ts::Manifest::loadFromDir(ts::fixtureDir());
        image_ = manifest_.image("mbr.img").path(ts::fixtureDir());
    }
    // A full restore of every file of the fixture's first volume (151 MB, most of it one file).
    std::string restoreArguments(const std::filesystem::path& target) const {
        return "restore '" + image_ + "' --all --full --lang en --work-dir '" + folder_.path().string() + "' --to '" +
               target.string() + "'";
    }

    ts::Manifest manifest_;
    ts::TempFolder folder_;
    std::string image_;
};

TEST_F(TerminalTest, ProgressLineOnlyWhenStandardErrorIsATerminal) {
    const TerminalRun run = runAtTerminal(folder_, restoreArguments(folder_.path() / "shown"));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.terminal;
    // The line is rewritten in place: the count, the bytes and the speed. How far the worker has
    // come by the first line depends on the machine's load.
    EXPECT_TRUE(std::regex_search(run.terminal, std::regex("\rfiles [0-9]+ of 55  [0-9.]+ [KMG]?B of 8\\.7 GB  ")))
        << run.terminal;
    EXPECT_NE(run.terminal.find("\rfiles 55 of 55  8.7 GB of 8.7 GB  "), std::string::npos) << run.terminal;
    EXPECT_NE(run.terminal.find("B/s\x1b[K"), std::string::npos) << run.terminal;

    int exitCode = -1;
    const std::string piped = ts::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " " +
                                                 restoreArguments(folder_.path() / "piped") + " 2>&1",
                                             &exitCode);
    EXPECT_EQ(exitCode, 0) << piped;
    EXPECT_EQ(piped.find('\r'), std::string::npos) << piped;
    EXPECT_EQ(piped.find("files 55 of 55"), std::string::npos) << piped;
}

// Every file the stopped restore left has its whole size: the one being copied was removed.
TEST_F(TerminalTest, CtrlCDuringAFullRestoreLeavesNoPartialFile) {
    // By name: a file of a lost folder has no path of the volume any more.
    std::multimap<std::string, std::uint64_t> sizes;
    for (const ts::EntryFacts* entry : manifest_.image("mbr.img").entriesOf(0)) {
        if (entry->isFile()) sizes.emplace(entry->name(), entry->size);
    }
    // The restore takes a fraction of a second; when it ends before the interrupt lands, it is run
    // again.
    TerminalRun run;
    std::filesystem::path target;
    for (int attempt = 0; attempt < 5 && run.exitCode != 130; ++attempt) {
        target = folder_.path() / ("stopped" + std::to_string(attempt));
        run = runAtTerminal(folder_, restoreArguments(target), "files ");
        ASSERT_TRUE(run.interrupted) << run.terminal;
    }
    ASSERT_EQ(run.exitCode, 130) << run.out << run.terminal;
    EXPECT_NE(run.out.find("not restored since the restore was stopped "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("The restore was stopped; files not restored: "), std::string::npos) << run.out;
    std::size_t files = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(target)) {
        if (!item.is_regular_file()) continue;
        ++files;
        const auto [first, last] = sizes.equal_range(item.path().filename().string());
        EXPECT_TRUE(std::any_of(first, last, [&](const auto& named) { return named.second == item.file_size(); }))
            << item.path() << " " << item.file_size();
    }
    EXPECT_LT(files, 55u);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "~DI_Tmp.tmp"));
}

TEST_F(TerminalTest, CtrlCDuringTheAnalysisRemovesTheWorkFile) {
    const auto target = folder_.path() / "never";
    const TerminalRun run = runAtTerminal(folder_, restoreArguments(target), "analysing volume");
    ASSERT_TRUE(run.interrupted);
    EXPECT_EQ(run.exitCode, 130) << run.out << run.terminal;
    EXPECT_NE(run.terminal.find("The analysis was stopped; its work file is removed."), std::string::npos)
        << run.terminal;
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "~DI_Tmp.tmp"));
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace quenzar::cli
