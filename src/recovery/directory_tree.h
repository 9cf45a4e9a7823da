// The folder tree of an analysis, rebuilt from the flat file table: every folder that holds at
// least one non-empty file somewhere below it is placed, one top item per volume generation, and
// a parent that no longer exists becomes a "Lost folder" beside the root folder.
//
// Folders are found by (generation, record number) through an index, so building the tree costs
// one pass over the table instead of one table scan per folder; the index keeps the first folder
// entry of each key in table order, as a scan from the table's start would find it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "recovery/file_table_entry.h"
#include "recovery/step_progress.h"

namespace quenzar::recovery {

inline constexpr std::uint32_t kRootFolderRecord = 5;
// A walk from a file towards the root stops after this many folders: corrupt parent links that
// form a cycle or a chain deeper than that put the rest under a lost folder instead.
inline constexpr std::size_t kAncestorChainMax = 133;
// The sizeLow word of a folder entry that holds files while the tree is built.
inline constexpr std::uint32_t kFolderHoldsFiles = 0xFFFFFFFF;

// Whether a file places its folders: a non-empty file that is not the volume's own. Folders
// never do.
bool fileAdmittedToTree(const FileTableEntry& entry);

// Whether a file is one of the volume's own (the $MFT record the extraction keeps for its
// formatting), which a folder's list never shows.
bool isFileSystemFile(const FileTableEntry& entry);

// The entry made for a parent record number that has no folder entry of its generation.
FileTableEntry makeLostFolder(std::uint32_t recordNumber, char generation);
// Whether an entry is such a lost folder (as the saved work file carries them).
bool isLostFolder(const FileTableEntry& entry);

inline std::uint64_t folderKey(char generation, std::uint32_t recordNumber) {
    return (std::uint64_t{static_cast<std::uint8_t>(generation)} << 32) | recordNumber;
}

// One placed folder.
struct PlacedFolder {
    std::uint32_t tableIndex = 0;
    // The table index of the folder it is shown under, or kTopLevel for the root folder and the
    // lost folders, which sit directly under their generation's top item.
    std::uint32_t parentIndex = 0;
    bool breaksChain = false;  // a lost folder made where a cycle or a too deep chain was cut
    static constexpr std::uint32_t kTopLevel = 0xFFFFFFFF;
};

struct DirectoryTree {
    std::vector<FileTableEntry> table;    // the file table, lost folders appended
    std::vector<PlacedFolder> folders;    // in placing order
    std::vector<char> generations;        // in the order they are first met
    std::size_t lostFolderCount = 0;
    std::size_t brokenChains = 0;         // walks cut by a cycle or by kAncestorChainMax
};

// Places the folders of every file that the walk admits (the folder's sizeLow becomes
// kFolderHoldsFiles). Lost folders are appended to the table. Linear in the table size plus the
// placed folders.
// `progress`, when given, follows the walk over the files.
DirectoryTree buildTree(std::vector<FileTableEntry> table, StepProgress* progress = nullptr);

// The tree as the tree window shows it: the table saved by the build (see savedTable, as the
// work file holds it) placed again; it equals the build's tree.
DirectoryTree fillTreeView(std::vector<FileTableEntry> savedEntries, StepProgress* progress = nullptr);

// The table as the work file keeps it after the build: unplaced folders left out, placed ones
// with sizeLow back at 0, every file kept; lost folders thus follow all other entries.
std::vector<FileTableEntry> savedTable(const DirectoryTree& tree);
// The same, made in place in the tree's own table (a million entries are not copied).
std::vector<FileTableEntry> savedTable(DirectoryTree&& tree);
// The same entries handed over one by one, for writing them without a copy of the table.
void forEachSavedEntry(const DirectoryTree& tree, const std::function<void(const FileTableEntry&)>& take);

// The text of a placed folder in the tree: "ROOT FOLDER" for the root, its name otherwise; and
// the text of a generation's top item: "Disk " for generation "1", "Region N" for the others.
std::string folderText(const FileTableEntry& folder);
std::string generationText(char generation);

// Children of each placed folder and of each generation's top item, sorted as the tree control
// sorts siblings (by text, without regard to case).
struct TreeView {
    // For each generation (in DirectoryTree::generations order), the top-level folders.
    std::vector<std::vector<std::uint32_t>> topLevel;
    // For each table index, the placed folders under it (empty for most).
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> children;
    // For each placed folder, the files it lists (table indexes), in table order: the file rows
    // of its fillFolderList.
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> files;
};
TreeView makeTreeView(const DirectoryTree& tree);

// The rows of a folder's list in the tree window, in table order (the window sorts them after):
// every entry of the folder's generation whose parent is the folder's record number, but the
// root folder itself; a file unless it is empty or has one of the file system's own names, a
// folder when it is placed in the tree. Lost folders name the root as their parent, so the root
// folder's list shows them too. One pass over the table, as a click on a folder costs.
std::vector<std::uint32_t> fillFolderList(const DirectoryTree& tree, std::uint32_t folderIndex);

}  // namespace quenzar::recovery
