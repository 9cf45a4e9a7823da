// The logical sector size of a disk image, decided from what the image holds.
//
// A device reports its sector size; an image file is only bytes, so its size has to be read from
// the structures on it, which are laid out in sectors of the disk they were written on: a GPT
// header lies at LBA 1, a volume's boot sector names its bytes per sector, and partition entries
// count in sectors. Images that tell nothing are taken as 512-byte disks, as every image was
// before 4,096-byte disks were read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace quenzar::platform {

class SectorDevice;

// How the sector size of a disk came to be known.
enum class SectorSizeSource {
    Device,          // the device reported it (a Windows disk, a Linux block device)
    Given,           // the person gave it for every image (salvage --sector-size)
    GptHeader,       // "EFI PART" at LBA 1 of that sector size
    NtfsBootSector,  // an NTFS boot sector at LBA 0 names it at offset 0Bh
    FatBootSector,   // a FAT boot sector at LBA 0 names it at offset 0Bh
    PartitionTable,  // the partition table's entries only make sense in sectors of that size
    Default,         // nothing in the image tells: 512
};

struct SectorSizeFinding {
    std::uint32_t bytesPerSector = 512;
    SectorSizeSource source = SectorSizeSource::Default;
};

// The sector sizes a disk may have; the GPT header and the boot sectors are looked for in these.
inline constexpr std::uint32_t kSectorSizes[] = {512, 1024, 2048, 4096};
bool isKnownSectorSize(std::uint64_t bytesPerSector);

// The sizes a person may give for images: the two that disks are built with.
bool isGivableSectorSize(std::uint64_t bytesPerSector);

// Reads bytes of the image at a byte offset into the buffer; returns how many arrived (bytes that
// do not arrive are left zero by the caller's buffer).
using ImageByteReader = std::function<std::size_t(std::uint64_t byteOffset, std::span<std::uint8_t> buffer)>;

// Decides the sector size of an image of imageBytes bytes from its content, in this order:
//   - an NTFS or FAT boot sector at LBA 0 (the disk is one volume): its bytes-per-sector field
//     when that is 512, 1,024, 2,048 or 4,096;
//   - a GPT header ("EFI PART") at byte 512, 1,024, 2,048 or 4,096: LBA 1 of that sector size;
//   - a partition table at LBA 0 (55AAh) whose entries point at a boot sector or a GPT header
//     only when counted in 4,096-byte sectors, or, where no entry points at anything, whose
//     entries end near the image's end in 4,096-byte sectors and at a small part of it in
//     512-byte ones (the volumes' own sectors being damaged or unformatted): 4,096;
//   - otherwise 512.
// A table whose entries point at a volume in 512-byte sectors stays 512, so a disk with much
// unpartitioned space is never taken for one of larger sectors.
SectorSizeFinding detectImageSectorSize(const ImageByteReader& read, std::uint64_t imageBytes);

// The sector size of an opened image: `given` when not 0 (the person's choice wins), else the
// size the device reports when the image is a device, else detectImageSectorSize.
SectorSizeFinding imageSectorSize(SectorDevice& image, std::uint32_t given);

}  // namespace quenzar::platform
