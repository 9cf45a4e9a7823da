// The sectors of each device found unreadable during this run of the program.
//
// A failed read of a failing drive takes about a second, and the program opens its device anew
// for every operation, so what one read learnt would be paid for again by the next: the restore
// of a second file that shares a bad sector, the analysis after a scan. Each device keeps here
// the bytes that never arrived (sectors found bad, and the inside of a bad area given up) for the
// whole run; the reads of disk/sector_access.h never ask for them again and report them missing,
// as zeros, as if they had failed once more.
//
// A map belongs to a device of a disk system: the disk system is the program's view of its disks
// for the run, so two disk systems over the same image (a test's intact and failing copies) keep
// apart, and a volume that is a range of a disk shares the disk's map.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/disk_system.h"

namespace quenzar::disk {

// Byte ranges of one device, safe to use from several threads (the analysis reads the MFT on a
// thread of its own while another reads the records).
class BadSectorMap {
public:
    struct Range {
        std::uint64_t firstByte = 0;
        std::uint64_t endByte = 0;
        bool operator==(const Range&) const = default;
    };

    // Adds [firstByte, endByte); ranges that overlap or touch become one.
    void add(std::uint64_t firstByte, std::uint64_t endByte);

    // The first bad byte of [firstByte, endByte), or endByte when none of them is bad.
    std::uint64_t firstBadIn(std::uint64_t firstByte, std::uint64_t endByte) const;

    // Where the bad range that holds the byte ends; the byte itself when it is not bad.
    std::uint64_t badEndFrom(std::uint64_t byte) const;

    // Where the bad range that ends just before the byte (holds byte - 1) begins; the byte itself
    // when the byte before it is not bad. A read that begins there begins inside a bad area.
    std::uint64_t badStartBefore(std::uint64_t byte) const;

    std::vector<Range> ranges() const;

private:
    mutable std::mutex mutex_;
    std::map<std::uint64_t, std::uint64_t> ends_;  // first byte -> end byte; apart, in order
};

// The map of one device of a disk system (its path: an image, "/dev/sdb", "\\.\PhysicalDrive1"),
// made at its first use and kept while the disk system is.
std::shared_ptr<BadSectorMap> badSectorMapOf(const platform::DiskSystem& disks, const std::string& devicePath);

// Drops the maps of a disk system that goes away: a disk system made later at the same place of
// memory has devices of its own.
void forgetBadSectors(const platform::DiskSystem& disks);

}  // namespace quenzar::disk
