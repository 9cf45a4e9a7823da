// salvage restore --full on the volumes whose files NTFS stores in more than one way: files whose
// runs and names continue in extension records, and compressed files. Each restored file must
// hold what The Sleuth Kit's icat reads through the same record (the manifest's icat MD5).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "support/fixture_manifest.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

using testsupport::runCommand;
using testsupport::runSalvage;
using testsupport::TempFolder;

// Restores the files under the folders of a fixture volume with --full (and the volume's choice,
// e.g. a virtual disk's known sector); returns "path MD5" of each file written.
std::set<std::string> restoreFull(const testsupport::ImageFacts& image, const std::string& options, int* exitCode,
                                  std::string* out) {
    TempFolder folder;
    const auto target = folder.path() / "restored";
    *out = runSalvage("restore '" + image.path(testsupport::fixtureDir()) + "' " + options + " --lang en --work-dir '" +
                          folder.path().string() + "' --full --to '" + target.string() + "'",
                      exitCode);
    return testsupport::filesWithMd5(target);
}

TEST(RestoreFixturesTest, FilesContinuedInExtensionRecordsComeBackWhole) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("lists.img");
    // The files of the fixture are what the test is about: hundreds of runs, and 61 names.
    ASSERT_EQ(image.entry(0, "Fragmented/hundreds.bin")->runCount, 300u);
    ASSERT_GT(image.entry(0, "Fragmented/two-hundred.bin")->runCount, 200u);
    // The file of many names is restored once, under the name its first $FILE_NAME gives. The
    // volume's $MFT has a creation time of zero (mkntfs -T): it opens no generation.
    const std::set<std::string> expected{
        "Razd0/Fragmented/hundreds.bin " + image.entry(0, "Fragmented/hundreds.bin")->icatMd5,
        "Razd0/Fragmented/two-hundred.bin " + image.entry(0, "Fragmented/two-hundred.bin")->icatMd5,
        "Razd0/Linked/original.txt " + image.entry(0, "Linked/original.txt")->icatMd5,
    };
    // The $MFT's own runs continue in an extension record and its attribute list lies in a
    // cluster: the volume, and the virtual disk from its boot sector and from its $MFT, read it
    // whole.
    const std::uint64_t mftLba = image.partition(0)->mftCluster * image.partition(0)->sectorsPerCluster();
    for (const std::string& choice : {std::string(), std::string("--boot 0"), "--mft " + std::to_string(mftLba)}) {
        SCOPED_TRACE(choice);
        int exitCode = -1;
        std::string out;
        EXPECT_EQ(restoreFull(image, choice + " --folder Fragmented --folder Linked", &exitCode, &out), expected);
        EXPECT_EQ(exitCode, 0) << out;
    }
}

// Compressed files come back decompressed, deleted ones too: units that compress, units stored
// as they are, sparse and zero units, a file shorter than a unit. The uncompressed and the
// resident file beside them come back as before.
TEST(RestoreFixturesTest, CompressedFilesComeBackDecompressed) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("compressed.img");
    std::set<std::string> expected;
    std::size_t compressed = 0;
    for (const testsupport::EntryFacts* entry : image.entriesOf(0)) {
        if (!entry->isFile()) continue;
        ASSERT_TRUE(entry->intact) << entry->path;
        expected.insert("Razd0/" + entry->path + " " + entry->icatMd5);
        compressed += entry->fields.count("compressed");
    }
    ASSERT_GE(compressed, 5u);
    int exitCode = -1;
    std::string out;
    EXPECT_EQ(restoreFull(image, "--all", &exitCode, &out), expected);
    EXPECT_EQ(exitCode, 0) << out;
}

// Compressed data that does not decompress ends its file before that unit: the units before it
// are the file's own, nothing is read past the damage, and the file is listed as damaged.
TEST(RestoreFixturesTest, DamagedCompressedDataEndsTheFile) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("compressed.img");
    const testsupport::EntryFacts& text = *image.entry(0, "Packed/text.txt");
    // Its second unit is compressed: clusters on the disk, then sparse ones.
    ASSERT_GE(text.runs.size(), 4u);
    ASSERT_TRUE(text.runs[1].sparse);
    ASSERT_FALSE(text.runs[2].sparse);
    const std::uint64_t unitBytes = 16 * image.partition(0)->clusterSize;

    TempFolder folder;
    const std::string copy = folder.file("damaged.img");
    std::filesystem::copy_file(image.path(testsupport::fixtureDir()), copy);
    {
        // A compressed chunk whose first item copies from before the chunk's start.
        std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(text.runs[2].lcn * image.partition(0)->clusterSize));
        const char chunk[] = {0x02, static_cast<char>(0xB0), 0x01, 0x00, 0x00};
        file.write(chunk, sizeof chunk);
    }
    const auto target = folder.path() / "restored";
    int exitCode = -1;
    const std::string out = runSalvage("restore '" + copy + "' --lang en --work-dir '" + folder.path().string() +
                                           "' --full --path Packed/text.txt --to '" + target.string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 1) << out;
    const auto restored = target / "Razd0" / "Packed" / "text.txt";
    ASSERT_TRUE(std::filesystem::exists(restored)) << out;
    EXPECT_EQ(std::filesystem::file_size(restored), unitBytes);
    int md5Exit = -1;
    const std::string original = runCommand("icat '" + image.path(testsupport::fixtureDir()) + "' " +
                                                std::to_string(text.record) + " | head -c " + std::to_string(unitBytes) +
                                                " | md5sum",
                                            &md5Exit);
    EXPECT_EQ(runCommand("md5sum < '" + restored.string() + "'").substr(0, 32), original.substr(0, 32));
    std::ifstream list(target / "QuenzarSalvage-damaged.txt", std::ios::binary);
    const std::string listed((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
    EXPECT_NE(listed.find("compressed data damaged from file byte " + std::to_string(unitBytes) + ": the file ends there"),
              std::string::npos)
        << listed;
}

// A compression unit above the 16 clusters NTFS writes (the header's shift byte at 22h above 4)
// is damage: the file is read in the units NTFS writes, and no buffer is sized from the field
// (a shift of 16 once made a 147 KB file take 535 MB).
TEST(RestoreFixturesTest, AbsurdCompressionUnitIsReadAsNtfsWritesIt) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("compressed.img");
    const testsupport::EntryFacts& text = *image.entry(0, "Packed/text.txt");
    for (const int shift : {5, 16, 255}) {
        SCOPED_TRACE(shift);
        TempFolder folder;
        const std::string copy = folder.file("unit.img");
        std::filesystem::copy_file(image.path(testsupport::fixtureDir()), copy);
        const std::uint64_t recordLba = testsupport::recordLbas(copy).at(static_cast<std::uint32_t>(text.record));
        {
            std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
            std::vector<std::uint8_t> record(1024);
            file.seekg(static_cast<std::streamoff>(recordLba * 512));
            file.read(reinterpret_cast<char*>(record.data()), 1024);
            std::size_t at = record[0x14] | record[0x15] << 8;
            while (at + 0x24 < 510 && !(record[at] == 0x80 && record[at + 9] == 0)) {
                at += record[at + 4] | record[at + 5] << 8;
            }
            ASSERT_TRUE(at + 0x24 < 510 && record[at + 8] == 1);  // the non-resident $DATA, clear of the fixup
            file.seekp(static_cast<std::streamoff>(recordLba * 512 + at + 0x22));
            file.put(static_cast<char>(shift));
            ASSERT_TRUE(file.good());
        }
        const auto target = folder.path() / "restored";
        int exitCode = -1;
        const std::string out = runSalvage("restore '" + copy + "' --lang en --work-dir '" + folder.path().string() +
                                               "' --full --path Packed/text.txt --to '" + target.string() + "'",
                                           &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_EQ(runCommand("md5sum < '" + (target / "Razd0" / "Packed" / "text.txt").string() + "'").substr(0, 32),
                  text.icatMd5);
    }
}

}  // namespace
}  // namespace quenzar::recovery
