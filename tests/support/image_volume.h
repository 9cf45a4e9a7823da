// A fixture's NTFS volume read straight from its image file, as the analysis reads a volume:
// bytes by their offset from the volume's first sector, FILE records by number along the $MFT's
// runs. Bytes can be laid over the image in memory, so a test damages a structure on the volume
// without writing to the image. Also a copy of a fixture image whose $MFT lost one record's
// clusters, for programs run apart from the test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "ntfs/attribute_header.h"
#include "ntfs/data_runs.h"
#include "ntfs/file_record.h"
#include "ntfs/folder_index.h"
#include "platform/little_endian.h"
#include "recovery/mft_runs.h"
#include "recovery/volume_records.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::testsupport {

class ImageVolume {
public:
    ImageVolume(const ImageFacts& image, int partition)
        : path_(image.path(fixtureDir())), facts_(*image.partition(partition)) {
        std::vector<std::uint8_t> mft(units().recordBytes);
        EXPECT_TRUE(read(facts_.mftCluster * facts_.clusterSize, mft)) << path_;
        const std::vector<std::uint8_t> asRead = mft;
        ntfs::FileRecordInfo info;
        ntfs::decodeFileRecord(mft, info);
        if (info.hasAttributeList) {
            std::vector<ntfs::DataRun> runs;
            EXPECT_TRUE(recovery::gatherMftRuns(reader(), asRead, units(), info, runs)) << path_;
            mftRuns_ = recovery::buildMftRuns(runs, units());
        } else {
            mftRuns_ = recovery::buildMftRuns(info, units());
        }
    }

    const PartitionFacts& facts() const { return facts_; }
    std::uint32_t sectorsPerCluster() const { return facts_.sectorsPerCluster(); }
    // The fixtures' volumes: 512-byte sectors, 1,024-byte records.
    ntfs::VolumeUnits units() const { return ntfs::volumeUnitsOf(512, sectorsPerCluster(), 1024); }

    // Bytes of the volume, with the patches laid over them.
    bool read(std::uint64_t volumeByte, std::span<std::uint8_t> buffer) const {
        std::ifstream file(path_, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(facts_.startByte() + volumeByte));
        file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        if (!file) return false;
        for (const auto& [at, bytes] : patches_) {
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                if (at + i >= volumeByte && at + i < volumeByte + buffer.size()) buffer[at + i - volumeByte] = bytes[i];
            }
        }
        return true;
    }
    ntfs::VolumeBytesReader reader() const {
        return [this](std::uint64_t volumeByte, std::span<std::uint8_t> buffer) { return read(volumeByte, buffer); };
    }
    // Bytes that replace the volume's from volumeByte on, for every read after.
    void patch(std::uint64_t volumeByte, std::vector<std::uint8_t> bytes) { patches_[volumeByte] = std::move(bytes); }

    // Where a record lies on the volume.
    std::uint64_t recordByte(std::uint64_t number) const {
        std::uint64_t volumeByte = 0;
        EXPECT_TRUE(recovery::recordByteOf(mftRuns_, units().recordBytes, number, volumeByte)) << number;
        return volumeByte;
    }
    // The record as the analysis decodes it (update sequence undone).
    std::vector<std::uint8_t> record(std::uint64_t number) const {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(indexReading().record(number, bytes)) << number;
        return bytes;
    }

    // Everything a folder's index is read with, as the analysis reads it.
    ntfs::FolderIndexReading indexReading() const {
        ntfs::FolderIndexReading reading;
        reading.volume = reader();
        reading.clusterBytes = units().clusterBytes;
        reading.volumeClusters = facts_.clusters;
        reading.record = recovery::volumeRecordReading(reader(), mftRuns_, units()).record;
        return reading;
    }

private:
    std::string path_;
    PartitionFacts facts_;
    std::vector<recovery::MftRun> mftRuns_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> patches_;
};

// A copy of the image whose first NTFS volume's $MFT lost the clusters of one record: the run list
// of the $MFT's own record gets a sparse run in their place, so that the record lies nowhere on the
// disk and every reader takes it for unreadable, also a program run apart from the test. The
// $DATA attribute grows by the bytes the longer list needs; the attributes after it move along.
inline std::string copyWithMftHole(const TempFolder& folder, const ImageFacts& image, std::uint64_t recordNumber) {
    using platform::le16;
    using platform::le32;
    const std::string copy = folder.file("mft-hole.img");
    std::filesystem::copy_file(image.path(fixtureDir()), copy);
    const PartitionFacts& volume = *image.partition(0);
    const std::uint64_t clusterBytes = volume.clusterSize;
    const std::uint64_t recordAt = volume.startByte() + volume.mftCluster * clusterBytes;
    std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
    std::vector<std::uint8_t> record(1024);
    file.seekg(static_cast<std::streamoff>(recordAt));
    file.read(reinterpret_cast<char*>(record.data()), static_cast<std::streamsize>(record.size()));
    const std::size_t usa = le16(&record[0x04]);
    for (std::size_t sector = 0; sector < 2; ++sector) std::memcpy(&record[512 * sector + 510], &record[usa + 2 + 2 * sector], 2);

    std::size_t data = le16(&record[0x14]);
    while (data + 16 < record.size() && le32(&record[data]) != 0x80) data += le32(&record[data + 4]);
    EXPECT_LT(data + 16, record.size()) << "no $DATA in the $MFT record";
    if (data + 16 >= record.size()) return copy;
    const std::size_t runsAt = data + le16(&record[data + 0x20]);
    std::vector<ntfs::DataRun> runs;
    EXPECT_EQ(ntfs::decodeRunList(record, runsAt, runs).integrityCode, ntfs::kRecordGood);

    // The record's clusters become a sparse run; the runs around them keep their clusters.
    const std::uint64_t firstVcn = recordNumber * 1024 / clusterBytes;
    const std::uint64_t lastVcn = (recordNumber * 1024 + 1023) / clusterBytes;
    std::vector<ntfs::DataRun> holed;
    std::uint64_t vcn = 0;
    for (const ntfs::DataRun& run : runs) {
        const std::uint64_t end = vcn + run.clusterCount;
        if (lastVcn < vcn || firstVcn >= end) {
            holed.push_back(run);
        } else {
            const std::uint64_t before = std::max(firstVcn, vcn) - vcn;
            const std::uint64_t hole = std::min(lastVcn + 1, end) - vcn - before;
            if (before != 0) holed.push_back({static_cast<std::uint32_t>(before), run.startCluster});
            holed.push_back({static_cast<std::uint32_t>(hole), ntfs::kSparseCluster});
            if (before + hole < run.clusterCount) {
                holed.push_back({static_cast<std::uint32_t>(run.clusterCount - before - hole),
                                 static_cast<std::uint32_t>(run.startCluster + before + hole)});
            }
        }
        vcn = end;
    }
    const std::vector<std::uint8_t> encoded = ntfs::encodeRunList(holed);
    const std::size_t oldLength = le32(&record[data + 4]);
    const std::size_t newLength = std::max(oldLength, (runsAt - data + encoded.size() + 7) / 8 * 8);
    const std::size_t inUse = le32(&record[0x18]);
    EXPECT_LE(inUse + newLength - oldLength, 1024u - 8) << "the $MFT record has no room for the longer run list";
    std::memmove(&record[data + newLength], &record[data + oldLength], inUse - data - oldLength);
    std::fill(record.begin() + static_cast<std::ptrdiff_t>(runsAt), record.begin() + static_cast<std::ptrdiff_t>(data + newLength), 0);
    std::copy(encoded.begin(), encoded.end(), record.begin() + static_cast<std::ptrdiff_t>(runsAt));
    platform::putLe32(&record[data + 4], static_cast<std::uint32_t>(newLength));
    platform::putLe32(&record[0x18], static_cast<std::uint32_t>(inUse + newLength - oldLength));

    for (std::size_t sector = 0; sector < 2; ++sector) {
        std::memcpy(&record[usa + 2 + 2 * sector], &record[512 * sector + 510], 2);
        std::memcpy(&record[512 * sector + 510], &record[usa], 2);
    }
    file.seekp(static_cast<std::streamoff>(recordAt));
    file.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    EXPECT_TRUE(file.good());
    return copy;
}

}  // namespace quenzar::testsupport
