// Virtual disks on fixture disks whose partition entry has been wiped: from the boot sector, from
// the $MFT and from a file's FILE record, the volume's real start, cluster size and $MFT position
// come back. The images are copied first; the fixtures themselves are only read.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "disk/inventory.h"
#include "ntfs/virtual_disk.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::ntfs {
namespace {

namespace ts = quenzar::testsupport;

// Copies an image into the folder and zeroes the MBR slot (1-4) of a primary partition.
std::string copyWithWipedEntry(const ts::TempFolder& folder, const ts::ImageFacts& image, int slot) {
    const std::string copy = folder.file(image.name);
    std::filesystem::copy_file(image.path(ts::fixtureDir()), copy);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(446 + 16 * (slot - 1));
    const char zeros[16] = {};
    file.write(zeros, sizeof zeros);
    return copy;
}

struct WipedVolume {
    const char* image;
    int partition;
};

// How test names and failures show a case.
void PrintTo(const WipedVolume& volume, std::ostream* out) { *out << volume.image << " partition " << volume.partition; }

class VirtualDiskOnWipedFixture : public ::testing::TestWithParam<WipedVolume> {};

TEST_P(VirtualDiskOnWipedFixture, EachKnownSectorFindsTheVolume) {
    if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
        GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
    }
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image(GetParam().image);
    const ts::PartitionFacts& volume = *image.partition(GetParam().partition);
    ASSERT_EQ(volume.filesystem, "ntfs");
    ASSERT_GT(volume.slot, 0);

    const ts::TempFolder folder;
    platform::ImageDiskSystem disks({copyWithWipedEntry(folder, image, volume.slot)});
    disk::InventoryState inventory;
    disk::ProbeDisk(inventory, disks, '0');
    // The wiped entry no longer leads to the volume.
    for (const disk::PartitionEntry& entry : inventory.disk('0').partitions) {
        EXPECT_NE(entry.firstSector(), volume.startLba);
    }

    const std::uint64_t spc = volume.sectorsPerCluster();
    const std::uint64_t mftLba = volume.startLba + volume.mftCluster * spc;
    // A file of the volume whose record lies in the $MFT's first fragment: the lowest-numbered
    // file with its data outside its record.
    const ts::EntryFacts* file = nullptr;
    for (const ts::EntryFacts* entry : image.entriesOf(volume.index)) {
        if (entry->isFile() && !entry->resident && entry->size > 0 && !entry->runs.empty() &&
            (file == nullptr || entry->record < file->record)) {
            file = entry;
        }
    }
    ASSERT_NE(file, nullptr);
    const std::uint64_t recordLba = mftLba + 2 * file->record;

    const SectorReader read = diskSectorReader(disks, inventory.masks, '0');
    for (const VirtualDiskDialog dialog :
         {VirtualDiskDialog::FromBootSector, VirtualDiskDialog::FromMftPosition, VirtualDiskDialog::FromFileRecord}) {
        NtfsVolumeParams params;
        chooseDisk(params, '0', inventory.disk('0'));
        ASSERT_EQ(params.bytesPerSector, 512u);
        VirtualDiskOutcome out;
        std::uint64_t storedRecordLba = 0;
        switch (dialog) {
            case VirtualDiskDialog::FromBootSector:
                out = computeFromBootSector(params, std::to_string(volume.startLba), read, text::Language::English);
                EXPECT_EQ(params.mftFound, 'Y');
                break;
            case VirtualDiskDialog::FromMftPosition:
                out = computeFromMftPosition(params, std::to_string(mftLba), read, text::Language::English);
                break;
            case VirtualDiskDialog::FromFileRecord:
                out = computeFromFileRecord(params, storedRecordLba, std::to_string(recordLba), read,
                                            text::Language::English);
                EXPECT_EQ(out.diagnostics[0], "The FILE Record is correct");
                break;
        }
        SCOPED_TRACE(static_cast<int>(dialog));
        EXPECT_EQ(out.result, ResultWord::Mft);
        EXPECT_TRUE(out.buttons.run);
        EXPECT_EQ(params.bootLba, volume.startLba);
        EXPECT_EQ(params.sectorsPerCluster, spc);
        EXPECT_EQ(params.mftCluster, volume.mftCluster);
        EXPECT_EQ(params.mftLba, mftLba);

        MftRunTable table;
        const ReconstructionStart start = startReconstruction(params, table, read);
        ASSERT_TRUE(start.ready);
        ASSERT_GE(table.rowCount, 1u);
        EXPECT_EQ(table.rows[0].firstRecord, 0u);
        EXPECT_EQ(table.rows[0].startLba, mftLba);
        EXPECT_GE(params.mftRecordLimit, file->record);
    }
}

// masked.img carries a sector mask: every read of the volume goes through the unmasking rule.
// Named by image and partition ("masked_img_0"), so that each case keeps its name from build to
// build: the default name would print the image's pointer.
std::string wipedVolumeName(const ::testing::TestParamInfo<WipedVolume>& info) {
    std::string name = std::string(info.param.image) + "_" + std::to_string(info.param.partition);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, VirtualDiskOnWipedFixture,
                         ::testing::Values(WipedVolume{"masked.img", 0}, WipedVolume{"mbr.img", 0}), wipedVolumeName);

}  // namespace
}  // namespace quenzar::ntfs
