// The program's own files (work file, listing) are made without following a link planted in their
// place, and removed only while the path still names the file the program made.
#include "platform/stdio_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_folder.h"

namespace quenzar::platform {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(PlainFile, MakesOrEmptiesAPlainFileAndRefusesEverythingElse) {
    testsupport::TempFolder folder;
    const fs::path victim = folder.path() / "victim.txt";
    writeText(victim, "precious");
    fs::create_directory(folder.path() / "a-folder");
    fs::create_symlink(victim, folder.path() / "link");
    fs::create_symlink(folder.path() / "not-there", folder.path() / "dangling");
    fs::create_hard_link(victim, folder.path() / "second-name");
    ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
    writeText(folder.path() / "old-work-file", "left by an earlier run");

    struct Case {
        const char* name;
        WriteProblem problem;
    };
    const Case cases[] = {
        {"new-file", WriteProblem::None},
        {"old-work-file", WriteProblem::None},  // replaced: emptied and written anew
        {"link", WriteProblem::Link},
        {"dangling", WriteProblem::Link},      // would create the file the link points to
        {"second-name", WriteProblem::OtherNames},
        {"a-folder", WriteProblem::NotPlainFile},
        {"pipe", WriteProblem::NotPlainFile},  // refused at once, not waited on
        {"no-such-folder/file", WriteProblem::NotCreated},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const fs::path path = folder.path() / row.name;
        CreatedFile created = createPlainFile(path);
        EXPECT_EQ(created.problem, row.problem);
        EXPECT_EQ(created.file != nullptr, row.problem == WriteProblem::None);
        EXPECT_EQ(created.identity.known, row.problem == WriteProblem::None);
        if (created.file != nullptr) {
            std::fputs("new", created.file.get());
            created.file.reset();
            EXPECT_EQ(contentOf(path), "new");
        }
    }
    // Nothing was written through a link or a second name, and the links are still links.
    EXPECT_EQ(contentOf(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link"));
    EXPECT_FALSE(fs::exists(folder.path() / "not-there"));
    EXPECT_EQ(fs::hard_link_count(victim), 2u);
}

TEST(PlainFile, RemovesOnlyTheFileItMade) {
    testsupport::TempFolder folder;
    const fs::path path = folder.path() / "~DI_Tmp.tmp";
    const fs::path victim = folder.path() / "victim.txt";
    writeText(victim, "precious");

    // Its own file goes; a second removal finds nothing.
    CreatedFile created = createPlainFile(path);
    ASSERT_EQ(created.problem, WriteProblem::None);
    created.file.reset();
    EXPECT_TRUE(removeCreatedFile(path, created.identity));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(removeCreatedFile(path, created.identity));

    // A link put in the place of the file made, even one to that very file, stays; so does a
    // plain file of the same name that the program did not make, and any file when none was made.
    created = createPlainFile(path);
    created.file.reset();
    const fs::path moved = folder.path() / "moved";
    fs::rename(path, moved);
    fs::create_symlink(moved, path);
    EXPECT_FALSE(removeCreatedFile(path, created.identity));
    EXPECT_TRUE(fs::is_symlink(path));
    fs::remove(path);
    writeText(path, "someone else's");
    EXPECT_FALSE(removeCreatedFile(path, created.identity));
    EXPECT_FALSE(removeCreatedFile(path, FileIdentity{}));
    EXPECT_EQ(contentOf(path), "someone else's");
    EXPECT_EQ(contentOf(victim), "precious");
}

}  // namespace
}  // namespace quenzar::platform
