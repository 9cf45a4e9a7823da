// salvage restore: analyses an NTFS volume as salvage analyze does (every file, in use and
// deleted), marks the files chosen by path, folder, name pattern or state, and restores them into
// a target folder as the tree window's restore does: a test restore by default (small files in
// one run), or with --full every chosen file whole. The source is only read.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"
#include "cli/volume_choice.h"
#include "disk/inventory.h"
#include "disk/sector_access.h"
#include "disk/sector_mask.h"
#include "platform/code_page_1251.h"
#include "recovery/analysis.h"
#include "recovery/directory_tree.h"
#include "recovery/restore.h"
#include "recovery/restore_choice.h"
#include "recovery/safe_names.h"

namespace quenzar::cli {
namespace {

constexpr const char* kRestoreUsage =
    "usage: salvage restore (LETTER | IMAGE) --to FOLDER CHOICE... [options]\n"
    "       salvage restore (DISK | IMAGE) (--boot LBA | --mft LBA | --record LBA) --to FOLDER CHOICE... [options]\n"
    "\n"
    "Analyses the NTFS volume (every file, in use and deleted), then restores the chosen files into\n"
    "FOLDER under a copy of their folder path: Razd0/Docs/a.doc for a.doc in folder Docs of the\n"
    "root folder, \"Lost folder  N\"/a.doc for a file whose folder no longer exists. Names that\n"
    "would leave FOLDER are made safe, and two files of one name get \"name (2).ext\". The source is\n"
    "only read.\n"
    "\n"
    "LETTER is a drive letter of the inventory (see salvage disks), for example D or D:.\n"
    "IMAGE is a disk image or a device path; its NTFS volumes are taken in order (--volume).\n"
    "With --boot, --mft or --record LBA the volume is a virtual disk on DISK (0..7) or on IMAGE: an\n"
    "NTFS volume no partition table describes, modelled from its boot sector, its $MFT or any FILE\n"
    "record of the $MFT's first fragment (as salvage vdisk does). Then FOLDER may lie nowhere on\n"
    "that disk.\n"
    "\n"
    "choice (at least one; a file chosen by any of them is restored):\n"
    "  --all               every file\n"
    "  --deleted           every deleted file\n"
    "  --path PATH         the file at PATH, as salvage analyze prints the tree without its\n"
    "                      ROOT FOLDER: Documents/readme.txt (without regard to case)\n"
    "  --folder PATH       every file in the folder PATH and in the folders below it\n"
    "  --pattern NAME      every file whose name matches NAME, where * stands for any text and ?\n"
    "                      for one character, for example '*.doc' (without regard to case)\n"
    "\n"
    "options:\n"
    "  --to FOLDER         where the files go (made when missing); it must not lie on the\n"
    "                      analysed volume, nor, for an IMAGE or device, anywhere on that disk:\n"
    "                      not on a partition of it, the disk that holds it, or a loop device or\n"
    "                      mount made of the image (a folder beside the image is fine)\n"
    "  --full              restore every chosen file whole: all its fragments up to its real size,\n"
    "                      data kept inside its record, sparse parts as zeros, empty files as empty\n"
    "                      files. Without it a test restore is made, as the desktop program does:\n"
    "                      only files of 1 to 64,512 bytes lying in one fragment are written (the\n"
    "                      folders of every chosen file of that size are made)\n"
    "  --volume N          the N-th NTFS volume of IMAGE (1 = the first, the default)\n"
    "  --work-dir DIR      where the analysis' work file ~DI_Tmp.tmp goes while the command runs\n"
    "                      (default: the current folder; as --to, not on the source); it is\n"
    "                      deleted at the end\n"
    "  --retries N         how many more times a sector that does not read is read before it counts\n"
    "                      as bad (0 to 99, default 1); a bad sector is not read again, and a long\n"
    "                      bad area is jumped over and read back from its two ends\n"
    "  --lang ru|en        the language of the messages\n"
    "\n"
    "Only the files the analysis' tree lists in its folders are chosen (not the file system's own\n"
    "files). The summary counts every chosen file once: restored, not copied by the kind of\n"
    "restore, unreadable, not written, or not written for a damaged list of fragments.\n"
    "\n"
    "A read that fails is read again in smaller parts, down to single sectors: a file keeps every\n"
    "sector that can be read, with zeros for the others. A file whose fragments lie outside the\n"
    "volume or overlap is not written. Such files are listed in FOLDER/QuenzarSalvage-damaged.txt\n"
    "and printed. The exit code is 1 when anything chosen was not restored whole or MFT records\n"
    "could not be read.\n";

// A path as the user typed it (UTF-8, "/" or "\"), in capitals of code page 1251, without
// leading and trailing separators.
std::string userPath(const std::string& utf8) {
    std::string path = recovery::foldedName(platform::utf8ToCp1251(utf8));
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    while (!path.empty() && path.front() == '/') path.erase(path.begin());
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

// What the arguments of salvage restore ask for.
struct RestoreRequest {
    SharedOptions shared;
    std::string source;  // a drive letter or an image
    std::filesystem::path target;
    std::filesystem::path workFolder;
    recovery::RestoreChoice choice;
    recovery::RestoreMode mode = recovery::RestoreMode::Test;
    bool withStreams = false;
};

constexpr SharedOptionSet kRestoreOptions{.volume = true, .virtualDisk = true, .retries = true};

// Reads the arguments into the request; an exit code when the command ends there (--help, a
// usage error, with the usage printed).
std::optional<int> readRestoreArguments(const Arguments& args, RestoreRequest& request) {
    request.shared.language = languageOfEnvironment();
    recovery::RestoreChoice& choice = request.choice;
    bool haveSource = false, haveTarget = false;
    bool usageError = false;
    for (std::size_t i = 0; i < args.size() && !usageError; ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (const OptionRead shared = readSharedOption(args, i, request.shared, kRestoreOptions);
            shared != OptionRead::NotShared) {
            usageError = shared == OptionRead::Refused;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kRestoreUsage, stdout);
            return kExitDone;
        } else if (arg == "--all") {
            choice.all = true;
        } else if (arg == "--deleted") {
            choice.deleted = true;
        } else if (arg == "--path" && hasValue) {
            choice.paths.push_back(userPath(args[++i]));
        } else if (arg == "--folder" && hasValue) {
            choice.folders.push_back(userPath(args[++i]));
        } else if (arg == "--pattern" && hasValue) {
            choice.patterns.push_back(recovery::foldedName(platform::utf8ToCp1251(args[++i])));
        } else if (arg == "--to" && hasValue) {
            request.target = std::filesystem::path(args[++i]);
            haveTarget = true;
        } else if (arg == "--full") {
            request.mode = recovery::RestoreMode::Full;
        } else if (arg == "--streams") {
            request.withStreams = true;
        } else if (arg == "--work-dir" && hasValue) {
            request.workFolder = args[++i];
        } else if (!haveSource && !arg.empty() && arg[0] != '-') {
            request.source = arg;
            haveSource = true;
        } else {
            usageError = true;
        }
    }
    // A test restore copies no streams.
    if (request.withStreams && request.mode != recovery::RestoreMode::Full) usageError = true;
    if (usageError || !haveSource || !haveTarget || choice.empty() || !targetFitsOptions(request.source, request.shared)) {
        std::fputs(kRestoreUsage, stderr);
        return kExitUsage;
    }
    return std::nullopt;
}

// Analyses every file of the volume, in use and deleted, and gives the tree as the tree window
// shows it, and the rest of the analysis' result; nothing, with the message printed, when the
// analysis does not complete. The work file is not kept.
std::optional<recovery::DirectoryTree> analyseEveryFile(const ChosenVolume& volume, const RestoreRequest& request,
                                                        recovery::AnalysisResult& analysed) {
    const recovery::SearchFilter filter = recovery::everyFileFilter();
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, request.workFolder};
    if (volume.virtualVolume) {
        printIn(stderr, request.shared.language, texts::kAnalysingVirtualDisk, volume.virtualVolume->diskNumber,
                static_cast<unsigned long long>(volume.virtualVolume->bootLba));
    } else {
        printIn(stderr, request.shared.language, texts::kAnalysingVolume, volume.letter);
    }
    recovery::AnalysisResult result = analyseShowingProgress(volume, context, request.shared.language);
    recovery::removeWorkFile(result);
    if (result.outcome == recovery::AnalysisOutcome::Stopped) {
        printIn(stderr, request.shared.language, texts::kAnalysisStopped);
        return std::nullopt;
    }
    if (result.outcome != recovery::AnalysisOutcome::Completed) {
        printWriteProblem("restore", result.workFile, result.workFileProblem, request.shared.language);
        const recovery::MessageText message = recovery::analysisMessage(result.outcome, request.shared.language);
        std::fprintf(stderr, "%s\n%s\n", terminalText(message.title).c_str(), terminalText(message.text).c_str());
        return std::nullopt;
    }
    const std::string claim =
        recovery::mftClaimText(result.claimedRecordCount, result.recordCount, request.shared.language);
    if (!claim.empty()) std::fprintf(stderr, "%s\n", terminalText(claim).c_str());
    recovery::DirectoryTree tree = recovery::fillTreeView(recovery::savedTable(std::move(result.tree)));
    analysed = std::move(result);
    return tree;
}

// Prints the restored files, the counts, and the final message; the exit code of the command.
int reportRestore(const RestoreRequest& request, const recovery::RestoreReport& report) {
    const std::filesystem::path& target = request.target;
    for (const std::filesystem::path& file : report.written) {
        const std::u8string text = std::filesystem::relative(file, target).generic_u8string();
        std::printf("%s\n", terminalSafe(std::string(text.begin(), text.end())).c_str());
    }
    // Every chosen file is counted once, in one of the first line's categories after "chosen".
    const text::Language language = request.shared.language;
    const std::string kind =
        textIn(language, request.mode == recovery::RestoreMode::Full ? texts::kFullRestore : texts::kTestRestore);
    printIn(stdout, language, texts::kRestoreCounts, static_cast<unsigned long long>(report.filesChosen),
            static_cast<unsigned long long>(report.filesWritten), static_cast<unsigned long long>(report.bytesWritten),
            kind.c_str(), static_cast<unsigned long long>(report.filesNotCopied),
            static_cast<unsigned long long>(report.readFailures), static_cast<unsigned long long>(report.writeFailures),
            static_cast<unsigned long long>(report.damagedRunLists));
    if (report.filesNotReached != 0) {
        printIn(stdout, language, texts::kNotReachedCount, static_cast<unsigned long long>(report.filesNotReached));
    }
    printIn(stdout, language, texts::kRestoredDetails, static_cast<unsigned long long>(report.renamedFiles),
            static_cast<unsigned long long>(report.filesWithUnreadableSectors),
            static_cast<unsigned long long>(report.unreadableSectors),
            static_cast<unsigned long long>(report.unreadableMftRecords));
    if (request.withStreams) {
        printIn(stdout, language, texts::kStreamCounts, static_cast<unsigned long long>(report.streamsFound),
                static_cast<unsigned long long>(report.streamsWritten),
                static_cast<unsigned long long>(report.streamsNotCopied),
                static_cast<unsigned long long>(report.streamFailures));
    }
    // The damaged files by name, and the FILE records the analysis could not read, as the list
    // beside them gives them.
    if (!report.damaged.empty() || !report.unreadableRecords.empty()) {
        std::printf("%s", terminalSafe(terminalText(recovery::damageListText(report, request.shared.language)),
                                       LineBreaks::Kept).c_str());
    }
    const std::u8string absolute = std::filesystem::absolute(target).u8string();
    const recovery::RestoreMessage message = recovery::restoreFinishedMessage(
        platform::utf8ToCp1251(terminalSafe(std::string(absolute.begin(), absolute.end()))), report,
        request.shared.language);
    std::printf("%s\n%s", terminalText(message.title).c_str(), terminalText(message.text).c_str());
    return report.complete() ? kExitDone : kExitFailed;
}

}  // namespace

int runRestore(platform::DiskSystem& disks, const Arguments& args) {
    RestoreRequest request;
    if (const std::optional<int> exitCode = readRestoreArguments(args, request)) return *exitCode;
    const text::Language language = request.shared.language;
    const bool russian = text::isRussian(language);
    const StopSignals stopSignals;
    ChosenVolume volume;
    if (!chooseVolume(disks, request.source, request.shared, "restore", volume)) return kExitFailed;
    // Never write on what is being read: neither the restored files nor the work file. An image
    // or device source counts whole, with every mount and loop device made of it; so does the
    // disk of a virtual disk.
    if (volume.refusesFolder(request.target, "restore", language) ||
        volume.refusesFolder(request.workFolder, "restore", language)) {
        return kExitFailed;
    }

    recovery::AnalysisResult analysed;
    std::optional<recovery::DirectoryTree> tree = analyseEveryFile(volume, request, analysed);
    if (!tree) return stopSignalled() ? stoppedExitCode() : kExitFailed;
    // Files are chosen in the tree as the tree window shows it.
    const std::size_t marked = recovery::markChosen(*tree, request.choice);
    if (marked == 0) {
        std::fprintf(stderr, "%s\n%s\n", terminalText(russian ? "ОШИБКА" : "ERROR").c_str(),
                     terminalText(russian ? "Вы не выбрали ни одного файла для восстановления."
                                          : "You do not select any file to restore.").c_str());
        return kExitFailed;
    }
    std::error_code error;
    std::filesystem::create_directories(request.target, error);
    if (!std::filesystem::is_directory(request.target)) {
        printIn(stderr, language, texts::kFolderNotMade, terminalSafe(request.target.string()).c_str());
        return kExitFailed;
    }

    const char diskNumber = volume.diskNumber();
    disk::SectorMaskTable masks;
    disk::loadSectorMask(volume.disks(), masks, diskNumber);
    const recovery::RestoreSource restoreSource{volume.disks(),
                                                masks,
                                                diskNumber,
                                                analysed.units,
                                                analysed.geometry.volumeStartLba,
                                                analysed.volumeSectorCount,
                                                analysed.statistics.unreadableRecords,
                                                analysed.mftRuns,
                                                analysed.unreadableRecords};
    recovery::RestoreProgress restoreProgress;
    restoreProgress.bytesTotal = recovery::markedBytes(tree->table);
    restoreProgress.filesTotal = marked;
    std::fprintf(stderr, "%s\n", terminalText(russian ? "ВОССТАНОВЛЕНИЕ ОТМЕЧЕННЫХ ФАЙЛОВ." : "RESTORE MARKED FILES.").c_str());
    const recovery::RestoreReport report = restoreShowingProgress(
        [&] {
            return recovery::restoreMarkedFiles(restoreSource, tree->table, request.target, request.mode,
                                                restoreProgress, request.withStreams, language);
        },
        restoreProgress, language);
    const int exitCode = reportRestore(request, report);
    return report.stopped ? stoppedExitCode() : exitCode;
}

}  // namespace quenzar::cli
