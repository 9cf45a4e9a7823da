// salvage probe: what the disk layer sees on every disk, before any file system is looked at.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/terminal.h"
#include "disk/sector_access.h"
#include "platform/little_endian.h"

namespace quenzar::cli {
namespace {

using platform::le32;

// Describes LBA 0 as a person would first look at it: a partition table, a volume boot sector,
// or nothing recognisable.
void describeFirstSector(const std::array<std::uint8_t, 512>& lba0) {
    if (lba0[510] != 0x55 || lba0[511] != 0xAA) {
        std::printf("  LBA 0: no boot record signature (55AA)\n");
        return;
    }
    if (std::memcmp(lba0.data() + 3, "NTFS", 4) == 0) {
        std::printf("  LBA 0: NTFS boot sector (the disk is one volume, no partition table)\n");
        return;
    }
    std::printf("  LBA 0: boot record with signature 55AA; primary entries:\n");
    bool anyEntry = false;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* entry = lba0.data() + 0x1BE + 16 * i;
        if (entry[4] == 0) continue;
        anyEntry = true;
        std::printf("    %d: type %02Xh  start LBA %u  sectors %u%s\n", i + 1, entry[4], le32(entry + 8),
                    le32(entry + 12), entry[4] == 0xEE ? "  (GPT protective entry)" : "");
    }
    if (!anyEntry) std::printf("    none\n");
}

// How the sector size of a disk was decided, after its sector count: the device's report, or for
// an image what it holds or the person's --sector-size.
std::string sectorSizeReason(const platform::DeviceIdentity& identity) {
    const std::string size = std::to_string(identity.bytesPerSector);
    const std::string sized = " (" + size + "-byte sectors: ";
    switch (identity.sectorSizeSource) {
        case platform::SectorSizeSource::Device: return " (as the device reports)";
        case platform::SectorSizeSource::Given: return " (--sector-size)";
        case platform::SectorSizeSource::GptHeader: return sized + "GPT header at byte " + size + ")";
        case platform::SectorSizeSource::NtfsBootSector: return sized + "the NTFS boot sector at LBA 0 says so)";
        case platform::SectorSizeSource::FatBootSector: return sized + "the FAT boot sector at LBA 0 says so)";
        case platform::SectorSizeSource::PartitionTable:
            return sized + "the partition table's entries count in them)";
        case platform::SectorSizeSource::Default: return sized + "nothing in the image tells otherwise)";
    }
    return "";
}

}  // namespace

int runProbe(platform::DiskSystem& disks, const Arguments& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "salvage probe: takes no arguments\n");
        return kExitUsage;
    }
    disk::SectorMaskTable masks;
    std::printf("Disks seen through %s:\n", disks.sourceKind().c_str());
    int diskCount = 0;
    for (char diskNumber = '0'; diskNumber < '0' + platform::kMaxDisks; ++diskNumber) {
        const std::string path = disks.diskPath(diskNumber);
        if (path.empty()) continue;
        ++diskCount;
        std::printf("Disk %c  %s\n", diskNumber, terminalSafe(path).c_str());
        const auto device = disks.openDisk(diskNumber, platform::AccessMode::ReadOnly);
        if (!device) {
            std::printf("  cannot be opened for reading\n");
            continue;
        }
        const std::uint64_t byteCount = device->byteSize();
        // Sectors of the disk's own size: every LBA below and in the other commands counts them.
        const platform::DeviceIdentity identity = disks.identify(diskNumber);
        const std::uint32_t sectorBytes = identity.bytesPerSector != 0 ? identity.bytesPerSector : 512;
        std::printf("  %llu sectors of %u bytes (%llu bytes)%s\n",
                    static_cast<unsigned long long>(byteCount / sectorBytes), sectorBytes,
                    static_cast<unsigned long long>(byteCount),
                    identity.bytesPerSector != 0 ? sectorSizeReason(identity).c_str() : "");

        std::array<std::uint8_t, 512> lba0{};
        if (disk::readDiskBytes(disks, masks, diskNumber, 0, lba0) < lba0.size()) {
            std::printf("  LBA 0 cannot be read\n");
            continue;
        }
        describeFirstSector(lba0);
        if (disk::loadSectorMask(disks, masks, diskNumber)) {
            std::printf("  LBA 57: sector mask present (data from LBA 63 on is unmasked when read)\n");
        } else {
            std::printf("  LBA 57: no sector mask\n");
        }
    }
    if (diskCount == 0) {
        std::printf("No disks.\n");
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace quenzar::cli
