// Disks with sectors that cannot be read, for tests of what the program does on a failing disk.
//
// Every disk of an inner disk system (usually the fixture images) is opened through a device
// that fails reads touching chosen sector ranges: once (a transient error, the next read goes
// through), a few times, or always. A failed read reports what the real layer reports: the bytes
// before the first bad sector arrived (as pread delivers them), or nothing at all (as ReadFile on
// Windows); the bytes that did not arrive hold garbage, since a failed call leaves no data there.
// Volumes of drive letters are read through the same devices, so a fault on a disk's sector is a
// fault of the volume that holds it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/disk_system.h"

namespace quenzar::testsupport {

class FaultyDisks final : public platform::DiskSystem {
public:
    // What a read that touches a bad sector delivers.
    enum class Shape {
        PrefixArrives,  // the sectors before the first bad one (the POSIX layer's short read)
        NothingArrives, // no byte at all (the Windows layer's failed ReadFile)
    };
    static constexpr int kAlways = -1;

    explicit FaultyDisks(std::unique_ptr<platform::DiskSystem> inner, Shape shape = Shape::PrefixArrives);
    // The images as disks 0, 1, ... (platform::ImageDiskSystem).
    explicit FaultyDisks(std::vector<std::string> imagePaths, Shape shape = Shape::PrefixArrives);
    // What the reading layer learnt of these disks' bad sectors goes with them: faulty disks made
    // later over the same images have faults of their own.
    ~FaultyDisks() override;

    // Reads that touch sectors [firstSector, firstSector + sectorCount) of 512 bytes of the disk
    // fail `times` times in all (kAlways: every time). Ranges may overlap; each counts on its own.
    void failSectors(std::uint64_t firstSector, std::uint64_t sectorCount = 1, int times = kAlways,
                     char diskNumber = '0');
    void failOnce(std::uint64_t firstSector, std::uint64_t sectorCount = 1, char diskNumber = '0') {
        failSectors(firstSector, sectorCount, 1, diskNumber);
    }

    // Runs `action` once, at the first read that touches the sector (before the read), as a thing
    // that happens at that moment of a long read: a stop asked for, for instance.
    void whenRead(std::uint64_t sector, std::function<void()> action, char diskNumber = '0');

    // Every failed read takes this long, as a failing drive spends its time on a sector it
    // cannot read (for measuring what a failing disk costs; tests leave it at zero).
    void delayFailedReads(std::chrono::microseconds delay);

    // Reads made through every device opened so far, and those of them that failed.
    std::uint64_t reads() const;
    std::uint64_t failedReads() const;

    std::string sourceKind() const override { return "disks with unreadable sectors"; }
    std::string diskPath(char diskNumber) const override { return inner_->diskPath(diskNumber); }
    platform::DeviceIdentity identify(char name) const override { return inner_->identify(name); }
    bool holdsFolder(char driveLetter, const std::filesystem::path& folderPath) const override {
        return inner_->holdsFolder(driveLetter, folderPath);
    }
    std::unique_ptr<platform::SectorDevice> openDisk(char diskNumber, platform::AccessMode mode) override;

    struct Fault {
        char diskNumber;
        std::uint64_t firstByte;
        std::uint64_t endByte;
        int timesLeft;  // kAlways: never runs out
    };
    // Shared by the disk system and every device it opened.
    struct Trigger {
        char diskNumber;
        std::uint64_t byte;
        std::function<void()> action;  // emptied once run
    };
    struct State {
        Shape shape;
        mutable std::mutex mutex;
        std::vector<Fault> faults;
        std::vector<Trigger> triggers;
        std::uint64_t reads = 0;
        std::uint64_t failedReads = 0;
        std::chrono::microseconds failureDelay{0};
    };

private:
    std::unique_ptr<platform::DiskSystem> inner_;
    std::shared_ptr<State> state_;
};

}  // namespace quenzar::testsupport
