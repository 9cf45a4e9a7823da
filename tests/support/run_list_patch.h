// Changes a run of a file's run list in place, on a copy of a disk image: the way a damaged
// volume shows a run list that points outside the volume or onto another run's clusters; where
// the FILE records to change lie; and copies of a fixture damaged so, or with a folder's FILE
// record destroyed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::testsupport {

// The LBA of each FILE record of an image's first NTFS volume, by record number, as an analysis
// of every file finds them.
inline std::map<std::uint32_t, std::uint32_t> recordLbas(const std::string& image) {
    platform::ImageDiskSystem disks({image});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    char letter = 0;
    for (char candidate = disk::kFirstDriveLetter; candidate < disk::kFirstDriveLetter + disk::kDriveLetterCount && letter == 0;
         ++candidate) {
        if (inventory.drive(candidate).fileSystem() == disk::FileSystem::Ntfs) letter = candidate;
    }
    const recovery::SearchFilter filter = recovery::everyFileFilter();
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    TempFolder folder;
    recovery::AnalysisContext context{filter, generations, progress, folder.path()};
    const recovery::AnalysisResult result = recovery::runAnalysis(disks, inventory, letter, context);
    EXPECT_EQ(result.outcome, recovery::AnalysisOutcome::Completed) << image;
    std::map<std::uint32_t, std::uint32_t> lbas;
    for (const recovery::FileTableEntry& entry : result.tree.table) lbas.emplace(entry.ownId, entry.recordLba);
    return lbas;
}

// Sets the offset field of run `runIndex` of the unnamed $DATA attribute in the FILE record of
// 1,024 bytes at `recordLba` (the first run's offset is its first cluster, every other one is
// relative to the run before it, so the runs after it move along). The field keeps its width:
// the value must fit it as a signed number. The update sequence is undone first and put back
// after, as the disk holds it.
inline void patchRunOffset(const std::string& image, std::uint64_t recordLba, std::size_t runIndex,
                           std::int64_t offset) {
    constexpr std::size_t kRecordBytes = 1024;
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    std::vector<std::uint8_t> record(kRecordBytes);
    file.seekg(static_cast<std::streamoff>(recordLba * 512));
    file.read(reinterpret_cast<char*>(record.data()), kRecordBytes);
    ASSERT_TRUE(file.good());
    auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(record[at] | record[at + 1] << 8); };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    const std::size_t usa = u16(0x04);
    for (std::size_t sector = 0; sector < kRecordBytes / 512; ++sector) {
        record[sector * 512 + 510] = record[usa + 2 + 2 * sector];
        record[sector * 512 + 511] = record[usa + 3 + 2 * sector];
    }

    std::size_t attribute = u16(0x14);
    while (attribute + 16 < kRecordBytes && u32(attribute) != 0xFFFFFFFF &&
           !(u32(attribute) == 0x80 && record[attribute + 8] == 1 && record[attribute + 9] == 0)) {
        attribute += u32(attribute + 4);
    }
    ASSERT_LT(attribute + 16, kRecordBytes) << "no unnamed non-resident $DATA";
    std::size_t run = attribute + u16(attribute + 0x20);
    for (std::size_t i = 0; i < runIndex; ++i) {
        ASSERT_NE(record[run], 0) << "the run list has no run " << runIndex;
        run += 1 + (record[run] & 0x0F) + (record[run] >> 4);
    }
    const std::size_t width = record[run] >> 4;
    ASSERT_GT(width, 0u) << "run " << runIndex << " is sparse";
    ASSERT_TRUE(width == 8 || (offset >= -(std::int64_t{1} << (8 * width - 1)) && offset < std::int64_t{1} << (8 * width - 1)))
        << offset << " does not fit " << width << " bytes";
    const std::size_t field = run + 1 + (record[run] & 0x0F);
    for (std::size_t i = 0; i < width; ++i) record[field + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(offset) >> (8 * i));

    for (std::size_t sector = 0; sector < kRecordBytes / 512; ++sector) {
        record[usa + 2 + 2 * sector] = record[sector * 512 + 510];
        record[usa + 3 + 2 * sector] = record[sector * 512 + 511];
        record[sector * 512 + 510] = record[usa];
        record[sector * 512 + 511] = record[usa + 1];
    }
    file.seekp(static_cast<std::streamoff>(recordLba * 512));
    file.write(reinterpret_cast<const char*>(record.data()), kRecordBytes);
    ASSERT_TRUE(file.good());
}

// A copy of mbr.img in the folder whose run lists were damaged after it was written, as a damaged
// volume shows them: budget-64512.xls's only run moved to the volume's last clusters, so that it
// reaches past the volume's end into the next partition, and fragmented.bin's second run laid on
// its first (the runs after it move along and stay inside the volume).
inline std::string copyWithDamagedRunLists(const TempFolder& folder, const ImageFacts& mbr) {
    const std::string image = folder.file("damaged-runs.img");
    std::filesystem::copy_file(mbr.path(fixtureDir()), image);
    const auto lbas = recordLbas(image);
    const EntryFacts& budget = *mbr.entry(0, "Documents/Reports/2023/Q2/budget-64512.xls");
    EXPECT_EQ(budget.runs.size(), 1u);
    patchRunOffset(image, lbas.at(static_cast<std::uint32_t>(budget.record)), 0,
                   static_cast<std::int64_t>(mbr.partition(0)->clusters - 10));
    patchRunOffset(image, lbas.at(static_cast<std::uint32_t>(mbr.entry(0, "Media/fragmented.bin")->record)), 1, 0);
    return image;
}

// A copy of mbr.img whose folder "Mountains" lost its FILE record (its signature wiped, as an
// overwritten or unreadable record shows): its file peak.txt is an orphan, shown under the lost
// folder of the record number its name still points at.
inline std::string copyWithLostFolder(const TempFolder& folder, const ImageFacts& mbr) {
    const std::string image = folder.file("lost-folder.img");
    std::filesystem::copy_file(mbr.path(fixtureDir()), image);
    const auto lbas = recordLbas(image);
    const std::uint64_t recordLba = lbas.at(static_cast<std::uint32_t>(mbr.entry(0, "Mountains")->record));
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(recordLba * 512));
    file.write("\0\0\0\0", 4);
    EXPECT_TRUE(file.good());
    return image;
}

}  // namespace quenzar::testsupport
