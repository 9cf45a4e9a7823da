// salvage scan: reads a disk (or a part of it) once and lists the NTFS volumes its sectors still
// prove — boot sectors, their backups in a volume's last sector, and records 0 of an MFT — with
// which starting point of a virtual disk (--boot, --mft, --record) gives each back, and whether
// the partition table still describes it. The volume a line names is then analysed with
// `salvage analyze DISK --boot LBA` (or --mft, --record).
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/number_arguments.h"
#include "cli/progress.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"
#include "disk/inventory.h"
#include "ntfs/file_time.h"
#include "ntfs/lost_volumes.h"

namespace quenzar::cli {
namespace {

using text::TextPair;

constexpr const char* kScanUsage =
    "usage: salvage scan (DISK | IMAGE) [--from LBA] [--to LBA] [--retries N] [--lang ru|en]\n"
    "  --retries N   how many more times a sector that does not read is read before it counts as\n"
    "                bad (0 to 99, default 1)\n";

constexpr TextPair kScanned{"%s: диск %c, LBA %llu - %llu: прочитано секторов %llu, нечитаемых (пропущены) %llu\n",
                            "%s: disk %c, LBA %llu - %llu: %llu sectors read, %llu unreadable (skipped)\n"};
constexpr TextPair kSectorSize{"Секторы диска по %u байт: LBA считаются в них.\n",
                               "The disk's sectors are of %u bytes: LBAs count these.\n"};
constexpr TextPair kStopped{"Поиск прерван: найденное в прочитанной части.\n",
                            "The scan was stopped: what the part read holds.\n"};
constexpr TextPair kTraces{"Загрузочных секторов NTFS: %llu, записей 0 таблицы MFT: %llu\n",
                           "NTFS boot sectors: %llu, records 0 of an MFT: %llu\n"};
constexpr TextPair kNothing{"Томов NTFS не найдено.\n", "No NTFS volume found.\n"};
constexpr TextPair kCandidate{"\nТом %zu: начало LBA %llu, кластер %u секторов, $MFT в кластере %llu",
                              "\nVolume %zu: start LBA %llu, cluster of %u sectors, $MFT at cluster %llu"};
constexpr TextPair kSectorCount{", секторов %llu", ", %llu sectors"};
constexpr TextPair kBoot{"  загрузочный сектор         LBA %llu\n", "  boot sector                LBA %llu\n"};
constexpr TextPair kBackup{"  копия загрузочного сектора LBA %llu\n", "  backup boot sector         LBA %llu\n"};
constexpr TextPair kMft{"  запись 0 ($MFT)            LBA %llu, создана %s\n",
                        "  record 0 ($MFT)            LBA %llu, created %s\n"};
constexpr TextPair kMftOverwritten{"  запись 0 ($MFT)            на своем месте ее нет (перезаписана)\n",
                                   "  record 0 ($MFT)            not at its place (overwritten)\n"};
constexpr TextPair kMirror{"  копия в $MFTMirr           LBA %llu, создана %s\n",
                           "  copy in $MFTMirr           LBA %llu, created %s\n"};
constexpr TextPair kFeeds{"  начальные точки           ", "  starting points           "};
constexpr TextPair kFeedsNone{" нет (запись 0 этого форматирования не сохранилась)",
                              " none (record 0 of this formatting is gone)"};
constexpr TextPair kInTable{"  таблица разделов           описывает его (раздел %d)\n",
                            "  partition table            describes it (entry %d)\n"};
constexpr TextPair kNotInTable{"  таблица разделов           не описывает его\n",
                               "  partition table            does not describe it\n"};
constexpr TextPair kNoDisk{"%s: диск %s не читается\n", "%s: disk %s cannot be read\n"};

std::string timeText(std::uint64_t fileTime) {
    char text[16];
    ntfs::fileTimeText(fileTime, text);
    return std::string(text, sizeof text);
}

void printCandidate(std::size_t number, const ntfs::VolumeCandidate& volume, text::Language language) {
    const auto lba = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    printIn(stdout, language, kCandidate, number, lba(volume.startLba), volume.sectorsPerCluster, lba(volume.mftCluster));
    if (volume.sectorCount != 0) printIn(stdout, language, kSectorCount, lba(volume.sectorCount));
    std::fputs("\n", stdout);
    if (volume.bootLba) printIn(stdout, language, kBoot, lba(*volume.bootLba));
    if (volume.backupBootLba) printIn(stdout, language, kBackup, lba(*volume.backupBootLba));
    if (volume.mftLba) {
        printIn(stdout, language, kMft, lba(*volume.mftLba), timeText(volume.mftCreated).c_str());
    } else if (volume.mftOverwritten) {
        printIn(stdout, language, kMftOverwritten);
    }
    if (volume.mirrorLba) printIn(stdout, language, kMirror, lba(*volume.mirrorLba), timeText(volume.mftCreated).c_str());
    printIn(stdout, language, kFeeds);
    if (volume.feedsBoot) std::printf(" --boot %llu", lba(*volume.feedsBoot));
    if (volume.feedsMft) std::printf(" --mft %llu", lba(*volume.feedsMft));
    if (volume.feedsRecord) std::printf(" --record %llu", lba(*volume.feedsRecord));
    if (!volume.feedsBoot && !volume.feedsMft && !volume.feedsRecord) printIn(stdout, language, kFeedsNone);
    std::fputs("\n", stdout);
    if (volume.partitionNumber != 0) {
        printIn(stdout, language, kInTable, volume.partitionNumber);
    } else {
        printIn(stdout, language, kNotInTable);
    }
}

}  // namespace

int runScan(platform::DiskSystem& disks, const Arguments& args) {
    std::optional<std::string> target;
    std::optional<std::uint64_t> fromLba;
    std::optional<std::uint64_t> toLba;
    SharedOptions options;
    options.language = languageOfEnvironment();
    bool usageError = false;
    for (std::size_t i = 0; i < args.size() && !usageError; ++i) {
        const std::string& arg = args[i];
        if (const OptionRead shared = readSharedOption(args, i, options, {.retries = true});
            shared != OptionRead::NotShared) {
            usageError = shared == OptionRead::Refused;
        } else if ((arg == "--from" || arg == "--to") && i + 1 < args.size()) {
            const std::optional<std::uint64_t> value = parseUnsigned(args[++i]);
            usageError = !value;
            (arg == "--from" ? fromLba : toLba) = value;
        } else if (!target && arg.rfind("--", 0) != 0) {
            target = arg;
        } else {
            usageError = true;
        }
    }
    if (usageError || !target || (fromLba && toLba && *fromLba >= *toLba)) {
        std::fputs(kScanUsage, stderr);
        return kExitUsage;
    }
    const text::Language language = options.language;

    // A disk number of the program's disks, or an image of its own.
    std::unique_ptr<platform::DiskSystem> image;
    platform::DiskSystem* source = &disks;
    char diskNumber = '0';
    if (const std::optional<char> number = parseDiskNumber(*target)) {
        diskNumber = *number;
    } else {
        if (!isImageSource(*target, "salvage scan", language)) return kExitFailed;
        image = std::make_unique<platform::ImageDiskSystem>(std::vector<std::string>{*target});
        source = image.get();
    }
    disk::InventoryState inventory;
    inventory.language = language;
    disk::ProbeDisk(inventory, *source, diskNumber);
    const disk::PhysicalDiskInfo& info = inventory.disk(diskNumber);
    if (!info.isPresent() || info.totalSectors == 0) {
        printIn(stderr, language, kNoDisk, "salvage scan", terminalSafe(*target).c_str());
        return kExitFailed;
    }

    const StopSignals stopSignals;
    ntfs::ScanProgress progress;
    const ntfs::ScanReport report = scanShowingProgress(
        [&] { return ntfs::scanForVolumes(*source, inventory, diskNumber, fromLba.value_or(0), toLba.value_or(0), progress); },
        progress, language);
    const auto count = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    const std::uint64_t lastLba = report.firstLba + (report.sectorsRead != 0 ? report.sectorsRead - 1 : 0);
    printIn(stdout, language, kScanned, "salvage scan", diskNumber, count(report.firstLba), count(lastLba),
            count(report.sectorsRead), count(report.unreadableSectors));
    if (const std::uint32_t sectorBytes = inventory.disk(diskNumber).bytesPerSector; sectorBytes > 512) {
        printIn(stdout, language, kSectorSize, sectorBytes);
    }
    if (report.stopped) printIn(stdout, language, kStopped);
    printIn(stdout, language, kTraces, count(report.bootSectorsFound), count(report.mftRecordsFound));
    if (report.candidates.empty()) printIn(stdout, language, kNothing);
    for (std::size_t i = 0; i < report.candidates.size(); ++i) printCandidate(i + 1, report.candidates[i], language);
    if (report.stopped) return stoppedExitCode();
    return report.candidates.empty() || report.unreadableSectors != 0 ? kExitFailed : kExitDone;
}

}  // namespace quenzar::cli
