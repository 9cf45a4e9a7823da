// salvage vdisk: models a virtual disk — an NTFS volume that no partition table describes any
// more — from one known sector of a disk, as the three virtual-disk dialogs do, and prints what
// the dialog would show: the result word, the computed values, the diagnostic lines, which buttons
// would be enabled, and the $MFT run table that the reconstruction would hand the analysis.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/terminal.h"
#include "cli/number_arguments.h"
#include "cli/shared_options.h"
#include "disk/inventory.h"
#include "ntfs/virtual_disk.h"
#include "platform/code_page_1251.h"
#include "text/number_texts.h"

namespace quenzar::cli {
namespace {

constexpr const char* kVdiskUsage =
    "usage: salvage vdisk DISK (--boot LBA | --mft LBA | --record LBA) [--lang ru|en]\n";

// The program's texts are code page 1251; the terminal wants UTF-8.
void printText(const std::string& text) { std::fputs(platform::cp1251ToUtf8(text).c_str(), stdout); }

void printField(const char* name, const ntfs::FieldValue& value) {
    if (value) std::printf("%-28s %s\n", name, ntfs::fieldText(value).c_str());
}

std::string onOff(bool enabled, text::Language language) { return textIn(language, enabled ? texts::kOn : texts::kOff); }

}  // namespace

int runVdisk(platform::DiskSystem& disks, const Arguments& args) {
    std::optional<char> diskNumber;
    SharedOptions options;
    options.language = languageOfEnvironment();
    bool usageError = false;
    for (std::size_t i = 0; i < args.size() && !usageError; ++i) {
        const std::string& arg = args[i];
        if (const OptionRead shared = readSharedOption(args, i, options, {.virtualDisk = true});
            shared != OptionRead::NotShared) {
            usageError = shared == OptionRead::Refused;
        } else if (!diskNumber) {
            diskNumber = parseDiskNumber(arg);
            usageError = !diskNumber;
        } else {
            usageError = true;
        }
    }
    if (usageError || !diskNumber || !options.virtualStart) {
        std::fputs(kVdiskUsage, stderr);
        return kExitUsage;
    }
    const text::Language language = options.language;
    const ntfs::VirtualDiskDialog dialog = options.virtualStart->dialog;

    disk::InventoryState inventory;
    inventory.language = language;
    disk::IdentifyDisk(inventory, disks, *diskNumber);
    const disk::PhysicalDiskInfo& info = inventory.disk(*diskNumber);
    if (!info.isPresent() || info.totalSectors == 0) {
        printIn(stderr, language, texts::kDiskUnreadable, "salvage vdisk", *diskNumber);
        return kExitFailed;
    }

    ntfs::NtfsVolumeParams params;
    ntfs::chooseDisk(params, *diskNumber, info);
    const ntfs::SectorReader read = ntfs::diskSectorReader(disks, inventory.masks, *diskNumber);
    const std::string lbaText = std::to_string(options.virtualStart->lba);
    std::uint64_t storedRecordLba = 0;
    const ntfs::VirtualDiskOutcome outcome =
        ntfs::computeFromInput(dialog, params, storedRecordLba, lbaText, read, language);

    printText(std::string(ntfs::dialogTitle(dialog, language)) + "\n");
    printIn(stdout, language, texts::kVdiskDisk, *diskNumber, static_cast<unsigned long long>(params.totalSectors),
            params.bytesPerSector);
    printIn(stdout, language, texts::kVdiskResult);
    printText(outcome.resultText + "\n");
    const ntfs::VirtualDiskFields& f = outcome.fields;
    printField("record-lba", f.recordLba);
    printField("boot-lba", f.bootLba);
    printField("sectors-per-cluster", f.sectorsPerCluster);
    printField("mft-cluster", f.mftCluster);
    printField("mft-lba", f.mftLba);
    printField("fat32-sectors-per-cluster", f.fat32SectorsPerCluster);
    printField("fat32-reserved-sectors", f.fat32ReservedSectors);
    printField("fat32-sectors-per-fat", f.fat32SectorsPerFat);
    printField("fat32-root-cluster", f.fat32RootCluster);
    printField("fat16-sectors-per-cluster", f.fat16SectorsPerCluster);
    printField("fat16-reserved-sectors", f.fat16ReservedSectors);
    printField("fat16-sectors-per-fat", f.fat16SectorsPerFat);
    printField("fat16-root-entries", f.fat16RootEntries);
    if (dialog == ntfs::VirtualDiskDialog::FromFileRecord) {
        for (std::size_t i = 0; i < outcome.diagnostics.size(); ++i) {
            printIn(stdout, language, texts::kVdiskDiagnostics, i + 1);
            printText(outcome.diagnostics[i] + "\n");
        }
    }
    printIn(stdout, language, texts::kVdiskButtons, onOff(outcome.buttons.sector, language).c_str(),
            onOff(outcome.buttons.cluster, language).c_str(), onOff(outcome.buttons.noMft, language).c_str(),
            onOff(outcome.buttons.run, language).c_str());

    const bool fat = outcome.result == ntfs::ResultWord::Fat32 || outcome.result == ntfs::ResultWord::Fat16;
    if (!outcome.buttons.run) return fat ? kExitDone : kExitFailed;

    ntfs::MftRunTable table;
    const ntfs::ReconstructionStart start = ntfs::startReconstruction(params, table, read);
    if (!start.ready) {
        printIn(stderr, language, texts::kMftRecordZeroBroken, "salvage vdisk", start.integrityCode);
        return kExitFailed;
    }
    std::printf("mft-record-limit             %u\n", params.mftRecordLimit);
    std::printf("mft-run-table                first record  last record  start LBA\n");
    for (std::size_t i = 0; i < table.rowCount; ++i) {
        const ntfs::MftRunRow& row = table.rows[i];
        std::printf("%28s %12u %12u %s\n", "", row.firstRecord, row.lastRecord,
                    text::formatLbaText(row.startLba).c_str());
    }
    return kExitDone;
}

}  // namespace quenzar::cli
