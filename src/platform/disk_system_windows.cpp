// The machine's own disks on Windows: disk N is "\\.\PhysicalDriveN", the volume of a drive
// letter is "\\.\X:".
#include <cctype>
#include <filesystem>
#include <string>

#include "platform/disk_system.h"

namespace quenzar::platform {
namespace {

class WindowsDiskSystem final : public DiskSystem {
public:
    std::string sourceKind() const override { return "Windows disks"; }

    std::string diskPath(char diskNumber) const override {
        if (diskNumber < '0' || diskNumber >= '0' + kMaxDisks) return {};
        return std::string("\\\\.\\PhysicalDrive") + diskNumber;
    }

    std::uint32_t sectorSize(char diskNumber) const override { return deviceSectorSize(diskPath(diskNumber)); }

    // A letter the inventory assigned (a device path or a range of a disk) is opened as assigned;
    // any other letter through the system's own volume device.
    std::unique_ptr<SectorDevice> openVolume(char driveLetter, AccessMode mode) override {
        if (driveLetter >= 'a' && driveLetter <= 'z') driveLetter = static_cast<char>(driveLetter - 'a' + 'A');
        if (volumes().contains(driveLetter)) return DiskSystem::openVolume(driveLetter, mode);
        if (driveLetter < 'A' || driveLetter > 'Z') return nullptr;
        return openFileDevice(std::string("\\\\.\\") + driveLetter + ':', mode);
    }

    // The folder's drive letter is the volume's.
    bool holdsFolder(char driveLetter, const std::filesystem::path& folder) const override {
        const std::string root = std::filesystem::absolute(folder).root_name().string();
        return !root.empty() && std::toupper(static_cast<unsigned char>(root[0])) == driveLetter;
    }
};

}  // namespace

std::unique_ptr<DiskSystem> makeSystemDiskSystem() { return std::make_unique<WindowsDiskSystem>(); }

}  // namespace quenzar::platform
