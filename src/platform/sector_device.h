// One opened disk, volume or disk image: the only way the program touches sectors.
//
// Every source (a Windows device, a Linux block device, an image file) is reached through this
// interface, so the rules of sector access above it are written once and tested on images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quenzar::platform {

enum class AccessMode { ReadOnly, ReadWrite };

// What a transfer achieved. `byteCount` counts the bytes that really arrived (or were written),
// from the start of the request; a short count means the rest failed or lay beyond the end.
struct TransferResult {
    std::size_t byteCount = 0;
    bool complete = false;  // every requested byte was transferred
};

// An open source of sectors. Closing happens when the object is destroyed, so no handle outlives
// the operation that opened it.
class SectorDevice {
public:
    virtual ~SectorDevice() = default;

    // Reads at a 64-bit byte offset. Bytes that do not arrive are left as the caller had them.
    virtual TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) = 0;

    // Writes at a 64-bit byte offset; fails on a device opened read-only.
    virtual TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) = 0;

    // Size in bytes as the system reports it, 0 when unknown.
    virtual std::uint64_t byteSize() const = 0;

    // The logical sector size a device reports (a block device, a Windows disk or volume); 0 for a
    // file, whose sector size only its content can tell (platform/image_sector_size.h).
    virtual std::uint32_t reportedSectorSize() const { return 0; }
};

// Opens a file or device by its path (UTF-8). Returns null when it cannot be opened in that mode,
// and when it is neither a regular file nor a disk device: a FIFO, a socket, a character device
// or a folder holds no sectors, and reading a FIFO would wait for a writer that never comes.
std::unique_ptr<SectorDevice> openFileDevice(const std::string& path, AccessMode mode);

// What a path names, as a source of sectors: nothing, something sectors can be read from (a
// regular file, a block device; on Windows a file or a disk or volume device), or something else.
enum class SourceKind { Missing, Disk, NotADisk };
SourceKind sourceKindOf(const std::string& path);

}  // namespace quenzar::platform
