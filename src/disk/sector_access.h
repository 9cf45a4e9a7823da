// Raw sector access: open a disk or volume, seek, read, write, close.
//
// Every read follows the same order: open, seek, clear the buffer, read, unmask when the start
// lies beyond the partition gap, close. A read that fails leaves zeros where no data arrived and
// says how many bytes did arrive. No device stays open between two operations.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "disk/bad_sector_map.h"
#include "disk/sector_mask.h"
#include "platform/disk_system.h"

namespace quenzar::disk {

// The sector size the viewer, the panels and the recovery compute offsets with.
inline constexpr std::uint32_t kSystemSectorSize = 512;
// The shared sector buffer: one 4 KB sector or eight 512-byte sectors.
inline constexpr std::size_t kSectorBufferSize = 4096;
// Bulk reads (the MFT, directory data) go in pieces of at most 32 MiB.
inline constexpr std::size_t kBulkPieceMaxBytes = 32u * 1024 * 1024;

// A device path and its handle: a whole disk by number, or a volume by drive letter. The device
// closes itself when the handle is destroyed, so every way out of an operation closes it;
// ClosePhysicalDisk is for closing earlier than that.
struct DiskHandle {
    char diskNumber = '0';   // the disk "0".."7" ...
    char driveLetter = 0;    // ... or, when not zero, the volume of this letter
    std::unique_ptr<platform::SectorDevice> device;  // null while no operation runs
    std::uint64_t position = 0;                      // byte offset of the next transfer
    // The sectors of the device found bad so far in this run (disk/bad_sector_map.h), and the
    // byte of that device where the handle's byte 0 lies (a volume's start on its disk).
    std::shared_ptr<BadSectorMap> badSectors;
    std::uint64_t badSectorBase = 0;

    bool isOpen() const { return device != nullptr; }
    static DiskHandle forDisk(char diskNumber) { return DiskHandle{diskNumber, 0, nullptr, 0, nullptr, 0}; }
    static DiskHandle forVolume(char driveLetter) { return DiskHandle{'0', driveLetter, nullptr, 0, nullptr, 0}; }
};

// Opens the disk or volume the handle names. Reading needs only ReadOnly; only hiding and restoring
// a disk open it ReadWrite. Returns false (and leaves the handle closed) when it cannot be opened.
// The handle gets the bad-sector map of what it opens: a volume that is a range of a disk shares
// the disk's.
bool OpenPhysicalDisk(platform::DiskSystem& disks, DiskHandle& handle,
                      platform::AccessMode mode = platform::AccessMode::ReadOnly);

// Positions the handle at LBA x sector size, a full 64-bit product.
void SeekToLba(DiskHandle& handle, std::uint64_t lba, std::uint32_t sectorSize);
void SeekToByte(DiskHandle& handle, std::uint64_t byteOffset);

// Reads the buffer from the current position, which moves on by the bytes read; wherever no data
// arrived the buffer holds zeros, as if it had been cleared before the read.
// Returns how many bytes arrived (0 when the handle is not open).
std::size_t ReadSectors(DiskHandle& handle, std::span<std::uint8_t> buffer);

// How many times a read that fails is read again before it is given up: a failing disk sometimes
// delivers a sector at the second attempt, but every failed attempt costs it about a second. A
// salvaging read gives these retries to single sectors only (a larger part that fails is split at
// once). One setting for the whole process (salvage --retries), read by every reading thread.
inline constexpr int kDefaultReadRetries = 1;
inline constexpr int kMaxReadRetries = 99;
void setReadRetries(int retries);  // clamped to 0..kMaxReadRetries
int readRetries();

// ReadSectors, tried again from the same position while the whole buffer has not arrived,
// readRetries() times at most. Sectors of the handle's bad-sector map are not asked for: the read
// ends before the first of them, as a read that fails there would, with zeros from there on. A
// single sector that never arrives joins the map. Returns the bytes that arrived at the last attempt.
std::size_t readRetrying(DiskHandle& handle, std::span<std::uint8_t> buffer);

// Writes the data unchanged (no mask) at the current position; returns the bytes written.
std::size_t WriteSectors(DiskHandle& handle, std::span<const std::uint8_t> data);

// Closes the device now (the handle can be opened again).
void ClosePhysicalDisk(DiskHandle& handle);

// Whether a read is unmasked by the gap rule or left as read (partition chains, GPT entries).
enum class Unmask { ByGapRule, Never };

// One whole read of a disk: open, seek, clear, read (retried, readRetrying), unmask by the rule,
// close. Returns the bytes that arrived; the buffer holds zeros where none did.
std::size_t readDiskBytes(platform::DiskSystem& disks, const SectorMaskTable& masks, char diskNumber,
                          std::uint64_t byteOffset, std::span<std::uint8_t> buffer,
                          Unmask unmask = Unmask::ByGapRule);

// The same for a volume by drive letter. Volumes are never unmasked: their sectors reach the
// program through the system's own volume device.
std::size_t readVolumeBytes(platform::DiskSystem& disks, char driveLetter, std::uint64_t byteOffset,
                            std::span<std::uint8_t> buffer);

// A part of a bulk read that did not arrive, relative to the start of the read.
struct MissingRange {
    std::uint64_t firstByte = 0;
    std::uint64_t byteCount = 0;
};

struct BulkReadReport {
    std::uint64_t bytesArrived = 0;
    std::vector<MissingRange> missing;  // in order; empty when everything arrived
};

// A long read through an already opened handle that keeps every sector of 512 bytes that can be
// read, paying for each bad sector once in the run:
//   - sectors of the handle's bad-sector map are not asked for again;
//   - each piece of at most pieceMaxBytes is read once; a piece that fails is read again in
//     groups of 8 sectors (one sector of a 4K disk), and a group that fails in halves, down to
//     single sectors, each of which is read alone 1 + readRetries() times before it counts as
//     bad; so a transient error costs no data;
//   - past a few bad sectors in a row the read jumps ahead, as far as the bad area found so far
//     is long (so the jumps double), and reads on beyond the area; at the end it comes back to
//     each stretch it jumped over and reads it from both ends toward the middle, each end up to
//     its first bad sector: the good sectors at the edges of a bad area are kept, and the middle
//     (never asked for) is given up;
//   - sectors found bad and middles given up join the map.
// Sectors that never arrive hold zeros and are reported, relative to the start of the read;
// those beyond the end of the device are reported without being asked for. No unmasking: the
// caller applies the mask rule.
BulkReadReport readSalvaging(DiskHandle& handle, std::uint64_t byteOffset, std::span<std::uint8_t> buffer,
                             std::size_t pieceMaxBytes = kBulkPieceMaxBytes);

}  // namespace quenzar::disk

namespace quenzar::disk {

// Reads LBA 57 of a disk into its mask slot, as every identification of the disk does. A disk
// that cannot be read gets an empty slot (no mask). Returns whether the disk carries a mask.
bool loadSectorMask(platform::DiskSystem& disks, SectorMaskTable& masks, char diskNumber);

}  // namespace quenzar::disk
