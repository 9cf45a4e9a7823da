// salvage analyze: analyses an NTFS volume as the logical-drive analysis of the desktop program
// does — the whole MFT read, every record decoded, the file table filtered and written to the work
// file, the folder tree rebuilt — and prints the statistics and the tree, deleted and lost items
// marked. Progress goes to standard error.
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "cli/terminal.h"
#include "cli/volume_choice.h"
#include "cli/number_arguments.h"
#include "cli/shared_options.h"
#include "disk/inventory.h"
#include "ntfs/virtual_disk.h"
#include "platform/code_page_1251.h"
#include "recovery/analysis.h"
#include "recovery/analysis_listing.h"
#include "recovery/directory_tree.h"
#include "recovery/file_listing.h"
#include "recovery/listing.h"
#include "recovery/work_file.h"
#include "disk/sector_access.h"
#include "disk/sector_mask.h"
#include "ntfs/file_record.h"

namespace quenzar::cli {
namespace {

constexpr const char* kAnalyzeUsage =
    "usage: salvage analyze (LETTER | IMAGE) [options]\n"
    "       salvage analyze (DISK | IMAGE) (--boot LBA | --mft LBA | --record LBA) [options]\n"
    "\n"
    "LETTER is a drive letter of the inventory (see salvage disks), for example D or D:.\n"
    "IMAGE is a disk image or a device path; its NTFS volumes are taken in order (--volume).\n"
    "With --boot, --mft or --record the volume is a virtual disk on DISK (0..7) or on IMAGE: an\n"
    "NTFS volume no partition table describes, modelled from its boot sector, its $MFT or any FILE\n"
    "record of the $MFT's first fragment (as salvage vdisk does).\n"
    "\n"
    "filter (as the filter dialog; by default: .doc .rtf .xls .mdb .ppt .arj .rar .zip .jpg files\n"
    "in use):\n"
    "  --types LIST        the catalogue extensions to search, for example doc,pdf,jpg; the\n"
    "                      catalogue is doc rtf xls mdb ppt arj rar zip dbx pst psd ai cdr dwg\n"
    "                      pla pdf pgd gif tif jpg avi mp3 waw nef cr2\n"
    "  --ext EXT           also an extension of your own (up to four times)\n"
    "  --all-files         no extension filter: every file except system files (exe, dll, ...)\n"
    "  --with-system       with --all-files: system files as well\n"
    "  --prefix TEXT       only files whose name begins with TEXT (up to three times; implies\n"
    "                      --all-files, case-sensitive)\n"
    "  --deleted           deleted files as well\n"
    "  --only-deleted      deleted files only\n"
    "\n"
    "other options:\n"
    "  --volume N          the N-th NTFS volume of IMAGE (1 = the first, the default)\n"
    "  --work-dir DIR      where the work file ~DI_Tmp.tmp goes (default: the current folder);\n"
    "                      never on the volume, disk or image being read\n"
    "  --no-tree           print the statistics only\n"
    "  --json              instead of the statistics and the tree, one JSON object a line for each\n"
    "                      file and folder found: record, sequence, parent, generation, folder,\n"
    "                      deleted, size, the four times in ISO 8601 UTC, the full path in UTF-8,\n"
    "                      fragments and runs ([first cluster, clusters], null for a sparse one)\n"
    "  --bodyfile          instead, The Sleuth Kit's body file (mactime -b FILE makes a timeline)\n"
    "  --listing           also write the analytical listing QuenzarSalvage.txt beside the work\n"
    "                      file: one line per record of the file table (position of its FILE\n"
    "                      record, size, times, record numbers, state, first cluster, fragments,\n"
    "                      full name)\n"
    "  --retries N         how many more times a sector that does not read is read before it counts\n"
    "                      as bad (0 to 99, default 1); a bad sector is not read again, and a long\n"
    "                      bad area is jumped over and read back from its two ends\n"
    "  --lang ru|en        the language of the messages\n";

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool setCatalogue(recovery::SearchFilter& filter, const std::string& list, text::Language language) {
    filter.extensionOn.fill(0);
    std::size_t begin = 0;
    while (begin <= list.size()) {
        std::size_t end = list.find(',', begin);
        if (end == std::string::npos) end = list.size();
        const recovery::Extension ext = recovery::normaliseUserExtension(list.substr(begin, end - begin));
        bool known = false;
        for (std::size_t i = 0; i < recovery::kCatalogueExtensions.size(); ++i) {
            if (recovery::kCatalogueExtensions[i] == ext) {
                filter.extensionOn[i] = 1;
                known = true;
            }
        }
        if (!known) {
            printIn(stderr, language, texts::kNotInCatalogue, terminalSafe(list.substr(begin, end - begin)).c_str());
            return false;
        }
        begin = end + 1;
    }
    return true;
}

std::string sizeText(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(bytes));
    return text;
}

bool isRootFolder(const recovery::FileTableEntry& folder) { return folder.name[0] == '.' && folder.name[1] == 0; }

void printStatistics(const recovery::AnalysisResult& result, text::Language language) {
    const recovery::FileStatistics& s = result.statistics;
    printIn(stdout, language, texts::kMftRecordsLine, static_cast<unsigned long long>(result.recordCount),
                static_cast<unsigned long long>(s.unreadableRecords),
                static_cast<unsigned long long>(s.rejectedRecords));
    // Each record that did not read, with the path its folder's index still gives it.
    for (const recovery::UnreadableRecord& record : result.unreadableRecords) {
        std::printf("%s\n", terminalSafe(terminalText(recovery::unreadableRecordText(record, language))).c_str());
    }
    const std::string claim = recovery::mftClaimText(result.claimedRecordCount, result.recordCount, language);
    if (!claim.empty()) std::printf("%s\n", terminalText(claim).c_str());
    printIn(stdout, language, texts::kFoldersLine, static_cast<unsigned long long>(s.foldersInUse),
            static_cast<unsigned long long>(s.foldersDeleted));
    printIn(stdout, language, texts::kFilesLine, static_cast<unsigned long long>(s.filesInUse),
            sizeText(s.bytesInUse).c_str(), static_cast<unsigned long long>(s.filesDeleted),
            sizeText(s.bytesDeleted).c_str());
    printIn(stdout, language, texts::kMatchedLine, static_cast<unsigned long long>(s.matchedInUse),
            sizeText(s.matchedBytesInUse).c_str(), static_cast<unsigned long long>(s.matchedDeleted),
            sizeText(s.matchedBytesDeleted).c_str());
    if (result.tree.lostFolderCount != 0) printIn(stdout, language, texts::kLostFoldersLine, result.tree.lostFolderCount);
}

void printTree(const recovery::DirectoryTree& tree, text::Language language) {
    const std::string lostMark = textIn(language, texts::kLostMark);
    const std::string deletedMark = textIn(language, texts::kDeletedMark);
    const std::string rootText = textIn(language, texts::kRootFolder);
    const recovery::TreeView view = recovery::makeTreeView(tree);
    // Names come from the disk: they are printed made safe for the terminal (terminalSafe), so
    // that an escape sequence in a name cannot drive it. The name is given in UTF-8.
    std::string name;
    auto entryName = [&](std::uint32_t index) -> const std::string& {
        const recovery::FileTableEntry& entry = tree.table[index];
        name = platform::cp1251ToUtf8(std::string_view(entry.name, strnlen(entry.name, recovery::kEntryNameBytes)));
        return name;
    };
    // A file line: the name padded to 40 characters, the size right-aligned in 14.
    constexpr std::size_t kNameColumn = 40;
    constexpr std::size_t kSizeColumn = 14;
    std::string line;
    // Depth-first with an explicit stack: a tree of many levels must not exhaust the call stack.
    struct Item {
        std::uint32_t index;
        int depth;
    };
    for (std::size_t g = 0; g < tree.generations.size(); ++g) {
        const char generation = tree.generations[g];
        std::fputc('\n', stdout);
        printIn(stdout, language, generation == '1' ? texts::kDiskItem : texts::kRegionItem, generation);
        std::fputc('\n', stdout);
        std::vector<Item> stack;
        for (auto it = view.topLevel[g].rbegin(); it != view.topLevel[g].rend(); ++it) stack.push_back({*it, 1});
        while (!stack.empty()) {
            const Item item = stack.back();
            stack.pop_back();
            const recovery::FileTableEntry& folder = tree.table[item.index];
            const bool lost = recovery::isLostFolder(folder);
            const std::string indent(static_cast<std::size_t>(2 * item.depth), ' ');
            const std::string text = isRootFolder(folder) ? rootText : entryName(item.index);
            std::printf("%s%s/%s\n", indent.c_str(), isRootFolder(folder) ? text.c_str() : terminalSafe(text).c_str(),
                        lost ? lostMark.c_str() : folder.isDeleted() ? deletedMark.c_str() : "");
            if (const auto files = view.files.find(item.index); files != view.files.end()) {
                // A folder may list a great many files: each line is made in one reused buffer.
                for (std::uint32_t f : files->second) {
                    const recovery::FileTableEntry& file = tree.table[f];
                    line.assign(indent).append("  ");
                    const std::size_t characters = appendTerminalSafe(line, entryName(f));
                    if (characters < kNameColumn) line.append(kNameColumn - characters, ' ');
                    char size[24];
                    const auto sizeEnd = std::to_chars(size, size + sizeof size, file.size()).ptr;
                    const std::size_t digits = static_cast<std::size_t>(sizeEnd - size);
                    line.append(" ").append(digits < kSizeColumn ? kSizeColumn - digits : 0, ' ').append(size, digits);
                    if (file.isDeleted()) line.append(deletedMark);
                    line.append("\n");
                    std::fwrite(line.data(), 1, line.size(), stdout);
                }
            }
            if (const auto children = view.children.find(item.index); children != view.children.end()) {
                for (auto it = children->second.rbegin(); it != children->second.rend(); ++it) {
                    stack.push_back({*it, item.depth + 1});
                }
            }
        }
    }
}

// A text as a JSON string: quotes, backslashes and control characters escaped, C1 (U+0080 to
// U+009F, which a terminal may take as commands) among them; the rest is UTF-8 already.
void appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", next);
            out += escaped;
            ++i;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendJsonTime(std::string& out, const char* key, std::uint64_t fileTime, bool known) {
    out += ",\"";
    out += key;
    out += "\":";
    if (known) {
        appendJsonString(out, recovery::isoTime(fileTime));
    } else {
        out += "null";
    }
}

std::string jsonLine(const recovery::ListedFile& file) {
    const recovery::FileTableEntry& entry = *file.entry;
    std::string line = "{\"record\":" + std::to_string(entry.ownId);
    line += ",\"sequence\":" + (file.recordRead ? std::to_string(file.sequence) : std::string("null"));
    line += ",\"parent\":" + std::to_string(entry.parentId);
    line += ",\"generation\":" + std::string(1, entry.generation);
    line += std::string(",\"folder\":") + (entry.isFolder() ? "true" : "false");
    line += std::string(",\"deleted\":") + (entry.isDeleted() ? "true" : "false");
    line += ",\"size\":" + std::to_string(file.size);
    appendJsonTime(line, "created", file.created, file.recordRead);
    appendJsonTime(line, "modified", file.modified, file.recordRead);
    appendJsonTime(line, "mft_modified", file.mftModified, file.recordRead);
    appendJsonTime(line, "accessed", file.accessed, file.recordRead);
    line += ",\"path\":";
    appendJsonString(line, file.path);
    line += ",\"fragments\":" + std::to_string(file.recordRead ? file.runs.size() : std::size_t{entry.fragments});
    line += ",\"runs\":[";
    for (std::size_t i = 0; i < file.runs.size(); ++i) {
        const ntfs::DataRun& run = file.runs[i];
        if (i != 0) line += ',';
        line += '[';
        line += run.startCluster == ntfs::kSparseCluster ? std::string("null") : std::to_string(run.startCluster);
        line += ',' + std::to_string(run.clusterCount) + ']';
    }
    line += "]}\n";
    return line;
}

// The Sleuth Kit's body format (3.x): MD5|name|inode|mode|UID|GID|size|atime|mtime|ctime|crtime,
// times in seconds since 1970 UTC, ctime the MFT record's change. A deleted entry's name ends in
// " (deleted)", as fls writes it.
std::string bodyLine(const recovery::ListedFile& file) {
    const recovery::FileTableEntry& entry = *file.entry;
    char times[128];
    std::snprintf(times, sizeof times, "|%lld|%lld|%lld|%lld\n", static_cast<long long>(recovery::unixTime(file.accessed)),
                  static_cast<long long>(recovery::unixTime(file.modified)),
                  static_cast<long long>(recovery::unixTime(file.mftModified)),
                  static_cast<long long>(recovery::unixTime(file.created)));
    return "0|/" + file.path + (entry.isDeleted() ? " (deleted)" : "") + "|" + std::to_string(entry.ownId) + "|" +
           (entry.isFolder() ? "d/drwxrwxrwx" : "r/rrwxrwxrwx") + "|0|0|" + std::to_string(file.size) + times;
}

// Every file and folder of the analysis with what its record, read again, tells; the exit code.
int printFileListing(const ChosenVolume& volume, const recovery::AnalysisResult& result, bool json,
                     text::Language language) {
    disk::SectorMaskTable masks;
    disk::loadSectorMask(volume.disks(), masks, volume.diskNumber());
    const recovery::RestoreSource source{volume.disks(),
                                         masks,
                                         volume.diskNumber(),
                                         result.units,
                                         result.geometry.volumeStartLba,
                                         result.volumeSectorCount,
                                         result.statistics.unreadableRecords,
                                         result.mftRuns,
                                         result.unreadableRecords};
    std::uint64_t unread = 0;
    const bool opened = recovery::listFiles(source, recovery::extractedTable(result), [&](const recovery::ListedFile& file) {
        if (!file.recordRead) ++unread;
        const std::string line = json ? jsonLine(file) : bodyLine(file);
        std::fwrite(line.data(), 1, line.size(), stdout);
    });
    if (!opened) printIn(stderr, language, texts::kDiskUnreadable, "salvage analyze", volume.diskNumber());
    if (unread != 0) printIn(stderr, language, texts::kRecordsNotReadAgain, static_cast<unsigned long long>(unread));
    for (const recovery::UnreadableRecord& record : result.unreadableRecords) {
        std::fprintf(stderr, "%s\n", terminalSafe(terminalText(recovery::unreadableRecordText(record, language))).c_str());
    }
    return opened && unread == 0 && result.statistics.unreadableRecords == 0 ? kExitDone : kExitFailed;
}

}  // namespace

// What the arguments of salvage analyze ask for.
struct AnalyzeRequest {
    recovery::SearchFilter filter;
    SharedOptions shared;
    std::string target;  // a drive letter, an image, or with a virtual disk a disk number
    std::filesystem::path workFolder;
    bool showTree = true;
    bool listing = false;
    enum class Output { Text, Json, Bodyfile } output = Output::Text;
};

constexpr SharedOptionSet kAnalyzeOptions{.volume = true, .virtualDisk = true, .retries = true};

// Reads the arguments into the request; an exit code when the command ends there (--help, a
// usage error, with the usage printed).
std::optional<int> readAnalyzeArguments(const Arguments& args, AnalyzeRequest& request) {
    request.shared.language = languageOfEnvironment();
    std::size_t userExtensions = 0, prefixes = 0;
    bool haveTarget = false;
    bool usageError = false;
    for (std::size_t i = 0; i < args.size() && !usageError; ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (const OptionRead shared = readSharedOption(args, i, request.shared, kAnalyzeOptions);
            shared != OptionRead::NotShared) {
            usageError = shared == OptionRead::Refused;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kAnalyzeUsage, stdout);
            return kExitDone;
        } else if (arg == "--types" && hasValue) {
            usageError = !setCatalogue(request.filter, lowerCase(args[++i]), request.shared.language);
        } else if (arg == "--ext" && hasValue && userExtensions < recovery::kUserExtensionCount) {
            request.filter.userExt[userExtensions++] = {1, recovery::normaliseUserExtension(args[++i])};
        } else if (arg == "--all-files") {
            request.filter.allExtensions = 1;
        } else if (arg == "--with-system") {
            request.filter.noSystemFiles = 0;
        } else if (arg == "--prefix" && hasValue && prefixes < recovery::kNamePrefixCount) {
            request.filter.allExtensions = 1;
            request.filter.allNames = 0;
            request.filter.prefix[prefixes].on = 1;
            recovery::setNamePrefix(request.filter.prefix[prefixes++], platform::utf8ToCp1251(args[++i]));
        } else if (arg == "--deleted") {
            request.filter.searchDeleted = 1;
        } else if (arg == "--only-deleted") {
            request.filter.searchDeleted = 1;
            request.filter.searchExisting = 0;
        } else if (arg == "--work-dir" && hasValue) {
            request.workFolder = args[++i];
        } else if (arg == "--no-tree") {
            request.showTree = false;
        } else if (arg == "--listing") {
            request.listing = true;
        } else if (arg == "--json" && request.output == AnalyzeRequest::Output::Text) {
            request.output = AnalyzeRequest::Output::Json;
        } else if (arg == "--bodyfile" && request.output == AnalyzeRequest::Output::Text) {
            request.output = AnalyzeRequest::Output::Bodyfile;
        } else if (!haveTarget && !arg.empty() && arg[0] != '-') {
            request.target = arg;
            haveTarget = true;
        } else {
            usageError = true;
        }
    }
    if (usageError || !haveTarget || !targetFitsOptions(request.target, request.shared)) {
        std::fputs(kAnalyzeUsage, stderr);
        return kExitUsage;
    }
    return std::nullopt;
}

int runAnalyze(platform::DiskSystem& disks, const Arguments& args) {
    AnalyzeRequest request;
    if (const std::optional<int> exitCode = readAnalyzeArguments(args, request)) return *exitCode;
    const text::Language language = request.shared.language;
    const StopSignals stopSignals;
    ChosenVolume volume;
    if (!chooseVolume(disks, request.target, request.shared, "analyze", volume)) return kExitFailed;
    const std::optional<recovery::VirtualDiskVolume>& virtualVolume = volume.virtualVolume;
    const char letter = volume.letter;
    // The work file and the listing never go onto what is being read.
    if (volume.refusesFolder(request.workFolder, "analyze", language)) return kExitFailed;

    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{request.filter, generations, progress, request.workFolder};
    recovery::AnalysisResult result = analyseShowingProgress(volume, context, language);
    if (result.outcome == recovery::AnalysisOutcome::Stopped || stopSignalled()) {
        // Stopped by Ctrl+C: nothing of the analysis stays behind.
        recovery::removeWorkFile(result);
        printIn(stderr, language, texts::kAnalysisStopped);
        return stoppedExitCode();
    }

    bool listingFailed = false;
    if (request.listing && (result.outcome == recovery::AnalysisOutcome::Completed ||
                    result.outcome == recovery::AnalysisOutcome::NoFileMatched)) {
        // The record positions of the table are absolute LBAs of the disk that holds the volume.
        const std::filesystem::path file = request.workFolder / recovery::kListingFileName;
        const platform::WriteProblem problem =
            recovery::writeAnalysisListing(volume.disks(), volume.diskNumber(), result, file, request.shared.language);
        printWriteProblem("analyze", file, problem, language);
        listingFailed = problem != platform::WriteProblem::None;
    }
    if (result.outcome != recovery::AnalysisOutcome::Completed) {
        printWriteProblem("analyze", result.workFile, result.workFileProblem, language);
        const recovery::MessageText message = recovery::analysisMessage(result.outcome, request.shared.language);
        std::fprintf(stderr, "%s\n%s\n", terminalText(message.title).c_str(), terminalText(message.text).c_str());
        if (result.outcome == recovery::AnalysisOutcome::NoFileMatched) printStatistics(result, language);
        return kExitFailed;
    }
    if (request.output != AnalyzeRequest::Output::Text) {
        return printFileListing(volume, result, request.output == AnalyzeRequest::Output::Json, language);
    }
    if (virtualVolume) {
        printIn(stdout, language, texts::kVirtualHeader, virtualVolume->diskNumber, static_cast<unsigned long long>(virtualVolume->bootLba),
                    virtualVolume->sectorsPerCluster, terminalSafe(result.workFile.string()).c_str());
    } else {
        printIn(stdout, language, texts::kVolumeHeader, letter, terminalSafe(result.workFile.string()).c_str());
    }
    if (result.units.sectorBytes != ntfs::kSmallSectorBytes || result.units.recordBytes != ntfs::kSmallRecordSize) {
        printIn(stdout, language, texts::kVolumeUnitsLine, result.units.sectorBytes, result.units.recordBytes);
    }
    printStatistics(result, language);
    // The tree as the tree window shows it, from the table the work file keeps.
    if (request.showTree) printTree(recovery::fillTreeView(recovery::savedTable(std::move(result.tree))), language);
    // The analysis itself is shown, but a listing asked for and not written is a failure.
    return listingFailed ? kExitFailed : kExitDone;
}

}  // namespace quenzar::cli
