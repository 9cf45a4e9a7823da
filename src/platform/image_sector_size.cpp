#include "platform/image_sector_size.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/little_endian.h"
#include "platform/sector_device.h"

namespace quenzar::platform {
namespace {

using Block = std::array<std::uint8_t, 512>;

constexpr std::size_t kTableAt = 0x1BE;
constexpr std::uint8_t kGptProtectiveType = 0xEE;
// How far before the image's end a table counted in 4,096-byte sectors may end and still be taken
// for one that covers the disk: partitioning tools leave up to a megabyte there for alignment. A
// table of 512-byte sectors that ended there in 4,096-byte ones would cover just an eighth of its
// disk, less at most this.
constexpr std::uint64_t kMinTailSlackBytes = 2u * 1024 * 1024;
constexpr std::uint64_t kTailSlackShare = 4096;  // or 1/4096 of a large image

// The first 512 bytes at a byte offset; false when they do not all arrive (or lie past the end).
bool readBlock(const ImageByteReader& read, std::uint64_t imageBytes, std::uint64_t byteOffset, Block& block) {
    block.fill(0);
    if (byteOffset > imageBytes || imageBytes - byteOffset < block.size()) return false;
    return read(byteOffset, block) == block.size();
}

bool hasSignature(const Block& block) { return block[510] == 0x55 && block[511] == 0xAA; }

std::uint32_t bytesPerSectorField(const Block& block) { return le16(block.data() + 0x0B); }

bool isNtfsBootSector(const Block& block) {
    return hasSignature(block) && std::memcmp(block.data() + 3, "NTFS    ", 8) == 0 &&
           isKnownSectorSize(bytesPerSectorField(block));
}

// A FAT boot sector: a jump at 0, a sector size, a power-of-two cluster, reserved sectors, one or
// two FATs, and the FAT type named at 36h (FAT12/16) or 52h (FAT32).
bool isFatBootSector(const Block& block) {
    const std::uint8_t sectorsPerCluster = block[0x0D];
    return hasSignature(block) && (block[0] == 0xEB || block[0] == 0xE9) &&
           isKnownSectorSize(bytesPerSectorField(block)) && sectorsPerCluster != 0 &&
           (sectorsPerCluster & (sectorsPerCluster - 1)) == 0 && le16(block.data() + 0x0E) != 0 &&
           (block[0x10] == 1 || block[0x10] == 2) &&
           (std::memcmp(block.data() + 0x36, "FAT", 3) == 0 || std::memcmp(block.data() + 0x52, "FAT", 3) == 0);
}

// A GPT header read at LBA 1: the signature, and LBA 1 as the header's own place.
bool isGptHeaderAtLba1(const Block& block) {
    return std::memcmp(block.data(), "EFI PART", 8) == 0 && le64(block.data() + 24) == 1;
}

struct TableEntry {
    std::uint8_t type = 0;
    std::uint64_t startLba = 0;
    std::uint64_t sectorCount = 0;
};

// Whether an entry, its start counted in sectors of `unit` bytes, points at what its type says
// lies there: a GPT header for the protective entry, an extended boot record for an extended
// entry, a volume's boot sector for any other.
bool entryLandsOnStructure(const ImageByteReader& read, std::uint64_t imageBytes, const TableEntry& entry,
                           std::uint32_t unit) {
    if (entry.startLba > imageBytes / unit) return false;
    Block block{};
    if (!readBlock(read, imageBytes, entry.startLba * unit, block)) return false;
    if (entry.type == kGptProtectiveType) return isGptHeaderAtLba1(block) && entry.startLba == 1;
    if (entry.type == 0x05 || entry.type == 0x0F || entry.type == 0x85) return hasSignature(block);
    return isNtfsBootSector(block) || isFatBootSector(block);
}

// The partition table's verdict; nothing when it tells neither way.
std::optional<SectorSizeFinding> sizeFromTable(const ImageByteReader& read, std::uint64_t imageBytes,
                                               const Block& lba0) {
    std::array<TableEntry, 4> entries{};
    bool anyEntry = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint8_t* at = lba0.data() + kTableAt + 16 * i;
        entries[i] = {at[4], le32(at + 8), le32(at + 12)};
        anyEntry = anyEntry || (entries[i].type != 0 && entries[i].startLba != 0);
    }
    if (!anyEntry) return std::nullopt;

    const auto anyLands = [&](std::uint32_t unit) {
        return std::any_of(entries.begin(), entries.end(), [&](const TableEntry& entry) {
            return entry.type != 0 && entry.startLba != 0 && entryLandsOnStructure(read, imageBytes, entry, unit);
        });
    };
    if (anyLands(512)) return SectorSizeFinding{512, SectorSizeSource::PartitionTable};
    if (anyLands(4096)) return SectorSizeFinding{4096, SectorSizeSource::PartitionTable};

    // No entry points at anything either way: the extent of the table decides, and only when in
    // 4,096-byte sectors it ends close to the image's end (where 512-byte ones end at an eighth).
    // A protective entry of the largest count only says "the rest of the disk".
    std::uint64_t tableEnd = 0;
    for (const TableEntry& entry : entries) {
        if (entry.type == 0 || entry.startLba == 0 || entry.sectorCount == 0) continue;
        if (entry.type == kGptProtectiveType && entry.sectorCount == 0xFFFFFFFF) continue;
        tableEnd = std::max(tableEnd, entry.startLba + entry.sectorCount);
    }
    const std::uint64_t endBytes = tableEnd * 4096;
    const std::uint64_t slack = std::max(kMinTailSlackBytes, imageBytes / kTailSlackShare);
    if (tableEnd != 0 && endBytes <= imageBytes && imageBytes - endBytes <= slack) {
        return SectorSizeFinding{4096, SectorSizeSource::PartitionTable};
    }
    return std::nullopt;
}

}  // namespace

bool isKnownSectorSize(std::uint64_t bytesPerSector) {
    return std::find(std::begin(kSectorSizes), std::end(kSectorSizes), bytesPerSector) != std::end(kSectorSizes);
}

bool isGivableSectorSize(std::uint64_t bytesPerSector) { return bytesPerSector == 512 || bytesPerSector == 4096; }

SectorSizeFinding detectImageSectorSize(const ImageByteReader& read, std::uint64_t imageBytes) {
    Block lba0{};
    if (!readBlock(read, imageBytes, 0, lba0)) return {};

    if (isNtfsBootSector(lba0)) return {bytesPerSectorField(lba0), SectorSizeSource::NtfsBootSector};
    if (isFatBootSector(lba0)) return {bytesPerSectorField(lba0), SectorSizeSource::FatBootSector};

    for (const std::uint32_t size : kSectorSizes) {
        Block header{};
        if (readBlock(read, imageBytes, size, header) && isGptHeaderAtLba1(header)) {
            return {size, SectorSizeSource::GptHeader};
        }
    }

    if (hasSignature(lba0)) {
        if (const auto fromTable = sizeFromTable(read, imageBytes, lba0)) return *fromTable;
    }
    return {};
}

SectorSizeFinding imageSectorSize(SectorDevice& image, std::uint32_t given) {
    if (given != 0) return {given, SectorSizeSource::Given};
    // A device given as an image (a loop device, a disk named by its path) knows its own.
    if (const std::uint32_t reported = image.reportedSectorSize(); reported != 0) {
        return {reported, SectorSizeSource::Device};
    }
    const ImageByteReader read = [&image](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        return image.readAt(byteOffset, buffer).byteCount;
    };
    return detectImageSectorSize(read, image.byteSize());
}

}  // namespace quenzar::platform
