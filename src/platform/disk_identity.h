// What the operating system can tell about a disk or a drive letter beyond its sectors: the disk's
// geometry, its ATA IDENTIFY DEVICE data and the route by which that data arrived, the kind of
// media, and how the volumes on it come to have drive letters.
//
// The answers come through DiskSystem::identify (platform/disk_system.h). Each source answers in
// its own way: Windows with DeviceIoControl requests, Linux from sysfs, block-device requests and
// SG_IO, disk images from an IMAGE.identify file beside the image. The inventory above turns the
// answers into its records and texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/image_sector_size.h"

namespace quenzar::platform {

class DiskSystem;

// 512 bytes of ATA IDENTIFY DEVICE data: 256 little-endian words.
using IdentifyBlock = std::array<std::uint8_t, 512>;

// The kind of media a disk or a drive letter reports.
enum class MediaKind {
    Other,      // neither of the two below (or nothing answered)
    Fixed,      // a fixed hard disk
    Removable,  // removable media: flash cards, flash disks
};

// How the identify data of a fixed disk arrived; each route has its connection text.
enum class ConnectionRoute {
    None,           // no identify attempt (removable media, other media)
    InternalAta,    // the disk answered IDENTIFY on its own channel (SMART request, SG_IO)
    BridgeSat,      // USB bridges, by the vendor command that answered
    BridgeSunplus,
    BridgeIoData,
    BridgeLogitec,
    BridgeJmicron,
    BridgeCypress,
    NotRecognized,  // a fixed disk that answered no identify route
};

// How the volumes of a disk get drive letters.
enum class LetterSource {
    System,            // the operating system's own letters (Windows); identify(letter) tells
    ImageWindows,      // the inventory gives letters to the image's partitions, read as byte ranges
    KernelPartitions,  // the inventory gives letters to the kernel's partition devices (Linux)
};

// A partition device the kernel made for a disk (Linux): "/dev/sda1" with its place on the disk.
struct KernelPartition {
    std::string devicePath;
    std::uint64_t startSector = 0;  // in 512-byte units, as the kernel counts
    std::uint64_t sectorCount = 0;  // in 512-byte units
};

// The answer about one disk ("0".."7") or one drive letter ("C".."Z").
struct DeviceIdentity {
    // Disks: the disk opened and reported its geometry; otherwise it counts as absent.
    // Letters: a removable or fixed drive stands behind the letter.
    bool answered = false;
    MediaKind media = MediaKind::Other;

    // Disks only: the geometry as the system reports it.
    std::uint64_t cylinders = 0;
    std::uint32_t tracksPerCylinder = 0;
    std::uint32_t sectorsPerTrack = 0;
    // The logical sector size: every LBA of the disk counts sectors of this many bytes (512 or
    // 4,096, rarely 1,024 or 2,048), and how it came to be known.
    std::uint32_t bytesPerSector = 0;
    SectorSizeSource sectorSizeSource = SectorSizeSource::Device;
    // The disk's exact size in sectors where the source knows it (images, Linux block devices);
    // 0 where only the geometry tells (Windows).
    std::uint64_t exactSectorCount = 0;
    ConnectionRoute route = ConnectionRoute::None;
    LetterSource letters = LetterSource::System;
    std::vector<KernelPartition> kernelPartitions;  // LetterSource::KernelPartitions only

    // Disks and fixed drive letters: IDENTIFY DEVICE data when some route delivered it.
    std::optional<IdentifyBlock> identifyData;
};

// The geometry a whole disk of this many sectors is reported with when the system has no real
// one (disk images, Linux block devices): 255 tracks of 63 sectors, as Windows reports its disks,
// so cylinder/head/sector arithmetic elsewhere sees the same numbers on every source.
inline constexpr std::uint32_t kReportedTracksPerCylinder = 255;
inline constexpr std::uint32_t kReportedSectorsPerTrack = 63;
DeviceIdentity fixedDiskIdentity(std::uint64_t byteCount, std::uint32_t bytesPerSector);

// A disk image file as a disk: a fixed disk of the image's exact size in sectors of the size it
// holds (platform/image_sector_size.h) or of givenSectorSize when that is not 0; its partitions get
// drive letters from the inventory; IMAGE.identify beside it (the image's path with ".identify"
// added), when it holds exactly 512 bytes, is its IDENTIFY DEVICE data. Nothing answered when the
// image cannot be opened.
DeviceIdentity identifyImageFile(const std::string& path, std::uint32_t givenSectorSize);

// ---- The identify requests, as bytes, shared by every source that sends them ----

// The 32-byte SENDCMDINPARAMS of SMART_RCV_DRIVE_DATA (0x7C088): buffer size 512, features 0,
// sector count 1, sector number 1, cylinder low and high 0, drive/head A0h, command ECh (IDENTIFY
// DEVICE), drive number 0, the reserved bytes zero. The answer is 528 bytes: a 16-byte header,
// then the 512 identify bytes.
inline constexpr std::uint32_t kSmartRcvDriveData = 0x7C088;
inline constexpr std::size_t kSmartAnswerHeaderBytes = 16;
inline constexpr std::size_t kSmartAnswerBytes = kSmartAnswerHeaderBytes + 512;
inline constexpr std::array<std::uint8_t, 32> kSmartIdentifyRequest = {
    0x00, 0x02, 0x00, 0x00,                          // cBufferSize = 512
    0x00, 0x01, 0x01, 0x00, 0x00, 0xA0, 0xEC, 0x00,  // IDEREGS: features, count, number, cyl low,
                                                     // cyl high, drive/head, command, reserved
    0x00,                                            // bDriveNumber
    0x00, 0x00, 0x00,                                // bReserved
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // dwReserved[4]
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

// The vendor commands that make USB-to-ATA bridges pass IDENTIFY DEVICE to the disk, in the
// order they are tried; CDB bytes not listed are zero.
struct BridgeIdentifyCommand {
    ConnectionRoute route;
    std::uint8_t cdbLength;
    std::array<std::uint8_t, 16> cdb;
};
inline constexpr std::array<BridgeIdentifyCommand, 6> kBridgeIdentifyCommands = {{
    {ConnectionRoute::BridgeSat, 12, {0xA1, 0x08, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xEC}},
    {ConnectionRoute::BridgeSunplus, 12,
     {0xF8, 0x00, 0x22, 0x10, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xEC}},
    {ConnectionRoute::BridgeIoData, 12, {0xE3, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0xA0, 0xEC}},
    {ConnectionRoute::BridgeLogitec, 10, {0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA0, 0xEC, 0x4C}},
    {ConnectionRoute::BridgeJmicron, 12,
     {0xDF, 0x10, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xEC}},
    // The Cypress command carries the ATA command in byte 12, so it goes out as a 16-byte CDB: a
    // 12-byte one would drop the IDENTIFY command itself.
    {ConnectionRoute::BridgeCypress, 16,
     {0x24, 0x24, 0x00, 0xBE, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xEC}},
}};

// The IOCTL_SCSI_PASS_THROUGH (0x4D004) buffer of one bridge command: the SCSI_PASS_THROUGH
// header, the 24 sense bytes after it, the 512 data bytes from offset 80; 592 bytes in all. The
// header is 44 bytes in a 32-bit program and 56 in a 64-bit one (its DataBufferOffset is
// pointer-sized), so the sense bytes start at 48 or at 56; the data offset is 80 in both.
inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;
inline constexpr std::size_t kPassThroughSenseBytes = 24;
inline constexpr std::size_t kPassThroughDataOffset = 80;
inline constexpr std::size_t kPassThroughBufferBytes = kPassThroughDataOffset + 512;  // 592
inline constexpr std::uint32_t kPassThroughTimeoutSeconds = 2;
struct PassThroughLayout {
    std::size_t headerBytes;       // SCSI_PASS_THROUGH's Length
    std::size_t senseOffset;
    std::size_t transferLengthAt;  // where DataTransferLength, TimeOutValue, DataBufferOffset,
    std::size_t timeoutAt;         // SenseInfoOffset and Cdb lie in the header
    std::size_t dataOffsetAt;
    std::size_t dataOffsetBytes;
    std::size_t senseOffsetAt;
    std::size_t cdbAt;
};
constexpr PassThroughLayout passThroughLayout(std::size_t pointerBytes) {
    return pointerBytes == 8 ? PassThroughLayout{56, 56, 12, 16, 24, 8, 32, 36}
                             : PassThroughLayout{44, 48, 12, 16, 20, 4, 24, 28};
}
// The whole request buffer for one bridge command in the given layout.
std::array<std::uint8_t, kPassThroughBufferBytes> passThroughRequest(const BridgeIdentifyCommand& command,
                                                                     const PassThroughLayout& layout);

// ---- Answers of the running system (one implementation per platform) ----

// The identification every DiskSystem gives unless it answers otherwise: Windows devices through
// DeviceIoControl and GetDriveTypeA, Linux block devices through sysfs, ioctl and SG_IO.
DeviceIdentity identifySystemDevice(const DiskSystem& disks, char name);

// The folders whose disks must never be hidden: the operating system's own folder (the Windows
// folder, "/" elsewhere) and the program's current folder.
struct ProtectedFolders {
    std::string systemFolder;
    std::string programFolder;
};
ProtectedFolders protectedFolders();

// The disks among "0".."7" that hold a folder, found through the system (Linux: the block device
// behind the folder and the devices under it). An empty list: none of them holds it (as for disk
// images); nothing: the system could not tell. Windows folders are resolved through the
// inventory's drive letters instead, which is why Windows answers nothing here.
std::optional<std::vector<char>> disksHoldingFolder(const DiskSystem& disks, const std::string& folder);

// How much of a source a folder that is written into must stay off.
enum class SourceExtent {
    Volume,  // the source volume itself: other volumes of its disk may be written
    Disk,    // the whole disk: the source device, every partition of it, the disk a source
             // partition lies on, the devices under it, an image and what it holds
};

// Whether writing into a folder (one that exists, or one yet to be made below the nearest folder
// that exists) could change the sectors of a source: a disk or volume device, or a disk image.
// A restore into such a folder would overwrite what it recovers. Any path to the same place
// counts (links, other names of the device, a loop device or a mount of the image). The image
// itself is never a folder to write into; a folder beside it is fine. False when the system
// cannot tell (a folder on a network share, a device that is not found).
bool folderReachesSource(const std::string& sourcePath, const std::filesystem::path& folder, SourceExtent extent);

// The running system's part of folderReachesSource, for a folder that exists (one
// implementation per platform): Linux from the folder's device and mount, sysfs and the loop
// devices' backing files; Windows from the disk extents of the folder's volume.
bool systemFolderReachesSource(const std::string& sourcePath, const std::filesystem::path& existingFolder,
                               SourceExtent extent);

// Starts a command line of the system without waiting for it (restart and shutdown). Returns
// whether the process could be started.
bool startSystemCommand(const std::string& commandLine);

// The system's command lines that restart and turn off the computer at once, without asking.
std::string restartCommandLine();
std::string shutDownCommandLine();

#ifdef __linux__
// The Linux identification of one block device, with sysfs read below sysfsRoot (normally
// "/sys").
DeviceIdentity identifyLinuxDevice(const std::string& devicePath, const std::string& sysfsRoot);

// What sysfs tells about a whole disk ("sda"): removable media, whether it hangs on a USB bus
// (its IDENTIFY data then came through a SAT bridge), and the kernel's partitions in partition
// number order. Read below sysfsRoot so that it can be tried on a copy of a sysfs tree.
struct LinuxSysfsFacts {
    bool removable = false;
    bool onUsb = false;
    std::vector<KernelPartition> kernelPartitions;
};
LinuxSysfsFacts readLinuxSysfsFacts(const std::string& sysfsRoot, const std::string& diskName);

// The places whose bytes a write may reach: block devices by number (dev_t) and files by device
// and inode number (the backing files of loop devices, the image of a FUSE mount).
struct LinuxStoragePlaces {
    std::set<std::uint64_t> devices;
    std::set<std::pair<std::uint64_t, std::uint64_t>> files;
    bool resolved = false;  // some device was found in sysfs

    bool meets(const LinuxStoragePlaces& other) const;
};

// Adds the places under one block device, read below sysfsRoot: the device itself; with `extent`
// Disk also the whole disk of a partition; the devices under a device-mapper or RAID device
// ("slaves"); the backing file of a loop device, and with `throughFiles` also the places under the
// file system that holds that file (a write into the loop device's file system writes there).
void addLinuxDevicePlaces(const std::string& sysfsRoot, std::uint64_t device, SourceExtent extent, bool throughFiles,
                          LinuxStoragePlaces& places);

// Adds every place a write into an existing folder may reach: the device of its file system and
// the source of its mount (FUSE and btrfs mounts have a device number of their own), with all
// under them as addLinuxDevicePlaces(Disk, throughFiles) finds it.
void addLinuxFolderPlaces(const std::string& sysfsRoot, const std::filesystem::path& folder,
                          LinuxStoragePlaces& places);
#endif

}  // namespace quenzar::platform
