#include "platform/disk_system.h"

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

ImageDiskSystem::ImageDiskSystem(std::vector<std::string> imagePaths)
    : imagePaths_(std::move(imagePaths)) {
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
