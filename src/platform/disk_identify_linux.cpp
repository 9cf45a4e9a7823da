// Identification of Linux block devices: size and logical sector size from the kernel, removable
// media and the kernel's partitions from sysfs, ATA IDENTIFY DEVICE through SG_IO (ATA
// PASS-THROUGH) where the device answers it. Drive letters do not exist on Linux: the inventory
// gives them to the kernel's partition devices.
#include <fcntl.h>
#include <linux/fs.h>
#include <scsi/sg.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/disk_system.h"

extern char** environ;

namespace quenzar::platform {
namespace {

namespace fs = std::filesystem;

// Closes the descriptor when the identification is over, whatever path it takes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string readFirstLine(const fs::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::optional<std::uint64_t> readNumber(const fs::path& path) {
    const std::string text = readFirstLine(path);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoull(text);
}

// IDENTIFY DEVICE through the SCSI layer's ATA PASS-THROUGH (16): PIO data-in, one 512-byte block
// counted in the sector-count field, device A0h, command ECh. Disks that are not ATA (virtio,
// NVMe, many card readers) refuse it.
std::optional<IdentifyBlock> identifyThroughSgIo(int fd) {
    std::uint8_t cdb[16] = {0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0xA0, 0xEC, 0x00};
    IdentifyBlock data{};
    std::uint8_t sense[32] = {};
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.cmd_len = sizeof cdb;
    request.cmdp = cdb;
    request.dxfer_len = data.size();
    request.dxferp = data.data();
    request.mx_sb_len = sizeof sense;
    request.sbp = sense;
    request.timeout = kPassThroughTimeoutSeconds * 1000;
    if (::ioctl(fd, SG_IO, &request) != 0) return std::nullopt;
    if ((request.info & SG_INFO_OK_MASK) != SG_INFO_OK || request.status != 0) return std::nullopt;
    if (request.resid != 0) return std::nullopt;
    if (std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; })) return std::nullopt;
    return data;
}

// "8:1" as sysfs writes a device number into a device's "dev" file.
std::optional<dev_t> readDeviceNumber(const fs::path& path) {
    unsigned int majorNumber = 0, minorNumber = 0;
    if (std::sscanf(readFirstLine(path).c_str(), "%u:%u", &majorNumber, &minorNumber) != 2) return std::nullopt;
    return makedev(majorNumber, minorNumber);
}

// mountinfo writes blanks, tabs, line ends and backslashes of paths as octal escapes ("\040").
std::string unescapeMountField(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// What a mount was made from, from /proc/self/mountinfo: the source of the mount whose mount
// point is the longest prefix of the folder (a canonical path). Needed where the folder's own
// device number is an anonymous one (FUSE, btrfs).
std::string mountSource(const fs::path& folder) {
    std::ifstream mountinfo("/proc/self/mountinfo");
    std::string line;
    std::size_t bestLength = 0;
    std::string bestSource;
    const std::string wanted = folder.string();
    while (std::getline(mountinfo, line)) {
        // fields: id parent major:minor root mountpoint options ... - fstype source superoptions
        std::istringstream fields(line);
        std::string id, parent, numbers, root, mountPoint;
        fields >> id >> parent >> numbers >> root >> mountPoint;
        mountPoint = unescapeMountField(mountPoint);
        const std::size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string fsType, source;
        tail >> fsType >> source;
        const bool covers = wanted == mountPoint ||
                            (wanted.rfind(mountPoint, 0) == 0 &&
                             (mountPoint == "/" || wanted[mountPoint.size()] == '/'));
        if (covers && mountPoint.size() >= bestLength) {
            bestLength = mountPoint.size();
            bestSource = unescapeMountField(source);
        }
    }
    return bestSource;
}

// Device numbers are kept as plain numbers, the same on every build.
std::uint64_t placeOf(dev_t device) { return static_cast<std::uint64_t>(device); }

// A chain of devices and files deeper than this is a loop of the system's, not storage.
constexpr int kMaxPlaceDepth = 16;

void addDevice(const fs::path& sysfsRoot, dev_t device, SourceExtent extent, bool throughFiles,
               LinuxStoragePlaces& places, int depth);
void addFile(const fs::path& sysfsRoot, const fs::path& file, bool throughFiles, LinuxStoragePlaces& places,
             int depth);

// What a write into an existing folder reaches: the device of its file system and what its mount
// was made from, with everything under them.
void addFolder(const fs::path& sysfsRoot, const fs::path& folder, LinuxStoragePlaces& places, int depth) {
    struct stat info {};
    if (depth > kMaxPlaceDepth || ::stat(folder.c_str(), &info) != 0) return;
    addDevice(sysfsRoot, info.st_dev, SourceExtent::Disk, true, places, depth + 1);
    std::error_code error;
    const fs::path where = fs::canonical(folder, error);
    if (error) return;
    const std::string source = mountSource(where);
    struct stat sourceInfo {};
    if (source.empty() || source[0] != '/' || ::stat(source.c_str(), &sourceInfo) != 0) return;
    if (S_ISBLK(sourceInfo.st_mode)) addDevice(sysfsRoot, sourceInfo.st_rdev, SourceExtent::Disk, true, places, depth + 1);
    // A FUSE mount of an image file writes into that file.
    if (S_ISREG(sourceInfo.st_mode)) addFile(sysfsRoot, source, true, places, depth + 1);
}

// A file and, with throughFiles, what a write into it reaches through the file system holding it.
void addFile(const fs::path& sysfsRoot, const fs::path& file, bool throughFiles, LinuxStoragePlaces& places,
             int depth) {
    struct stat info {};
    if (depth > kMaxPlaceDepth || ::stat(file.c_str(), &info) != 0) return;
    places.files.insert({placeOf(info.st_dev), static_cast<std::uint64_t>(info.st_ino)});
    if (!throughFiles) return;
    std::error_code error;
    const fs::path where = fs::canonical(file, error);
    if (!error) addFolder(sysfsRoot, where.parent_path(), places, depth + 1);
}

void addDevice(const fs::path& sysfsRoot, dev_t device, SourceExtent extent, bool throughFiles,
               LinuxStoragePlaces& places, int depth) {
    if (depth > kMaxPlaceDepth) return;
    places.devices.insert(placeOf(device));
    std::error_code error;
    const fs::path entry = fs::canonical(
        sysfsRoot / "dev" / "block" / (std::to_string(major(device)) + ":" + std::to_string(minor(device))), error);
    if (error) return;
    places.resolved = true;
    // A partition's disk holds what the partition holds; its own slaves and loop file are the disk's.
    fs::path disk = entry;
    if (fs::exists(entry / "partition", error)) {
        disk = entry.parent_path();
        if (extent == SourceExtent::Disk) {
            if (const auto number = readDeviceNumber(disk / "dev")) places.devices.insert(placeOf(*number));
        }
    }
    for (const auto& slave : fs::directory_iterator(disk / "slaves", error)) {
        if (const auto number = readDeviceNumber(slave.path() / "dev")) {
            addDevice(sysfsRoot, *number, extent, throughFiles, places, depth + 1);
        }
    }
    std::string backingFile = readFirstLine(disk / "loop" / "backing_file");
    if (backingFile.ends_with(" (deleted)")) backingFile.clear();  // a file gone has no name any more
    if (!backingFile.empty()) addFile(sysfsRoot, backingFile, throughFiles, places, depth + 1);
}

}  // namespace

bool LinuxStoragePlaces::meets(const LinuxStoragePlaces& other) const {
    const auto shares = [](const auto& one, const auto& two) {
        return std::any_of(one.begin(), one.end(), [&](const auto& place) { return two.contains(place); });
    };
    return shares(devices, other.devices) || shares(files, other.files);
}

void addLinuxDevicePlaces(const std::string& sysfsRoot, std::uint64_t device, SourceExtent extent, bool throughFiles,
                          LinuxStoragePlaces& places) {
    addDevice(sysfsRoot, static_cast<dev_t>(device), extent, throughFiles, places, 0);
}

void addLinuxFolderPlaces(const std::string& sysfsRoot, const fs::path& folder, LinuxStoragePlaces& places) {
    addFolder(sysfsRoot, folder, places, 0);
}

bool systemFolderReachesSource(const std::string& sourcePath, const fs::path& existingFolder, SourceExtent extent) {
    struct stat info {};
    if (::stat(sourcePath.c_str(), &info) != 0) return false;
    LinuxStoragePlaces source;
    if (S_ISBLK(info.st_mode)) {
        // The source's own places, without the file systems that hold a loop device's file: a
        // folder beside an image is no part of the image.
        addDevice("/sys", info.st_rdev, extent, false, source, 0);
    } else if (S_ISREG(info.st_mode)) {
        source.files.insert({placeOf(info.st_dev), static_cast<std::uint64_t>(info.st_ino)});
    } else {
        return false;
    }
    LinuxStoragePlaces target;
    addLinuxFolderPlaces("/sys", existingFolder, target);
    return target.meets(source);
}

LinuxSysfsFacts readLinuxSysfsFacts(const std::string& sysfsRoot, const std::string& diskName) {
    LinuxSysfsFacts facts;
    const fs::path entry = fs::path(sysfsRoot) / "block" / diskName;
    facts.removable = readFirstLine(entry / "removable") == "1";
    std::error_code error;
    const fs::path device = fs::canonical(entry, error);
    facts.onUsb = !error && device.string().find("/usb") != std::string::npos;

    std::vector<std::pair<std::uint64_t, KernelPartition>> numbered;
    for (const auto& child : fs::directory_iterator(entry, error)) {
        const auto number = readNumber(child.path() / "partition");
        const auto start = readNumber(child.path() / "start");
        const auto size = readNumber(child.path() / "size");
        if (!number || !start || !size) continue;
        numbered.push_back({*number, {"/dev/" + child.path().filename().string(), *start, *size}});
    }
    std::sort(numbered.begin(), numbered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [number, partition] : numbered) facts.kernelPartitions.push_back(std::move(partition));
    return facts;
}

DeviceIdentity identifyLinuxDevice(const std::string& devicePath, const std::string& sysfsRoot) {
    const Descriptor fd(::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return {};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return {};
    // An image file named as a disk: the same answer as for attached images.
    if (S_ISREG(info.st_mode)) return identifyImageFile(devicePath, givenImageSectorSize());
    if (!S_ISBLK(info.st_mode)) return {};

    std::uint64_t byteCount = 0;
    int sectorSize = 0;
    if (::ioctl(fd.get(), BLKGETSIZE64, &byteCount) != 0 || byteCount == 0) return {};
    // The logical sector size, in which the disk's LBAs count (4,096 on a 4Kn disk; 512 on a
    // 512e disk, whose 4,096-byte physical sectors the kernel hides).
    if (::ioctl(fd.get(), BLKSSZGET, &sectorSize) != 0 || sectorSize < 512) sectorSize = 512;

    // The sysfs name of the device, whatever name it was opened by.
    std::error_code error;
    std::string name = fs::path(devicePath).filename().string();
    const fs::path byNumber = fs::path(sysfsRoot) / "dev" / "block" /
                              (std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev)));
    if (const fs::path resolved = fs::canonical(byNumber, error); !error) name = resolved.filename().string();

    const LinuxSysfsFacts facts = readLinuxSysfsFacts(sysfsRoot, name);
    DeviceIdentity identity = fixedDiskIdentity(byteCount, static_cast<std::uint32_t>(sectorSize));
    identity.letters = LetterSource::KernelPartitions;
    identity.kernelPartitions = facts.kernelPartitions;
    if (facts.removable) {
        identity.media = MediaKind::Removable;
        identity.route = ConnectionRoute::None;
        return identity;
    }
    if (auto data = identifyThroughSgIo(fd.get())) {
        identity.identifyData = *data;
        identity.route = facts.onUsb ? ConnectionRoute::BridgeSat : ConnectionRoute::InternalAta;
    }
    return identity;
}

DeviceIdentity identifySystemDevice(const DiskSystem& disks, char name) {
    if (name < '0' || name > '9') return {};  // drive letters: given by the inventory on Linux
    const std::string path = disks.diskPath(name);
    if (path.empty()) return {};
    return identifyLinuxDevice(path, "/sys");
}

ProtectedFolders protectedFolders() {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    return {"/", error ? std::string() : current.string()};
}

std::optional<std::vector<char>> disksHoldingFolder(const DiskSystem& disks, const std::string& folder) {
    // Attached images never hold the running system.
    if (dynamic_cast<const ImageDiskSystem*>(&disks) != nullptr) return std::vector<char>{};
    if (folder.empty()) return std::nullopt;
    std::error_code error;
    const fs::path where = fs::canonical(folder, error);
    if (error) return std::nullopt;
    LinuxStoragePlaces places;
    addLinuxFolderPlaces("/sys", where, places);
    if (!places.resolved) return std::nullopt;

    std::vector<char> numbers;
    for (char number = '0'; number < '0' + kMaxDisks; ++number) {
        const std::string path = disks.diskPath(number);
        struct stat info {};
        if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) continue;
        if (places.devices.contains(placeOf(info.st_rdev))) numbers.push_back(number);
    }
    return numbers;
}

std::string restartCommandLine() { return "shutdown -r now"; }

std::string shutDownCommandLine() { return "shutdown -P now"; }

bool startSystemCommand(const std::string& commandLine) {
    pid_t child = 0;
    const char* argv[] = {"sh", "-c", commandLine.c_str(), nullptr};
    return ::posix_spawnp(&child, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) == 0;
}

}  // namespace quenzar::platform
