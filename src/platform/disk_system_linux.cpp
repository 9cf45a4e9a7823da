// The machine's whole disks on Linux, found in /sys/block and numbered in name order.
#include <algorithm>
#include <filesystem>

#include "platform/disk_system.h"

namespace quenzar::platform {
namespace {

// Whole disks of the kinds a data-recovery user means; loop, ram, device-mapper and optical
// devices are left out.
bool isWholeDiskName(const std::string& name) {
    static const char* const prefixes[] = {"sd", "hd", "vd", "xvd", "nvme", "mmcblk"};
    for (const char* prefix : prefixes) {
        if (name.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

class LinuxDiskSystem final : public DiskSystem {
public:
    LinuxDiskSystem() {
        std::error_code error;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
            const std::string name = entry.path().filename().string();
            if (isWholeDiskName(name)) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        if (names.size() > static_cast<std::size_t>(kMaxDisks)) names.resize(kMaxDisks);
        for (const std::string& name : names) devicePaths_.push_back("/dev/" + name);
    }

    std::string sourceKind() const override { return "Linux block devices"; }

    std::string diskPath(char diskNumber) const override {
        const int index = diskNumber - '0';
        if (index < 0 || index >= static_cast<int>(devicePaths_.size())) return {};
        return devicePaths_[static_cast<std::size_t>(index)];
    }

    std::uint32_t sectorSize(char diskNumber) const override { return deviceSectorSize(diskPath(diskNumber)); }

private:
    std::vector<std::string> devicePaths_;
};

}  // namespace

std::unique_ptr<DiskSystem> makeSystemDiskSystem() { return std::make_unique<LinuxDiskSystem>(); }

}  // namespace quenzar::platform
