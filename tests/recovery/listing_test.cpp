// The listing QuenzarSalvage.txt byte for byte: the headers of both languages, lines of a file,
// a folder, an empty and a resident file, the widest size and one past it, a name longer than
// the table keeps.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/analysis_listing.h"
#include "recovery/listing.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

FileTableEntry sampleFile() {
    FileTableEntry entry;
    entry.recordLba = 2096;
    std::memcpy(entry.ext, "TXT", 3);
    entry.sizeLow = 1500;
    std::memcpy(entry.created, "2024.01.02 03:04", kEntryTimeChars);
    std::memcpy(entry.modified, "2024.05.06 07:08", kEntryTimeChars);
    entry.generation = '1';
    entry.ownId = 90;
    entry.parentId = 5;
    entry.firstCluster = 96256;
    entry.fragments = 1;
    std::memcpy(entry.name, "$LogBook.txt", 12);
    return entry;
}

TEST(ListingTest, HeadersOfBothLanguages) {
    const std::string english = listingHeader(text::Language::English);
    const std::string russian = listingHeader(text::Language::Russian);
    EXPECT_EQ(english.size(), kListingHeaderBytes);
    EXPECT_EQ(russian.size(), kListingHeaderBytes);
    EXPECT_EQ(english.substr(0, 16), "Phys.sector|Ext|");
    EXPECT_EQ(russian.substr(0, 16), "№ Физ.сект.|Рас|");
    EXPECT_EQ(english.substr(english.size() - 2), "\r\n");
}

TEST(ListingTest, LinesByteForByte) {
    const FileTableEntry file = sampleFile();
    EXPECT_EQ(listingLine(file, "$LogBook.txt", text::Language::English),
              "       2096|TXT|       1500|2024.01.02 03:04|2024.05.06 07:08|1|       90|        5| | |      96256|  1|"
              "$LogBook.txt\r\n");

    FileTableEntry folder = file;
    folder.folderFlag = kFolderFlag;
    folder.deletedFlag = kDeletedFlag;
    folder.sizeLow = 0xFFFFFFFF;  // as the tree build leaves a folder that holds files
    folder.fragments = 0;
    folder.firstCluster = 0;
    std::memcpy(folder.ext, "   ", 3);
    EXPECT_EQ(listingLine(folder, "Docs", text::Language::English),
              "       2096|   |           |2024.01.02 03:04|2024.05.06 07:08|1|       90|        5|F|D|           |   |"
              "Docs\r\n");
    EXPECT_EQ(listingLine(folder, "Docs", text::Language::Russian).substr(84, 3), "П|У");

    // An empty file and a resident one: blank size, blank cluster and fragment columns.
    FileTableEntry empty = file;
    empty.sizeLow = 0;
    empty.fragments = 0;
    EXPECT_EQ(listingLine(empty, "e", text::Language::English).substr(16, 12), "           |");
    EXPECT_EQ(listingLine(empty, "e", text::Language::English).substr(88, 16), "           |   |");

    // The widest size of the column, one past it (written whole), and 10,000,000,005 bytes,
    // whose billions end in a zero.
    const struct {
        std::uint64_t size;
        const char* column;
    } sizes[] = {{99999999999, "99999999999|"}, {100000000000, "100000000000|"}, {10000000005, "10000000005|"}, {1, "          1|"}};
    for (const auto& s : sizes) {
        FileTableEntry sized = file;
        sized.sizeLow = static_cast<std::uint32_t>(s.size);
        sized.sizeHigh = static_cast<std::uint16_t>(s.size >> 32);
        const std::string line = listingLine(sized, "x", text::Language::English);
        EXPECT_EQ(line.substr(16, std::strlen(s.column)), s.column) << s.size;
    }
}

TEST(ListingTest, FileHoldsTheHeaderAndTheWholeNames) {
    testsupport::TempFolder folder;
    FileTableEntry longName = sampleFile();
    const std::string whole = std::string(70, 'n') + ".txt";
    std::memcpy(longName.name, whole.data(), kEntryNameBytes);
    const std::vector<FileTableEntry> entries{sampleFile(), longName};
    const auto file = folder.path() / kListingFileName;
    ASSERT_EQ(writeListing(file, entries, text::Language::English, [&](const FileTableEntry&) { return whole; }),
              platform::WriteProblem::None);
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string expected = listingHeader(text::Language::English) +
                                 listingLine(entries[0], "$LogBook.txt", text::Language::English) +
                                 listingLine(longName, whole, text::Language::English);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.size(), kListingHeaderBytes + 106 + 12 + 106 + whole.size());
}

TEST(ListingTest, AnalyzeWritesTheListingOfTheFixtureVolume) {
    testsupport::TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "mbr.img").string();
    int exitCode = -1;
    const std::string out = testsupport::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " analyze '" + image +
                                                        "' --all-files --with-system --deleted --no-tree --listing"
                                                        " --lang en --work-dir '" + folder.path().string() + "' 2>&1",
                                                    &exitCode);
    ASSERT_EQ(exitCode, 0) << out;
    std::ifstream in(folder.path() / kListingFileName, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.substr(0, kListingHeaderBytes), listingHeader(text::Language::English));
    // Record 82 of the manifest: 7,000 bytes from cluster 51,632, a name of 80 characters.
    EXPECT_NE(text.find("\r\n       2244|TXT|       7000|2024.03.01 12:00|2020.07.23 06:24|0|       82|       64| | |"
                        "      51632|  1|This file name is deliberately longer than sixty-three characters to "
                        "test it.txt\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("|        5|        5|F| |           |   |.\r\n"), std::string::npos);
}

// A listing whose writing fails part way is not left behind as if it were whole. The write fails
// for want of room: a child process writes it under a limit on file sizes that the header fits
// and the lines do not.
TEST(ListingTest, ListingCutShortIsRemoved) {
    testsupport::TempFolder folder;
    platform::ImageDiskSystem disks({(testsupport::fixtureDir() / "lba0-ntfs.img").string()});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    SearchFilter filter;
    filter.allExtensions = 1;
    filter.noSystemFiles = 0;
    GenerationState generations;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folder.path()};
    const AnalysisResult result = runAnalysis(disks, inventory, 'D', context);
    ASSERT_EQ(result.outcome, AnalysisOutcome::Completed);

    const auto file = folder.path() / kListingFileName;
    auto writeInChild = [&](rlim_t fileSizeLimit) {
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::_exit(writeAnalysisListing(disks, '0', result, file, text::Language::English) == platform::WriteProblem::None ? 0 : 1);
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(writeInChild(kListingHeaderBytes + 10), 1);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(writeInChild(RLIM_INFINITY), 0);
    EXPECT_GT(std::filesystem::file_size(file), kListingHeaderBytes + 10);
}

// salvage analyze exits with 1 when the listing asked for cannot be written, here because a link
// to a device stands in its place; the analysis is still shown and the device stays as it was.
TEST(ListingTest, AnalyzeFailsWhenTheListingCannotBeWritten) {
    testsupport::TempFolder folder;
    std::filesystem::create_symlink("/dev/full", folder.path() / kListingFileName);
    const std::string image = (testsupport::fixtureDir() / "lba0-ntfs.img").string();
    int exitCode = -1;
    const std::string out = testsupport::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " analyze '" + image +
                                                        "' --all-files --no-tree --listing --lang en --work-dir '" +
                                                        folder.path().string() + "' 2>&1",
                                                    &exitCode);
    EXPECT_EQ(exitCode, 1) << out;
    // A link in the listing's place is refused before anything is written through it.
    EXPECT_NE(out.find("QuenzarSalvage.txt is a symbolic link"), std::string::npos) << out;
    EXPECT_NE(out.find("found by the filter"), std::string::npos) << out;  // the analysis is still shown
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

}  // namespace
}  // namespace quenzar::recovery
