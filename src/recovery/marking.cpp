#include "recovery/marking.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace quenzar::recovery {

void markFolderSubtree(DirectoryTree& tree, char generation, std::uint32_t folderId, char markChar,
                       StepProgress* progress) {
    std::vector<FileTableEntry>& table = tree.table;
    // One pass over the table and one over the placed folders, then each folder of the subtree
    // costs only its own files and children.
    std::unordered_map<std::uint64_t, std::size_t> firstFolder;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> filesIn;
    if (progress != nullptr) progress->start(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (progress != nullptr && i % kStepProgressStride == 0) progress->done.store(i);
        const FileTableEntry& entry = table[i];
        if (entry.isFolder()) {
            firstFolder.emplace(folderKey(entry.generation, entry.ownId), i);
        } else if (entry.generation == generation) {
            filesIn[folderKey(generation, entry.parentId)].push_back(i);
        }
    }
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> childFolders;
    for (const PlacedFolder& placed : tree.folders) {
        const FileTableEntry& folder = table[placed.tableIndex];
        if (folder.generation == generation && folder.ownId != kRootFolderRecord) {
            childFolders[folderKey(generation, folder.parentId)].push_back(folder.ownId);
        }
    }

    std::vector<std::uint32_t> pending{folderId};
    std::unordered_set<std::uint32_t> visited;
    while (!pending.empty()) {
        const std::uint32_t id = pending.back();
        pending.pop_back();
        if (!visited.insert(id).second) continue;
        const std::uint64_t key = folderKey(generation, id);
        if (const auto folder = firstFolder.find(key); folder != firstFolder.end()) table[folder->second].mark = markChar;
        if (const auto files = filesIn.find(key); files != filesIn.end()) {
            for (const std::size_t f : files->second) table[f].mark = markChar;
        }
        if (const auto children = childFolders.find(key); children != childFolders.end()) {
            pending.insert(pending.end(), children->second.begin(), children->second.end());
        }
    }
    if (progress != nullptr) progress->done.store(table.size());
}

MarkedStatistics refreshMarkedStatistics(const std::vector<FileTableEntry>& table) {
    MarkedStatistics statistics;
    for (const FileTableEntry& entry : table) {
        if (entry.folderFlag != kFileFlag || entry.mark != kMarked || entry.size() == 0) continue;
        if (isFileSystemFile(entry)) continue;
        if (entry.isDeleted()) {
            ++statistics.filesDeleted;
            statistics.bytesDeleted += entry.size();
        } else {
            ++statistics.filesInUse;
            statistics.bytesInUse += entry.size();
        }
    }
    return statistics;
}

}  // namespace quenzar::recovery
