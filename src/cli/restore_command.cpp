// salvage restore: analyses an NTFS volume as salvage analyze does (every file, in use and
// deleted), marks the files chosen by path, folder, name pattern or state, and restores them into
// a target folder as the tree window's restore does: a test restore by default (small files in
// one run), or with --full every chosen file whole. The source is only read.
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal.h"
#include "cli/volume_choice.h"
#include "disk/inventory.h"
#include "disk/sector_access.h"
#include "disk/sector_mask.h"
#include "platform/code_page_1251.h"
#include "recovery/analysis.h"
#include "recovery/directory_tree.h"
#include "recovery/restore.h"
#include "recovery/safe_names.h"

namespace quenzar::cli {
namespace {

constexpr const char* kRestoreUsage =
    "usage: salvage restore (LETTER | IMAGE) --to FOLDER CHOICE... [options]\n"
    "\n"
    "Analyses the NTFS volume (every file, in use and deleted), then restores the chosen files into\n"
    "FOLDER under a copy of their folder path: Razd0/Docs/a.doc for a.doc in folder Docs of the\n"
    "root folder, \"Lost folder  N\"/a.doc for a file whose folder no longer exists. Names that\n"
    "would leave FOLDER are made safe, and two files of one name get \"name (2).ext\". The source is\n"
    "only read.\n"
    "\n"
    "LETTER is a drive letter of the inventory (see salvage disks), for example D or D:.\n"
    "IMAGE is a disk image or a device path; its NTFS volumes are taken in order (--volume).\n"
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
    "                      analysed volume\n"
    "  --full              restore every chosen file whole: all its fragments up to its real size,\n"
    "                      data kept inside its record, sparse parts as zeros. Without it a test\n"
    "                      restore is made, as the desktop program does: only files of at most\n"
    "                      64,512 bytes lying in one fragment are written (their folders are made\n"
    "                      for all chosen files)\n"
    "  --volume N          the N-th NTFS volume of IMAGE (1 = the first, the default)\n"
    "  --work-dir DIR      where the analysis' work file ~DI_Tmp.tmp goes while the command runs\n"
    "                      (default: the current folder); it is deleted at the end\n"
    "  --lang ru|en        the language of the messages\n";

// Whether a code page 1251 name matches a pattern of * and ?, both already folded to capitals.
bool matchesPattern(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

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

std::string entryName(const recovery::FileTableEntry& entry) {
    return std::string(entry.name, strnlen(entry.name, recovery::kEntryNameBytes));
}

// The folder path of every placed folder as the tree shows it below its generation's item,
// without the root folder: "" for the root, "Documents/Reports" ..., in capitals.
std::unordered_map<std::uint64_t, std::string> folderPaths(const recovery::DirectoryTree& tree) {
    std::unordered_map<std::uint32_t, std::string> byIndex;
    std::unordered_map<std::uint64_t, std::string> byKey;
    // Folders are placed from the far end of each chain down, so a parent comes before its children.
    for (const recovery::PlacedFolder& placed : tree.folders) {
        const recovery::FileTableEntry& folder = tree.table[placed.tableIndex];
        std::string path;
        if (placed.parentIndex != recovery::PlacedFolder::kTopLevel) {
            const std::string& parent = byIndex[placed.parentIndex];
            path = parent.empty() ? entryName(folder) : parent + "/" + entryName(folder);
        } else if (entryName(folder) != ".") {
            path = entryName(folder);
        }
        path = recovery::foldedName(path);
        byIndex[placed.tableIndex] = path;
        if (!placed.breaksChain) byKey.emplace(recovery::folderKey(folder.generation, folder.ownId), path);
    }
    return byKey;
}

struct Choice {
    bool all = false;
    bool deleted = false;
    std::vector<std::string> paths;     // folded
    std::vector<std::string> folders;   // folded
    std::vector<std::string> patterns;  // folded
    bool empty() const { return !all && !deleted && paths.empty() && folders.empty() && patterns.empty(); }
};

// Marks the chosen files; returns how many.
std::size_t markChosen(recovery::DirectoryTree& tree, const Choice& choice) {
    const auto paths = folderPaths(tree);
    std::size_t marked = 0;
    for (recovery::FileTableEntry& entry : tree.table) {
        if (entry.isFolder()) continue;
        const std::string name = recovery::foldedName(entryName(entry));
        bool chosen = choice.all || (choice.deleted && entry.isDeleted());
        for (const std::string& pattern : choice.patterns) chosen = chosen || matchesPattern(name, pattern);
        const auto folder = paths.find(recovery::folderKey(entry.generation, entry.parentId));
        if (!chosen && folder != paths.end()) {
            const std::string path = folder->second.empty() ? name : folder->second + "/" + name;
            for (const std::string& wanted : choice.paths) chosen = chosen || path == wanted;
            for (const std::string& wanted : choice.folders) {
                chosen = chosen || wanted.empty() || path.compare(0, wanted.size() + 1, wanted + "/") == 0;
            }
        }
        if (chosen) {
            entry.mark = '1';
            ++marked;
        }
    }
    return marked;
}

// Whether the target folder lies on the analysed volume of the machine's own disks. Windows: the
// drive letter of the target is the analysed one. Elsewhere: the target's file system is the
// volume's device.
bool targetOnSource(platform::DiskSystem& disks, char letter, const std::filesystem::path& target) {
    // The drive letters of attached images are the program's own, not the system's.
    if (dynamic_cast<platform::ImageDiskSystem*>(&disks) != nullptr) return false;
    const std::filesystem::path absolute = std::filesystem::absolute(target);
#ifdef _WIN32
    const std::string root = absolute.root_name().string();
    return !root.empty() && std::toupper(static_cast<unsigned char>(root[0])) == letter;
#else
    const auto volume = disks.volumes().find(letter);
    if (volume == disks.volumes().end() || volume->second.devicePath.empty()) return false;
    struct stat device{}, folder{};
    if (stat(volume->second.devicePath.c_str(), &device) != 0 || !S_ISBLK(device.st_mode)) return false;
    return stat(absolute.c_str(), &folder) == 0 && folder.st_dev == device.st_rdev;
#endif
}

}  // namespace

int runRestore(platform::DiskSystem& disks, const Arguments& args) {
    text::Language language = languageOfEnvironment();
    std::optional<std::string> source;
    std::optional<std::filesystem::path> target;
    std::filesystem::path workFolder;
    Choice choice;
    recovery::RestoreMode mode = recovery::RestoreMode::Test;
    int volumeNumber = 1;
    bool withStreams = false;
    bool usageError = false;
    for (std::size_t i = 0; i < args.size() && !usageError; ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
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
            target = std::filesystem::path(args[++i]);
        } else if (arg == "--full") {
            mode = recovery::RestoreMode::Full;
        } else if (arg == "--streams") {
            withStreams = true;
        } else if (arg == "--volume" && hasValue) {
            volumeNumber = std::atoi(args[++i].c_str());
            usageError = volumeNumber < 1;
        } else if (arg == "--work-dir" && hasValue) {
            workFolder = args[++i];
        } else if (arg == "--lang" && hasValue && (args[i + 1] == "ru" || args[i + 1] == "en")) {
            language = args[++i] == "ru" ? text::Language::Russian : text::Language::English;
        } else if (!source && !arg.empty() && arg[0] != '-') {
            source = arg;
        } else {
            usageError = true;
        }
    }
    if (withStreams && mode != recovery::RestoreMode::Full) usageError = true;  // a test restore copies no streams
    if (usageError || !source || !target || choice.empty()) {
        std::fputs(kRestoreUsage, stderr);
        return kExitUsage;
    }

    platform::DiskSystem* system = &disks;
    std::unique_ptr<platform::ImageDiskSystem> image;
    const std::string& name = *source;
    const bool isLetter = (name.size() == 1 || (name.size() == 2 && name[1] == ':')) &&
                          std::isalpha(static_cast<unsigned char>(name[0]));
    if (!isLetter) {
        if (!std::filesystem::exists(name)) {
            std::fprintf(stderr, "salvage restore: %s: no such file or device\n", name.c_str());
            return kExitFailed;
        }
        image = std::make_unique<platform::ImageDiskSystem>(std::vector<std::string>{name});
        system = image.get();
    }
    disk::InventoryState inventory;
    inventory.language = language;
    disk::BuildDiskInventory(inventory, *system);
    const char letter = isLetter ? static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])))
                                 : letterOfVolume(inventory, volumeNumber);
    if (letter == 0) {
        std::fprintf(stderr, "salvage restore: %s: no NTFS volume number %d\n", name.c_str(), volumeNumber);
        return kExitFailed;
    }
    const bool russian = text::isRussian(language);
    if (targetOnSource(*system, letter, *target)) {
        std::fprintf(stderr, "%s\n%s\n",
                     terminalText(russian ? "НЕВЕРНО ЗАДАН ДИСК ДЛЯ ЗАПИСИ ДАННЫХ!"
                                          : "INCORRECTLY SPECIFIED DISK FOR RECORDING DATA!").c_str(),
                     terminalText(russian ? "Вы выбрали папку, которая расположена на логическом \r\n"
                                            "диске, где находятся извлекаемые данные. \r\n\r\n"
                                            "Выберите папку на другом логическом диске.   Это  мо- \r\n"
                                            "жет быть флеш или USB сменный диск. "
                                          : "You select a folder, which is located on the logical \r\n"
                                            "disk, where are extracted data. \r\n\r\n"
                                            "Select a folder on another logical drive. It can be \r\n"
                                            "AC, flash or USB removable disk.\r\n").c_str());
        return kExitFailed;
    }

    recovery::SearchFilter filter;
    filter.allExtensions = 1;
    filter.noSystemFiles = 0;
    filter.searchDeleted = 1;
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, workFolder};
    std::fprintf(stderr, "analysing volume %c: ...\n", letter);
    recovery::AnalysisResult result = recovery::runAnalysis(*system, inventory, letter, context);
    std::error_code ignored;
    if (!result.workFile.empty()) std::filesystem::remove(result.workFile, ignored);
    if (result.outcome != recovery::AnalysisOutcome::Completed) {
        const recovery::MessageText message = recovery::analysisMessage(result.outcome, language);
        std::fprintf(stderr, "%s\n%s\n", terminalText(message.title).c_str(), terminalText(message.text).c_str());
        return kExitFailed;
    }

    // Files are chosen in the tree as the tree window shows it.
    recovery::DirectoryTree tree = recovery::fillTreeView(recovery::savedTable(std::move(result.tree)));
    std::size_t marked = markChosen(tree, choice);
    if (marked == 0) {
        std::fprintf(stderr, "%s\n%s\n", terminalText(russian ? "ОШИБКА" : "ERROR").c_str(),
                     terminalText(russian ? "Вы не выбрали ни одного файла для восстановления."
                                          : "You do not select any file to restore.").c_str());
        return kExitFailed;
    }
    std::error_code error;
    std::filesystem::create_directories(*target, error);
    if (!std::filesystem::is_directory(*target)) {
        std::fprintf(stderr, "salvage restore: %s: the folder cannot be made\n", target->string().c_str());
        return kExitFailed;
    }

    const disk::LogicalDriveInfo& drive = inventory.drives[static_cast<std::size_t>(letter - disk::kFirstDriveLetter)];
    const char diskNumber = static_cast<char>('0' + drive.diskNumber);
    disk::SectorMaskTable masks;
    disk::loadSectorMask(*system, masks, diskNumber);
    const recovery::RestoreSource restoreSource{*system, masks, diskNumber, result.geometry.sectorsPerCluster,
                                                result.geometry.volumeStartLba};
    recovery::RestoreProgress restoreProgress;
    restoreProgress.bytesTotal = recovery::markedBytes(tree.table);
    std::fprintf(stderr, "%s\n", terminalText(russian ? "ВОССТАНОВЛЕНИЕ ОТМЕЧЕННЫХ ФАЙЛОВ." : "RESTORE MARKED FILES.").c_str());
    const recovery::RestoreReport report =
        recovery::restoreMarkedFiles(restoreSource, tree.table, *target, mode, restoreProgress, withStreams);

    for (const std::filesystem::path& file : report.written) {
        const std::u8string text = std::filesystem::relative(file, *target).generic_u8string();
        std::printf("%s\n", std::string(text.begin(), text.end()).c_str());
    }
    std::printf("chosen %zu, restored %llu (%llu bytes), not copied by a %s restore %llu, renamed %llu, "
                "unreadable %llu, not written %llu\n",
                marked, static_cast<unsigned long long>(report.filesWritten),
                static_cast<unsigned long long>(report.bytesWritten), mode == recovery::RestoreMode::Full ? "full" : "test",
                static_cast<unsigned long long>(report.filesNotCopied),
                static_cast<unsigned long long>(report.renamedFiles),
                static_cast<unsigned long long>(report.readFailures),
                static_cast<unsigned long long>(report.writeFailures));
    if (withStreams) std::printf("named streams found %llu\n", static_cast<unsigned long long>(report.streamsFound));
    const std::u8string absolute = std::filesystem::absolute(*target).u8string();
    const recovery::RestoreMessage message = recovery::restoreFinishedMessage(
        platform::utf8ToCp1251(std::string(absolute.begin(), absolute.end())), report, language);
    std::printf("%s\n%s", terminalText(message.title).c_str(), terminalText(message.text).c_str());
    return report.failures() == 0 && report.diskOpened ? kExitDone : kExitFailed;
}

}  // namespace quenzar::cli
