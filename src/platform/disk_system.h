// Which disks and volumes the program can open, and where they come from.
//
// Disks are named by one character "0".."7" and volumes by a drive letter "C".."Z". Behind the
// names stand either the machine's own devices (Windows raw devices, Linux block devices) or disk
// images attached by the user; everything above this layer sees no difference.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/disk_identity.h"
#include "platform/sector_device.h"

namespace quenzar::platform {

inline constexpr int kMaxDisks = 8;

// Where the volume of a drive letter lies: either a device of its own (a Linux partition such as
// "/dev/sda1") or a byte range of one of the disks (a partition of an attached image).
struct VolumeSource {
    std::string devicePath;          // used when not empty
    char diskNumber = 0;             // otherwise: the disk that holds the volume ...
    std::uint64_t startByte = 0;     // ... the volume's first byte on it ...
    std::uint64_t byteCount = 0;     // ... and its length (0: up to the end of the disk)
};

class DiskSystem {
public:
    virtual ~DiskSystem() = default;

    // A short description of where disks come from, for people ("disk images", "Linux block devices").
    virtual std::string sourceKind() const = 0;

    // The path behind a disk number, empty when that disk does not exist.
    virtual std::string diskPath(char diskNumber) const = 0;

    // Opens a whole disk; null when it is absent or cannot be opened in that mode.
    virtual std::unique_ptr<SectorDevice> openDisk(char diskNumber, AccessMode mode);

    // Opens the volume of a drive letter; null when the letter is unknown or cannot be opened.
    virtual std::unique_ptr<SectorDevice> openVolume(char driveLetter, AccessMode mode);

    // What the system tells about a disk ("0".."7") or a drive letter ("C".."Z") beyond its
    // sectors: geometry, identify data, media kind, connection route (platform/disk_identity.h).
    // Unless a source answers otherwise, the running system's devices are asked.
    virtual DeviceIdentity identify(char name) const { return identifySystemDevice(*this, name); }

    // The logical sector size of a disk, in which its LBAs count: identify(diskNumber)'s
    // bytesPerSector, asked more cheaply where a source can (a device's own report); 512 when the
    // disk tells none (an absent disk).
    virtual std::uint32_t sectorSize(char diskNumber) const;

    // Whether a folder (a path of the machine's file systems, existing or yet to be made) lies on
    // the volume of a drive letter, so that restoring into it would write on what is being read.
    // A letter with a device of its own (a Linux partition) counts as that volume; a letter that
    // is a range of a disk (a partition of an attached image) counts as its whole disk, as in
    // diskHoldsFolder. An unknown letter holds nothing.
    virtual bool holdsFolder(char driveLetter, const std::filesystem::path& folder) const;

    // Whether writing into a folder could change the disk of a number: the disk's device, any
    // partition of it and anything stored on it, or, for an image, the image file and the loop
    // devices and mounts made of it (platform/disk_identity.h, folderReachesSource).
    bool diskHoldsFolder(char diskNumber, const std::filesystem::path& folder) const;

    // Gives a drive letter to a volume; the inventory does this as it matches partitions.
    void assignVolume(char driveLetter, VolumeSource source);
    void clearVolumes() { volumes_.clear(); }
    const std::map<char, VolumeSource>& volumes() const { return volumes_; }

private:
    std::map<char, VolumeSource> volumes_;
};

// The sector size the person gave for every disk image (salvage --sector-size), 0 when each
// image's content decides. One setting for the process, set before any disk is opened; every
// ImageDiskSystem made afterwards takes it unless told otherwise.
void setGivenImageSectorSize(std::uint32_t bytesPerSector);
std::uint32_t givenImageSectorSize();

// Disk images attached by the user: image i is disk i.
class ImageDiskSystem final : public DiskSystem {
public:
    // bytesPerSector: 0 decides each image's sector size from its content, 512 or 4,096 takes
    // every image as a disk of such sectors.
    explicit ImageDiskSystem(std::vector<std::string> imagePaths,
                             std::uint32_t bytesPerSector = givenImageSectorSize());
    std::string sourceKind() const override { return "disk images"; }
    std::string diskPath(char diskNumber) const override;
    const std::vector<std::string>& imagePaths() const { return imagePaths_; }
    std::uint32_t givenSectorSize() const { return givenSectorSize_; }
    void setGivenSectorSize(std::uint32_t bytesPerSector) { givenSectorSize_ = bytesPerSector; }

    // An image is a fixed disk (identifyImageFile in platform/disk_identity.h). Its partitions get
    // drive letters from the inventory; no other letter exists.
    DeviceIdentity identify(char name) const override;

private:
    std::vector<std::string> imagePaths_;
    std::uint32_t givenSectorSize_ = 0;
};

// The logical sector size a device reports, without the rest of its identification (no
// identify request that a slow bridge could keep waiting); 512 when it cannot be opened or tells
// none. What the machine's own disk systems answer for sectorSize.
std::uint32_t deviceSectorSize(const std::string& devicePath);

// Splits the list of QUENZAR_DISK_IMAGES: paths separated by ";", empty items skipped, at most
// eight kept.
std::vector<std::string> splitImageList(const std::string& list);

// The machine's own disks (Windows raw devices or Linux block devices).
std::unique_ptr<DiskSystem> makeSystemDiskSystem();

// Attached images when QUENZAR_DISK_IMAGES is set, else the machine's own disks.
std::unique_ptr<DiskSystem> makeDiskSystemFromEnvironment();

}  // namespace quenzar::platform
