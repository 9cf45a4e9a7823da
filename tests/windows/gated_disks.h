// Disk images whose large reads can be held back, so that a test can look at an analysis half
// way: after a given number of reads of more than 4 KiB (pieces of the MFT) have gone through,
// the next one waits until the test opens the gate. Everything else reads the images as the
// program's own image disks do.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/disk_system.h"

namespace quenzar::wintest {

class GatedDiskSystem final : public platform::DiskSystem {
public:
    // Reads of more than 4 KiB count; with `countedReadBytes`, only reads of exactly that size.
    GatedDiskSystem(std::vector<std::string> imagePaths, int bulkReadsBeforeHold, std::size_t countedReadBytes = 0);
    ~GatedDiskSystem() override;

    std::string sourceKind() const override { return images_.sourceKind(); }
    std::string diskPath(char diskNumber) const override { return images_.diskPath(diskNumber); }
    platform::DeviceIdentity identify(char name) const override { return images_.identify(name); }
    std::unique_ptr<platform::SectorDevice> openDisk(char diskNumber, platform::AccessMode mode) override;

    // Waits until a read is held; false after `timeoutMs`.
    bool waitUntilHeld(DWORD timeoutMs) const;
    // Lets the held read and every later one through.
    void openGate() const;

    struct Gate {
        std::atomic<int> bulkReadsLeft;
        std::size_t countedReadBytes;  // 0: every read of more than 4 KiB
        HANDLE opened;  // manual-reset: set once the test lets reads through
        HANDLE held;    // manual-reset: set once a read waits
    };

private:
    platform::ImageDiskSystem images_;
    std::shared_ptr<Gate> gate_;
};

}  // namespace quenzar::wintest
