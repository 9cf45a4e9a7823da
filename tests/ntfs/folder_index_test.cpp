// The folder index reader on the fixture volumes: the names each folder's index holds are those
// The Sleuth Kit's `fls` lists in that folder (small folders, folders of INDX blocks, folders whose
// index continues in extension records, Cyrillic and non-1251 names), and damaged INDX blocks and
// index roots cost their own entries only, never a read outside the block.
#include "ntfs/folder_index.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ntfs/attribute_header.h"
#include "platform/code_page_1251.h"
#include "platform/little_endian.h"
#include "support/fixture_manifest.h"
#include "support/image_volume.h"
#include "support/temp_folder.h"

namespace quenzar::ntfs {
namespace {

using testsupport::ImageVolume;
using Entry = std::tuple<std::uint64_t, std::u16string, std::uint8_t>;  // record, name, name space

struct Walk {
    FolderIndexReport report;
    std::set<Entry> entries;
};

Walk readIndex(const ImageVolume& volume, std::uint64_t folder) {
    Walk walk;
    const std::vector<std::uint8_t> record = volume.record(folder);
    walk.report = readFolderIndex(record, folder, volume.indexReading(), [&](const FolderIndexEntry& entry) {
        EXPECT_EQ(entry.parentRecord, folder);
        walk.entries.emplace(entry.recordNumber, entry.name, entry.nameSpace);
    });
    return walk;
}

// "record name" of every file and folder `fls -u` lists in the folder, UTF-8.
std::set<std::string> listedByFls(const testsupport::ImageFacts& image, std::uint64_t folder) {
    int exitCode = -1;
    const std::string out = testsupport::runCommand("fls -u -o " + std::to_string(image.partition(0)->startLba) + " '" +
                                                        image.path(testsupport::fixtureDir()) + "' " + std::to_string(folder),
                                                    &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    std::set<std::string> listed;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        const std::size_t tab = line.find('\t');
        if (line.starts_with("V/V") || space == std::string::npos || tab == std::string::npos) continue;
        const std::uint64_t record = std::stoull(line.substr(space + 1));
        const std::string name = line.substr(tab + 1);
        // The volume's own files, and the named streams fls lists as names of their own.
        if (record >= 16 && name.find(':') == std::string::npos) listed.insert(std::to_string(record) + " " + name);
    }
    return listed;
}

TEST(FolderIndexTest, NamesAreThoseTheSleuthKitListsInEachFolder) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const struct {
        const char* image;
        std::vector<std::uint64_t> folders;
    } cases[] = {
        // The root and Documents in INDX blocks, Q1 with a DOS name beside a long one, Mountains
        // and Level6 within their records, Документы in Cyrillic, Temp with deleted files.
        {"mbr.img", {5, 64, 71, 77, 83, 91, 112}},
        // Crowded: INDX blocks in two parts, the second in an extension record; More: the index
        // root in an extension record; Linked/names: 60 names of one file.
        {"lists.img", {66, 1583, 1572, 1574}},
        // Names 1251 cannot write, one beyond the 16-bit range.
        {"world-names.img", {5, 78}},
    };
    for (const auto& c : cases) {
        const testsupport::ImageFacts& image = manifest.image(c.image);
        const ImageVolume volume(image, 0);
        for (const std::uint64_t folder : c.folders) {
            const Walk walk = readIndex(volume, folder);
            EXPECT_TRUE(walk.report.rootRead) << c.image << " " << folder;
            EXPECT_EQ(walk.report.blocksSkipped + walk.report.brokenNodes + walk.report.entriesSkipped, 0u)
                << c.image << " " << folder;
            std::set<std::string> read;
            for (const auto& [record, name, nameSpace] : walk.entries) {
                if (nameSpace != 2 && record >= 16) read.insert(std::to_string(record) + " " + platform::utf16ToUtf8(name));
            }
            EXPECT_EQ(read, listedByFls(image, folder)) << c.image << " " << folder;
        }
    }
    // a+b.txt of Q1 carries its DOS name in an entry of its own.
    const Walk q1 = readIndex(ImageVolume(manifest.image("mbr.img"), 0), 71);
    EXPECT_TRUE(q1.entries.contains(Entry{74, u"AB~1.TXT", 2}));
}

// A folder of three INDX blocks (Linked/names of lists.img) with its first block or its index root
// damaged on the way from the disk: a block that fails its checks is skipped whole, a node stops
// at an entry that does not fit, an entry whose name does not fit its key is passed over, and
// everything else is read as before.
TEST(FolderIndexTest, DamagedBlocksAndRootsCostTheirOwnEntriesOnly) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("lists.img");
    constexpr std::uint64_t kFolder = 1574;
    ImageVolume volume(image, 0);
    const Walk clean = readIndex(volume, kFolder);
    ASSERT_EQ(clean.report.blocksRead, 3u);

    // Where the blocks lie, as istat gives the clusters of the folder's $INDEX_ALLOCATION.
    const std::string facts = testsupport::runCommand("istat '" + image.path(testsupport::fixtureDir()) + "' " +
                                                      std::to_string(kFolder));
    const std::size_t allocation = facts.find("$INDEX_ALLOCATION");
    ASSERT_NE(allocation, std::string::npos) << facts;
    const std::uint64_t blockByte = std::stoull(facts.substr(facts.find('\n', allocation) + 1)) * volume.facts().clusterSize;
    const std::uint32_t blockBytes = volume.facts().indexRecordSize;
    ASSERT_EQ(blockBytes, 4096u);
    std::vector<std::uint8_t> rawBlock(blockBytes);
    ASSERT_TRUE(volume.read(blockByte, rawBlock));
    // The entries of each block on its own; what the root holds is the rest.
    std::set<Entry> firstBlock, inBlocks;
    for (int k = 0; k < 3; ++k) {
        std::vector<std::uint8_t> block(blockBytes);
        ASSERT_TRUE(volume.read(blockByte + k * blockBytes, block));
        FolderIndexReport report;
        ASSERT_TRUE(readIndexBlock(block, [&](const FolderIndexEntry& e) {
            inBlocks.emplace(e.recordNumber, e.name, e.nameSpace);
            if (k == 0) firstBlock.emplace(e.recordNumber, e.name, e.nameSpace);
        }, report));
    }
    ASSERT_FALSE(firstBlock.empty());
    auto without = [&](const std::set<Entry>& gone) {
        std::set<Entry> rest;
        for (const Entry& e : clean.entries) {
            if (!gone.contains(e)) rest.insert(e);
        }
        return rest;
    };
    const std::set<Entry> allButFirstBlock = without(firstBlock);
    const std::set<Entry> rootOnly = without(inBlocks);

    const std::size_t node = 0x18;
    const std::size_t firstEntry = node + platform::le32(&rawBlock[node]);
    const std::uint16_t lastWord = platform::le16(&rawBlock[3 * 512 + 510]);
    // The first entry: its key, a $FILE_NAME, has the name's length at 40h and the name at 42h.
    const std::uint8_t* key = &rawBlock[firstEntry + 0x10];
    std::u16string firstName(key[0x40], u'\0');
    for (std::size_t i = 0; i < firstName.size(); ++i) firstName[i] = static_cast<char16_t>(platform::le16(key + 0x42 + 2 * i));
    const std::set<Entry> allButFirstEntry =
        without({Entry{platform::le64(&rawBlock[firstEntry]) & 0xFFFF'FFFF'FFFF, firstName, key[0x41]}});
    ASSERT_EQ(allButFirstEntry.size() + 1, clean.entries.size());
    // The index root in the folder's record, found as the decoder leaves the record.
    const std::vector<std::uint8_t> record = volume.record(kFolder);
    std::size_t rootContent = 0;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        if (header.type != kIndexRootType) return true;
        rootContent = offset + readResidentContent(&record[offset]).offset;
        return false;
    });
    ASSERT_NE(rootContent, 0u);
    const std::uint64_t rootByte = volume.recordByte(kFolder) + rootContent;

    auto le16Bytes = [](std::uint32_t value) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    };
    const struct {
        const char* what;
        std::uint64_t at;  // volume byte
        std::vector<std::uint8_t> bytes;
        std::set<Entry> entries;
        std::uint64_t blocksRead, blocksSkipped, brokenNodes, entriesSkipped;
        bool rootRead, allocationUnusable;
    } cases[] = {
        {"no INDX signature", blockByte, {'I', 'N', 'D', 'Y'}, allButFirstBlock, 2, 1, 0, 0, true, false},
        {"a part's update sequence word differs", blockByte + 3 * 512 + 510, le16Bytes(lastWord ^ 0x0101u),
         allButFirstBlock, 2, 1, 0, 0, true, false},
        {"the array counts three words for eight parts", blockByte + 0x06, le16Bytes(3), allButFirstBlock, 2, 1, 0, 0,
         true, false},
        {"the array lies past the first part", blockByte + 0x04, le16Bytes(0x1F8), allButFirstBlock, 2, 1, 0, 0, true,
         false},
        {"an entry reaching past the block", blockByte + firstEntry + 0x08, le16Bytes(0xFFF8), allButFirstBlock, 3, 0,
         1, 0, true, false},
        {"the node ending past the block", blockByte + node + 0x04, le16Bytes(0x2000), allButFirstBlock, 3, 0, 1, 0,
         true, false},
        {"a name longer than its key", blockByte + firstEntry + 0x10 + 0x40, {0xFF}, allButFirstEntry, 3, 0, 0, 1, true,
         false},
        {"an index block size of no power of two", rootByte + 0x08, le16Bytes(3000), rootOnly, 0, 0, 0, 0, true, true},
        {"a root that indexes no names", rootByte, {0x10}, {}, 0, 0, 0, 0, false, false},
    };
    for (const auto& c : cases) {
        ImageVolume damaged(image, 0);
        damaged.patch(c.at, c.bytes);
        const Walk walk = readIndex(damaged, kFolder);
        EXPECT_EQ(walk.entries, c.entries) << c.what;
        EXPECT_EQ(walk.report.entries, c.entries.size()) << c.what;
        EXPECT_EQ(walk.report.blocksRead, c.blocksRead) << c.what;
        EXPECT_EQ(walk.report.blocksSkipped, c.blocksSkipped) << c.what;
        EXPECT_EQ(walk.report.brokenNodes, c.brokenNodes) << c.what;
        EXPECT_EQ(walk.report.entriesSkipped, c.entriesSkipped) << c.what;
        EXPECT_EQ(walk.report.rootRead, c.rootRead) << c.what;
        EXPECT_EQ(walk.report.allocationUnusable, c.allocationUnusable) << c.what;
    }
}

}  // namespace
}  // namespace quenzar::ntfs
