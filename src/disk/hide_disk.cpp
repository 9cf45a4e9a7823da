#include "disk/hide_disk.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "disk/inventory.h"
#include "disk/partition_scan.h"
#include "disk/sector_access.h"
#include "platform/little_endian.h"

namespace quenzar::disk {
namespace {

using platform::le32;
using platform::le64;

using HeadBytes = std::array<std::uint8_t, kHiddenHeadBytes>;

constexpr std::size_t kTableAt = 446;
constexpr std::uint64_t kFirstSectorAfterCopy = 62;  // LBA 62, in 512-byte units

// The eligibility checks compare the first four bytes of either form of the mark.
bool carriesMark(const std::uint8_t* lba0) {
    return std::memcmp(lba0, kHiddenMark, 4) == 0 || std::memcmp(lba0, kHiddenMarkVariant, 4) == 0;
}

bool allZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Reads LBA 0 to 3, or the saved copy, whole; false when any of it did not arrive.
bool readHead(platform::DiskSystem& disks, const SectorMaskTable& masks, char diskNumber, std::uint64_t byteOffset,
              HeadBytes& head) {
    return readDiskBytes(disks, masks, diskNumber, byteOffset, head, Unmask::Never) == head.size();
}

// Whether any partition of the table in LBA 0 (any type, and on a GPT disk any entry of its
// array) begins before LBA 62, where the saved copy would overwrite it.
bool partitionReachesCopyArea(platform::DiskSystem& disks, const SectorMaskTable& masks, const PhysicalDiskInfo& disk,
                              const HeadBytes& head) {
    const std::uint32_t bytesPerSector = std::max<std::uint32_t>(disk.bytesPerSector, 512);
    // The first of the disk's sectors that lies wholly after the copy; compared as LBAs, so that
    // no 64-bit LBA of a GPT entry overflows a product.
    const std::uint64_t firstFreeLba = (kFirstSectorAfterCopy * 512 + bytesPerSector - 1) / bytesPerSector;
    const auto beforeEnd = [&](std::uint64_t lba) { return lba < firstFreeLba; };
    bool gpt = false;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* entry = head.data() + kTableAt + 16 * i;
        if (entry[4] == 0) continue;
        if (entry[4] == 0xEE) {
            gpt = true;
            continue;
        }
        if (beforeEnd(le32(entry + 8))) return true;
    }
    if (!gpt) return false;
    const DiskBytesReader read = [&](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        readDiskBytes(disks, masks, disk.diskNumber, byteOffset, buffer, Unmask::Never);
    };
    const GptEntryArray array = locateGptEntries(read, bytesPerSector, diskSectorsHeld(disk, disks));
    const std::vector<std::uint8_t> entries = readGptEntryArray(read, array, bytesPerSector);
    for (std::size_t at = 0; at + array.entryBytes <= entries.size(); at += array.entryBytes) {
        const std::uint8_t* entry = entries.data() + at;
        if (allZero(std::span(entry, 16))) continue;  // an unused entry has no type
        if (beforeEnd(le64(entry + 32))) return true;
    }
    return false;
}

// The checks both operations begin with: the disk identified again, present, a fixed disk, and its
// LBA 0 read into `head`. Eligible when they pass.
HideCheck checkDiskHead(InventoryState& state, platform::DiskSystem& disks, char diskNumber, HeadBytes& head) {
    IdentifyDisk(state, disks, diskNumber);
    const PhysicalDiskInfo& disk = state.disk(diskNumber);
    if (!disk.isPresent()) return HideCheck::Absent;
    if (!disk.isFixedDisk()) return HideCheck::NotFixedDisk;
    // The saved copy and the mark are 512-byte sectors at fixed LBAs: on a disk of larger sectors
    // LBA 0 to 3 are 16 KiB and LBA 58 to 61 lie elsewhere, and the copy cannot be kept intact.
    if (disk.bytesPerSector != 0 && disk.bytesPerSector != kSystemSectorSize) return HideCheck::NotSmallSectors;
    if (!readHead(disks, state.masks, diskNumber, 0, head)) return HideCheck::Unreadable;
    return HideCheck::Eligible;
}

// The sector checks of hiding, on a disk just identified.
HideCheck checkForHiding(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    HeadBytes head{};
    if (const HideCheck check = checkDiskHead(state, disks, diskNumber, head); check != HideCheck::Eligible) return check;
    const PhysicalDiskInfo& disk = state.disk(diskNumber);
    if (carriesMark(head.data())) return HideCheck::AlreadyHidden;
    if (!hasBootSignature(head.data())) return HideCheck::NoBootSignature;

    // LBA 58 to 61 must be free to take the copy: empty, or holding a copy left there by an
    // earlier restore (a boot record without the mark), which is what hiding writes again.
    HeadBytes copyArea{};
    if (!readHead(disks, state.masks, diskNumber, kSavedCopyByteOffset, copyArea)) return HideCheck::Unreadable;
    const bool earlierCopy = hasBootSignature(copyArea.data()) && !carriesMark(copyArea.data());
    if (!allZero(copyArea) && !earlierCopy) return HideCheck::SavedCopyAreaInUse;

    // A volume that begins at LBA 0 (no partition table) or a partition that begins before LBA
    // 62 would lose sectors to the copy.
    PhysicalDiskInfo probe = disk;
    discoverPartitions(probe, disks, state.masks);
    if (probe.partitions[0].isWholeDiskVolume()) return HideCheck::SavedCopyAreaInUse;
    if (partitionReachesCopyArea(disks, state.masks, disk, head)) return HideCheck::SavedCopyAreaInUse;
    return HideCheck::Eligible;
}

HideCheck checkForRestoring(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    HeadBytes head{};
    if (const HideCheck check = checkDiskHead(state, disks, diskNumber, head); check != HideCheck::Eligible) return check;
    if (!carriesMark(head.data())) return HideCheck::NotHidden;
    if (head[0x1C2] != 0xEE) return HideCheck::NoHidingTable;
    if (!hasBootSignature(head.data())) return HideCheck::NoBootSignature;
    // Writing back anything but a boot record would leave the disk without one.
    HeadBytes saved{};
    if (!readHead(disks, state.masks, diskNumber, kSavedCopyByteOffset, saved)) return HideCheck::Unreadable;
    if (!hasBootSignature(saved.data()) || carriesMark(saved.data())) return HideCheck::NoSavedCopy;
    return HideCheck::Eligible;
}

// The 64-byte table written at offset 446 of a hidden disk's LBA 0: one entry that makes the disk
// a GPT disk to Windows, three empty ones.
std::array<std::uint8_t, 64> hidingPartitionTable() {
    return {0x00,                     // boot flag
            0x00, 0x02, 0x00,         // CHS start
            0xEE,                     // type: GPT protective
            0xFF, 0xFF, 0xFF,         // CHS end
            0x01, 0x00, 0x00, 0x00,   // start LBA 1
            0xFF, 0xFF, 0xFF, 0xFF};  // sector count; entries 2 to 4 stay zero
}

// Writes and reads back; true when the disk holds exactly the bytes.
bool writeAndVerify(DiskHandle& handle, std::uint64_t byteOffset, const HeadBytes& bytes) {
    SeekToByte(handle, byteOffset);
    if (WriteSectors(handle, bytes) != bytes.size()) return false;
    HeadBytes check{};
    SeekToByte(handle, byteOffset);
    return ReadSectors(handle, check) == check.size() && check == bytes;
}

}  // namespace

text::TextPair hideCheckReason(HideCheck check) {
    switch (check) {
        case HideCheck::Eligible: return {"диск подходит", "the disk qualifies"};
        case HideCheck::Absent: return {"диск не отвечает", "the disk does not answer"};
        case HideCheck::ExcludedDisk:
            return {"на диске папка системы или папка программы",
                    "the disk holds the system's folder or the program's folder"};
        case HideCheck::SystemDiskUnknown:
            return {"не удалось определить, на каком диске система",
                    "the disk that holds the system could not be determined"};
        case HideCheck::NotFixedDisk:
            return {"диск не жесткий (съемный или неизвестный носитель)",
                    "the disk is not a fixed disk (removable or unknown media)"};
        case HideCheck::NotSmallSectors:
            return {"логические секторы диска не по 512 байт: копия LBA 0-3, хранимая в LBA 58-61, задана в "
                    "секторах по 512 байт и на таком диске целой не сохранится",
                    "the disk's logical sectors are not 512 bytes: the copy of LBA 0 to 3 kept at LBA 58 to 61 is "
                    "laid out in 512-byte sectors and cannot be kept intact on such a disk"};
        case HideCheck::Unreadable:
            return {"первые секторы диска не читаются", "the first sectors of the disk cannot be read"};
        case HideCheck::AlreadyHidden:
            return {"диск уже скрыт (в LBA 0 есть метка)", "the disk is already hidden (LBA 0 carries the mark)"};
        case HideCheck::NoBootSignature:
            return {"в LBA 0 нет подписи загрузочной записи (55AA)", "LBA 0 has no boot record signature (55AA)"};
        case HideCheck::SavedCopyAreaInUse:
            return {"LBA 58-61 заняты (там другие данные, или том или партиция начинается раньше LBA 62)",
                    "LBA 58 to 61 are in use (other data there, or a volume or partition begins before LBA 62)"};
        case HideCheck::NotHidden:
            return {"диск не скрыт (в LBA 0 нет метки)", "the disk is not hidden (LBA 0 carries no mark)"};
        case HideCheck::NoHidingTable:
            return {"первая запись таблицы в LBA 0 уже не типа EEh",
                    "the first partition entry of LBA 0 is no longer of type EEh"};
        case HideCheck::NoSavedCopy:
            return {"в LBA 58 нет сохраненной загрузочной записи, которую можно вернуть",
                    "LBA 58 holds no saved boot record to write back"};
    }
    return {"", ""};
}

// The texts are string literals, so their views end where a terminating zero follows.
const char* hideCheckText(HideCheck check) { return hideCheckReason(check).english.data(); }

HideExclusions findHideExclusions(const InventoryState& state, const platform::DiskSystem& disks,
                                  const platform::ProtectedFolders& folders) {
    HideExclusions exclusions;
    const auto add = [&](char diskNumber) {
        if (std::find(exclusions.disks.begin(), exclusions.disks.end(), diskNumber) == exclusions.disks.end()) {
            exclusions.disks.push_back(diskNumber);
        }
    };
    for (const std::string* folder : {&folders.systemFolder, &folders.programFolder}) {
        const bool onLetter = folder->size() >= 2 && (*folder)[1] == ':' &&
                              std::isalpha(static_cast<unsigned char>((*folder)[0]));
        if (onLetter) {
            const int index = ((*folder)[0] & 0x1F) - 3;
            if (index < 0 || index >= kDriveLetterCount) continue;  // A: and B: hold no disk of ours
            const std::uint8_t diskNumber = state.drives[static_cast<std::size_t>(index)].diskNumber;
            if (diskNumber < kInventoryDiskCount) add(static_cast<char>('0' + diskNumber));
            continue;
        }
        const auto holding = platform::disksHoldingFolder(disks, *folder);
        if (!holding) {
            exclusions.unresolved = true;
            continue;
        }
        for (const char diskNumber : *holding) add(diskNumber);
    }
    return exclusions;
}

HideCheck CanHideDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber,
                      const HideExclusions& exclusions) {
    if (exclusions.unresolved) return HideCheck::SystemDiskUnknown;
    if (std::find(exclusions.disks.begin(), exclusions.disks.end(), diskNumber) != exclusions.disks.end()) {
        return HideCheck::ExcludedDisk;
    }
    return checkForHiding(state, disks, diskNumber);
}

HideCheck CanRestoreDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    return checkForRestoring(state, disks, diskNumber);
}

DiskWriteResult HideDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    if (const HideCheck check = checkForHiding(state, disks, diskNumber); check != HideCheck::Eligible) {
        return {DiskWriteOutcome::Refused, check};
    }
    DiskHandle handle = DiskHandle::forDisk(diskNumber);
    if (!OpenPhysicalDisk(disks, handle, platform::AccessMode::ReadWrite)) return {DiskWriteOutcome::CannotOpen};
    HeadBytes head{};
    SeekToByte(handle, 0);
    if (ReadSectors(handle, head) != head.size()) return {DiskWriteOutcome::Refused, HideCheck::Unreadable};
    if (!writeAndVerify(handle, kSavedCopyByteOffset, head)) return {DiskWriteOutcome::SavedCopyFailed};
    HeadBytes hidden = head;
    std::memcpy(hidden.data(), kHiddenMark, 8);
    const auto table = hidingPartitionTable();
    std::copy(table.begin(), table.end(), hidden.begin() + kTableAt);
    std::fill(hidden.begin() + 512, hidden.end(), std::uint8_t{0});
    const bool written = writeAndVerify(handle, 0, hidden);
    return {written ? DiskWriteOutcome::Done : DiskWriteOutcome::HeadWriteFailed};
}

DiskWriteResult RestoreDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber) {
    if (const HideCheck check = checkForRestoring(state, disks, diskNumber); check != HideCheck::Eligible) {
        return {DiskWriteOutcome::Refused, check};
    }
    DiskHandle handle = DiskHandle::forDisk(diskNumber);
    if (!OpenPhysicalDisk(disks, handle, platform::AccessMode::ReadWrite)) return {DiskWriteOutcome::CannotOpen};
    HeadBytes saved{};
    SeekToByte(handle, kSavedCopyByteOffset);
    if (ReadSectors(handle, saved) != saved.size()) return {DiskWriteOutcome::Refused, HideCheck::Unreadable};
    const bool written = writeAndVerify(handle, 0, saved);
    return {written ? DiskWriteOutcome::Done : DiskWriteOutcome::HeadWriteFailed};
}

}  // namespace quenzar::disk
