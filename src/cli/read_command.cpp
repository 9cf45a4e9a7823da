// salvage read: sectors of a disk, unmasked by the same rule as every reader of the program.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "cli/commands.h"
#include "cli/number_arguments.h"
#include "disk/sector_access.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace quenzar::cli {
namespace {

// Reads are done in pieces of this many bytes, so any length can be copied out.
constexpr std::uint64_t kPieceBytes = 4u * 1024 * 1024;

void writeHexDump(std::uint64_t firstByte, const std::vector<std::uint8_t>& data) {
    for (std::size_t line = 0; line < data.size(); line += 16) {
        std::printf("%012llX ", static_cast<unsigned long long>(firstByte + line));
        for (std::size_t i = 0; i < 16; ++i) std::printf(" %02X", data[line + i]);
        std::printf("  ");
        for (std::size_t i = 0; i < 16; ++i) {
            const std::uint8_t c = data[line + i];
            std::putchar(c >= 0x20 && c < 0x7F ? c : '.');
        }
        std::putchar('\n');
    }
}

// The disk's size in its sectors, 0 when the system does not tell it.
std::uint64_t diskSectorCount(platform::DiskSystem& disks, char diskNumber, std::uint32_t sectorBytes) {
    const std::unique_ptr<platform::SectorDevice> device = disks.openDisk(diskNumber, platform::AccessMode::ReadOnly);
    return device != nullptr ? device->byteSize() / sectorBytes : 0;
}

}  // namespace

int runRead(platform::DiskSystem& disks, const Arguments& args) {
    std::vector<std::string> positional;
    bool hex = false;
    disk::Unmask unmask = disk::Unmask::ByGapRule;
    bool retriesRefused = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--hex") {
            hex = true;
        } else if (arg == "--no-unmask") {
            unmask = disk::Unmask::Never;
        } else if (arg == "--retries") {
            // How many more times a sector that does not read is read (0 to 99).
            const auto retries = i + 1 < args.size() ? parseUnsigned(args[++i]) : std::nullopt;
            if (!retries || *retries > static_cast<std::uint64_t>(disk::kMaxReadRetries)) {
                retriesRefused = true;
            } else {
                disk::setReadRetries(static_cast<int>(*retries));
            }
        } else {
            positional.push_back(arg);
        }
    }
    const auto diskNumber = positional.size() >= 2 ? parseDiskNumber(positional[0]) : std::nullopt;
    const auto lba = positional.size() >= 2 ? parseUnsigned(positional[1]) : std::nullopt;
    const auto count = positional.size() >= 3 ? parseUnsigned(positional[2]) : std::optional<std::uint64_t>(1);
    if (!diskNumber || !lba || !count || *count == 0 || positional.size() > 3 || retriesRefused) {
        std::fprintf(stderr, "usage: salvage read DISK LBA [COUNT] [--hex] [--no-unmask] [--retries N]\n");
        return kExitUsage;
    }
    if (disks.diskPath(*diskNumber).empty()) {
        std::fprintf(stderr, "salvage read: there is no disk %c\n", *diskNumber);
        return kExitFailed;
    }
    // LBA and COUNT count the disk's own sectors (512 or 4,096 bytes).
    const std::uint32_t sectorBytes = disks.sectorSize(*diskNumber);
    // An LBA whose byte offset does not fit 64 bits names no sector of any disk.
    if (*lba >= UINT64_MAX / sectorBytes) {
        std::fprintf(stderr, "usage: salvage read DISK LBA [COUNT] [--hex] [--no-unmask] [--retries N]\n");
        return kExitUsage;
    }

#ifdef _WIN32
    if (!hex) _setmode(_fileno(stdout), _O_BINARY);  // raw sectors must not get CR LF translation
#endif
    // A range beyond the disk's end would read nothing but zeros for as long as it is asked to:
    // it is refused before anything is written, with the disk's size to choose another.
    const std::uint64_t diskSectors = diskSectorCount(disks, *diskNumber, sectorBytes);
    if (diskSectors != 0 && (*lba >= diskSectors || *count > diskSectors - *lba)) {
        std::fprintf(stderr,
                     "salvage read: LBA %llu to %llu lies beyond the end of disk %c, which holds %llu sectors "
                     "(LBA 0 to %llu)\n",
                     static_cast<unsigned long long>(*lba), static_cast<unsigned long long>(*lba + (*count - 1)),
                     *diskNumber, static_cast<unsigned long long>(diskSectors),
                     static_cast<unsigned long long>(diskSectors - 1));
        return kExitFailed;
    }
    // On a disk of unknown size, a range whose bytes pass 2^64 has no place at all.
    if (*count > UINT64_MAX / sectorBytes - *lba) {
        std::fprintf(stderr, "usage: salvage read DISK LBA [COUNT] [--hex] [--no-unmask] [--retries N]\n");
        return kExitUsage;
    }
    disk::SectorMaskTable masks;
    disk::loadSectorMask(disks, masks, *diskNumber);
    std::uint64_t missingBytes = 0;
    const std::uint64_t sectorsPerPiece = kPieceBytes / sectorBytes;
    for (std::uint64_t done = 0; done < *count;) {
        const std::uint64_t sectors = std::min(sectorsPerPiece, *count - done);
        std::vector<std::uint8_t> data(static_cast<std::size_t>(sectors * sectorBytes));
        const std::uint64_t firstByte = (*lba + done) * sectorBytes;
        const std::size_t arrived = disk::readDiskBytes(disks, masks, *diskNumber, firstByte, data, unmask);
        missingBytes += data.size() - arrived;
        // A disk whose size the system does not tell ends where nothing arrives any more.
        if (diskSectors == 0 && arrived == 0) {
            std::fprintf(stderr, "salvage read: nothing could be read from LBA %llu on: the read ends there\n",
                         static_cast<unsigned long long>(*lba + done));
            return kExitFailed;
        }
        if (hex) {
            writeHexDump(firstByte, data);
        } else {
            std::fwrite(data.data(), 1, data.size(), stdout);
        }
        done += sectors;
    }
    std::fflush(stdout);
    if (missingBytes != 0) {
        std::fprintf(stderr, "salvage read: %llu bytes could not be read and are given as zeros\n",
                     static_cast<unsigned long long>(missingBytes));
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace quenzar::cli
