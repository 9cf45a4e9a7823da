#include "platform/disk_system.h"

#include <atomic>
#include <cstdlib>

#include "platform/volume_window.h"

namespace quenzar::platform {

std::unique_ptr<SectorDevice> DiskSystem::openDisk(char diskNumber, AccessMode mode) {
    const std::string path = diskPath(diskNumber);
    if (path.empty()) return nullptr;
    return openFileDevice(path, mode);
}

std::unique_ptr<SectorDevice> DiskSystem::openVolume(char driveLetter, AccessMode mode) {
    const auto found = volumes_.find(driveLetter);
    if (found == volumes_.end()) return nullptr;
    const VolumeSource& source = found->second;
    if (!source.devicePath.empty()) return openFileDevice(source.devicePath, mode);
    return makeVolumeWindow(openDisk(source.diskNumber, mode), source.startByte, source.byteCount);
}

bool DiskSystem::holdsFolder(char driveLetter, const std::filesystem::path& folder) const {
    const auto found = volumes_.find(driveLetter);
    if (found == volumes_.end()) return false;
    const VolumeSource& source = found->second;
    if (!source.devicePath.empty()) return folderReachesSource(source.devicePath, folder, SourceExtent::Volume);
    return diskHoldsFolder(source.diskNumber, folder);
}

bool DiskSystem::diskHoldsFolder(char diskNumber, const std::filesystem::path& folder) const {
    const std::string path = diskPath(diskNumber);
    return !path.empty() && folderReachesSource(path, folder, SourceExtent::Disk);
}

void DiskSystem::assignVolume(char driveLetter, VolumeSource source) {
    volumes_[driveLetter] = std::move(source);
}

namespace {

// Set once by the command line before any disk is read, then only read.
std::atomic<std::uint32_t> processGivenSectorSize{0};

}  // namespace

void setGivenImageSectorSize(std::uint32_t bytesPerSector) { processGivenSectorSize = bytesPerSector; }

std::uint32_t givenImageSectorSize() { return processGivenSectorSize; }

std::uint32_t DiskSystem::sectorSize(char diskNumber) const {
    const std::uint32_t bytesPerSector = identify(diskNumber).bytesPerSector;
    return bytesPerSector != 0 ? bytesPerSector : 512;
}

std::uint32_t deviceSectorSize(const std::string& devicePath) {
    const auto device = devicePath.empty() ? nullptr : openFileDevice(devicePath, AccessMode::ReadOnly);
    const std::uint32_t reported = device ? device->reportedSectorSize() : 0;
    return reported != 0 ? reported : 512;
}

ImageDiskSystem::ImageDiskSystem(std::vector<std::string> imagePaths, std::uint32_t bytesPerSector)
    : imagePaths_(std::move(imagePaths)), givenSectorSize_(bytesPerSector) {
    if (imagePaths_.size() > static_cast<std::size_t>(kMaxDisks)) imagePaths_.resize(kMaxDisks);
}

std::string ImageDiskSystem::diskPath(char diskNumber) const {
    const int index = diskNumber - '0';
    if (index < 0 || index >= static_cast<int>(imagePaths_.size())) return {};
    return imagePaths_[static_cast<std::size_t>(index)];
}

std::vector<std::string> splitImageList(const std::string& list) {
    std::vector<std::string> paths;
    std::size_t begin = 0;
    while (begin <= list.size() && paths.size() < static_cast<std::size_t>(kMaxDisks)) {
        std::size_t end = list.find(';', begin);
        if (end == std::string::npos) end = list.size();
        if (end > begin) paths.push_back(list.substr(begin, end - begin));
        begin = end + 1;
    }
    return paths;
}

std::unique_ptr<DiskSystem> makeDiskSystemFromEnvironment() {
    const char* list = std::getenv("QUENZAR_DISK_IMAGES");
    if (list != nullptr && *list != '\0') {
        return std::make_unique<ImageDiskSystem>(splitImageList(list));
    }
    return makeSystemDiskSystem();
}

}  // namespace quenzar::platform
