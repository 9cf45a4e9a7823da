#include "cli/volume_choice.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/command_texts.h"
#include "cli/number_arguments.h"
#include "cli/terminal.h"
#include "ntfs/virtual_disk.h"

namespace quenzar::cli {

namespace {

// Models the virtual disk as the three dialogs and "RUN RECONSTRUCTION" do; nothing when the
// known sector leads to no NTFS volume whose $MFT can be read.
std::optional<recovery::VirtualDiskVolume> modelVirtualDisk(platform::DiskSystem& disks,
                                                            disk::InventoryState& inventory, char diskNumber,
                                                            const VirtualDiskStart& start, text::Language language,
                                                            const std::string& who) {
    const disk::PhysicalDiskInfo& info = inventory.disk(diskNumber);
    if (!info.isPresent() || info.totalSectors == 0) {
        printIn(stderr, language, texts::kDiskUnreadable, who.c_str(), diskNumber);
        return std::nullopt;
    }
    ntfs::NtfsVolumeParams params;
    ntfs::chooseDisk(params, diskNumber, info);
    const ntfs::SectorReader read = ntfs::diskSectorReader(disks, inventory.masks, diskNumber);
    const std::string lbaText = std::to_string(start.lba);
    std::uint64_t storedRecordLba = 0;
    const ntfs::VirtualDiskOutcome outcome =
        ntfs::computeFromInput(start.dialog, params, storedRecordLba, lbaText, read, language);
    if (!outcome.buttons.run) {
        printIn(stderr, language, texts::kNoNtfsThere, who.c_str(), terminalText(outcome.resultText).c_str());
        return std::nullopt;
    }
    recovery::VirtualDiskVolume volume;
    const ntfs::ReconstructionStart started = ntfs::startReconstruction(params, volume.runTable, read);
    if (!started.ready) {
        printIn(stderr, language, texts::kMftRecordZeroBroken, who.c_str(), started.integrityCode);
        return std::nullopt;
    }
    volume.diskNumber = diskNumber;
    volume.bootLba = params.bootLba;
    volume.sectorsPerCluster = params.sectorsPerCluster;
    volume.sectorBytes = params.bytesPerSector;
    volume.recordBytes = params.recordBytes;
    return volume;
}

}  // namespace

void printUnreadableSectors(const disk::InventoryState& inventory, const std::string& who, const std::string& scanTarget,
                            text::Language language) {
    for (const disk::PhysicalDiskInfo& disk : inventory.disks) {
        if (!disk.isPresent() || disk.unreadableSectors.empty()) continue;
        std::string lbas;
        for (const std::uint64_t lba : disk.unreadableSectors) lbas += (lbas.empty() ? "" : ", ") + std::to_string(lba);
        const std::string target = scanTarget.empty() ? std::string(1, disk.diskNumber) : scanTarget;
        printIn(stderr, language, texts::kSectorsUnreadable, who.c_str(), disk.diskNumber, lbas.c_str(),
                terminalSafe(target).c_str());
    }
}

char letterOfVolume(const disk::InventoryState& inventory, int volumeNumber) {
    int seen = 0;
    for (int i = 0; i < disk::kDriveLetterCount; ++i) {
        const disk::LogicalDriveInfo& drive = inventory.drives[static_cast<std::size_t>(i)];
        if (drive.diskNumber == 0 && drive.fileSystem() == disk::FileSystem::Ntfs &&
            ++seen == volumeNumber) {
            return static_cast<char>(disk::kFirstDriveLetter + i);
        }
    }
    return 0;
}

char ChosenVolume::diskNumber() const {
    if (virtualVolume) return virtualVolume->diskNumber;
    return static_cast<char>('0' + inventory.drive(letter).diskNumber);
}

bool ChosenVolume::refusesFolder(const std::filesystem::path& folder, std::string_view command,
                                 text::Language language) const {
    const std::optional<char> wholeDisk = virtualVolume ? std::optional<char>(virtualVolume->diskNumber) : std::nullopt;
    return refuseFolderOnSource(disks(), letter, wholeDisk, folder, command, language);
}

recovery::AnalysisResult ChosenVolume::analyse(recovery::AnalysisContext& context) const {
    return virtualVolume ? recovery::runAnalysis(disks(), inventory.masks, *virtualVolume, context)
                         : recovery::runAnalysis(disks(), inventory, letter, context);
}

bool chooseVolume(platform::DiskSystem& disks, const std::string& target, const SharedOptions& options,
                  std::string_view command, ChosenVolume& volume) {
    const std::string who = "salvage " + std::string(command);
    const std::optional<VirtualDiskStart>& virtualStart = options.virtualStart;
    std::optional<VolumeSource> source =
        openVolumeSource(disks, target, virtualStart.has_value(), command, options.language);
    if (!source) return false;
    volume.source = std::move(*source);
    volume.inventory.language = options.language;
    disk::BuildDiskInventory(volume.inventory, volume.disks());
    if (virtualStart) {
        // An image is disk 0 of its own inventory.
        const char diskNumber = parseDiskNumber(target).value_or('0');
        volume.virtualVolume =
            modelVirtualDisk(volume.disks(), volume.inventory, diskNumber, *virtualStart, options.language, who);
        if (!volume.virtualVolume) return false;
        volume.letter = 'V';
        return true;
    }
    volume.letter = volume.source.letter(volume.inventory, options.volumeNumber);
    if (volume.letter == 0) {
        printIn(stderr, options.language, texts::kNoVolumeNumber, who.c_str(), terminalSafe(target).c_str(),
                options.volumeNumber);
        std::string quoted = "'";  // appended: GCC 12 at -O3 takes "'" + std::string for an overlap
        quoted += terminalSafe(target);
        quoted += '\'';
        printUnreadableSectors(volume.inventory, who, quoted, options.language);
        return false;
    }
    return true;
}

}  // namespace quenzar::cli
