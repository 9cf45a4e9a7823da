#include "recovery/restore_choice.h"

#include <cstring>

#include "recovery/safe_names.h"

namespace quenzar::recovery {

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

namespace {

std::string entryName(const FileTableEntry& entry) {
    return std::string(entry.name, strnlen(entry.name, kEntryNameBytes));
}

}  // namespace

std::unordered_map<std::uint64_t, std::string> folderPaths(const DirectoryTree& tree) {
    std::unordered_map<std::uint32_t, std::string> byIndex;
    std::unordered_map<std::uint64_t, std::string> byKey;
    // Folders are placed from the far end of each chain down, so a parent comes before its children.
    for (const PlacedFolder& placed : tree.folders) {
        const FileTableEntry& folder = tree.table[placed.tableIndex];
        std::string path;
        if (placed.parentIndex != PlacedFolder::kTopLevel) {
            const std::string& parent = byIndex[placed.parentIndex];
            path = parent.empty() ? entryName(folder) : parent + "/" + entryName(folder);
        } else if (entryName(folder) != ".") {
            path = entryName(folder);
        }
        path = foldedName(path);
        byIndex[placed.tableIndex] = path;
        if (!placed.breaksChain) byKey.emplace(folderKey(folder.generation, folder.ownId), path);
    }
    return byKey;
}

std::size_t markChosen(DirectoryTree& tree, const RestoreChoice& choice) {
    const auto paths = folderPaths(tree);
    std::size_t marked = 0;
    for (FileTableEntry& entry : tree.table) {
        // Only the files the tree shows in its folders: a file whose folder the tree left out
        // (its only file was one the tree does not place, such as tracking.log) would otherwise be
        // restored under a lost folder made up for a folder that is alive. Empty files count: a
        // full restore creates them.
        const auto folder = paths.find(folderKey(entry.generation, entry.parentId));
        if (entry.isFolder() || folder == paths.end() || isFileSystemFile(entry)) continue;
        const std::string name = foldedName(entryName(entry));
        bool chosen = choice.all || (choice.deleted && entry.isDeleted());
        for (const std::string& pattern : choice.patterns) chosen = chosen || matchesPattern(name, pattern);
        if (!chosen) {
            const std::string path = folder->second.empty() ? name : folder->second + "/" + name;
            for (const std::string& wanted : choice.paths) chosen = chosen || path == wanted;
            for (const std::string& wanted : choice.folders) {
                chosen = chosen || wanted.empty() || path.compare(0, wanted.size() + 1, wanted + "/") == 0;
            }
        }
        if (chosen) {
            entry.mark = kMarked;
            ++marked;
        }
    }
    return marked;
}

}  // namespace quenzar::recovery
