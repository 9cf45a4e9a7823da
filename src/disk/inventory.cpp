#include "disk/inventory.h"

#include <algorithm>
#include <cstring>

#include "disk/drive_letters.h"
#include "disk/identify_data.h"
#include "disk/inventory_screen.h"
#include "disk/partition_scan.h"
#include "disk/sector_access.h"

namespace quenzar::disk {
namespace {

template <std::size_t N>
void putText(Text<N>& field, std::string_view text, std::size_t at = 0) {
    field = blankText<N>();
    std::copy_n(text.begin(), std::min(N - at, text.size()), field.begin() + static_cast<std::ptrdiff_t>(at));
}

// Every text field blank, every number zero, and the absent mark in the capacity text.
void resetIdentification(PhysicalDiskInfo& disk, char diskNumber) {
    PhysicalDiskInfo fresh;
    fresh.diskNumber = diskNumber;
    fresh.capacityText[1] = '.';
    fresh.schemeTag = disk.schemeTag;
    fresh.hiddenTag = disk.hiddenTag;
    fresh.partitions = disk.partitions;
    fresh.bootSectors = disk.bootSectors;
    fresh.cells = disk.cells;
    disk = fresh;
}

}  // namespace

bool PhysicalDiskInfo::isFixedDisk() const { return mediaLabel[0] == 'H' || mediaLabel[0] == "Ж"[0]; }

void IdentifyDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    PhysicalDiskInfo& disk = state.disk(diskNumber);
    platform::DeviceIdentity& identity = state.identities[static_cast<std::size_t>(diskNumber - '0')];
    resetIdentification(disk, diskNumber);
    identity = {};
    state.masks.clear(diskNumber);

    DiskHandle handle = DiskHandle::forDisk(diskNumber);
    if (!OpenPhysicalDisk(disks, handle)) return;
    ClosePhysicalDisk(handle);
    identity = disks.identify(diskNumber);
    if (!identity.answered) return;

    switch (identity.media) {
        case platform::MediaKind::Removable:
            putText(disk.connectionType, kRemovableConnectionText, 4);
            putText(disk.mediaLabel, text::TextPair{"Флэш", "Flash"}.in(state.language));
            break;
        case platform::MediaKind::Fixed:
            putText(disk.mediaLabel, text::TextPair{"Жесткий", "Hard"}.in(state.language));
            putText(disk.connectionType,
                    connectionText(identity.route == platform::ConnectionRoute::None
                                       ? platform::ConnectionRoute::NotRecognized
                                       : identity.route),
                    4);
            break;
        case platform::MediaKind::Other:
            break;
    }
    if (identity.identifyData && hasIdentifyStrings(*identity.identifyData)) {
        const IdentifyStrings strings = parseIdentifyStrings(*identity.identifyData);
        disk.serialNumber = strings.serialNumber;
        disk.firmwareRevision = strings.firmwareRevision;
        disk.model = strings.model;
    }

    disk.bytesPerSector = identity.bytesPerSector;
    const auto lba48Count = identity.identifyData ? lba48SectorCount(*identity.identifyData) : std::nullopt;
    if (lba48Count) {
        disk.totalSectors = *lba48Count;
        disk.tracksPerCylinder = 255;
        disk.sectorsPerTrack = 63;
        disk.cylinders = disk.totalSectors / 16'065;
        disk.capacityMb = disk.totalSectors / 1000 * disk.bytesPerSector / 1000;
    } else if (identity.exactSectorCount != 0) {
        // A source that knows the exact size (an image, a Linux block device) reports it rather
        // than whole cylinders, which would make a small disk look smaller than its volumes.
        disk.totalSectors = identity.exactSectorCount;
        disk.tracksPerCylinder = identity.tracksPerCylinder;
        disk.sectorsPerTrack = identity.sectorsPerTrack;
        disk.cylinders = identity.cylinders;
        disk.capacityMb = capacityMegabytes(disk.totalSectors, disk.bytesPerSector);
    } else {
        disk.cylinders = identity.cylinders;
        disk.tracksPerCylinder = identity.tracksPerCylinder;
        disk.sectorsPerTrack = identity.sectorsPerTrack;
        disk.totalSectors = disk.cylinders * disk.tracksPerCylinder * disk.sectorsPerTrack;
        disk.capacityMb = capacityMegabytes(disk.totalSectors, disk.bytesPerSector);
    }
    disk.capacityText = capacityText(disk.capacityMb);
    loadSectorMask(disks, state.masks, diskNumber);
}

void ProbeDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    PhysicalDiskInfo& disk = state.disk(diskNumber);
    disk.schemeTag = blankText<4>();
    disk.hiddenTag = blankText<4>();
    disk.partitions = {};
    disk.bootSectors = {};
    disk.cells = {};
    IdentifyDisk(state, disks, diskNumber);
    if (!disk.isPresent()) return;
    discoverPartitions(disk, disks, state.masks);
}

void BuildDiskInventory(InventoryState& state, platform::DiskSystem& disks) {
    for (PhysicalDiskInfo& disk : state.disks) disk.partitions = {};
    for (char diskNumber = '0'; diskNumber < '0' + kInventoryDiskCount; ++diskNumber) {
        ProbeDisk(state, disks, diskNumber);
    }
    assignInventoryDriveLetters(state, disks);
    ScanLogicalDrives(state, disks);
    for (char diskNumber = '0'; diskNumber < '0' + kInventoryDiskCount; ++diskNumber) {
        MatchPartitions(state, diskNumber);
    }
    renderInventoryScreen(state);
}

}  // namespace quenzar::disk
