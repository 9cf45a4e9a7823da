#include "recovery/directory_tree.h"

#include "recovery/volume_own_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_set>

namespace quenzar::recovery {

namespace {

bool nameBegins(const FileTableEntry& entry, const char* prefix) {
    // The first character settles nearly every name without a full comparison.
    return entry.name[0] == prefix[0] && std::strncmp(entry.name, prefix, std::strlen(prefix)) == 0;
}

// A file a folder lists and that places its folders: a non-empty one (its whole size counts: a
// file of exactly 4 GiB has the low word 0) that is not the volume's own.
bool fileListedInFolder(const FileTableEntry& entry) { return entry.size() != 0 && !isFileSystemFile(entry); }

// Upper case of code page 1251 letters, for comparing texts without regard to case.
unsigned char foldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0) return static_cast<unsigned char>(c - 0x20);
    if (c == 0xB8) return 0xA8;  // ё
    return c;
}

bool textLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = foldCase(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldCase(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

}  // namespace

bool isFileSystemFile(const FileTableEntry& entry) {
    // The extraction keeps none of the volume's own files but the $MFT record, which notes its
    // formatting; other metadata records cannot reach the table.
    return entry.folderFlag == kFileFlag && isMetadataRecord(entry.ownId);
}

bool fileAdmittedToTree(const FileTableEntry& entry) { return entry.folderFlag == kFileFlag && fileListedInFolder(entry); }

bool isLostFolder(const FileTableEntry& entry) {
    // Only the template has no FILE record behind it.
    return entry.isFolder() && entry.recordLba == 0 && nameBegins(entry, "Lost folder ");
}

FileTableEntry makeLostFolder(std::uint32_t recordNumber, char generation) {
    FileTableEntry lost;
    lost.ownId = recordNumber;
    lost.parentId = kRootFolderRecord;
    std::memcpy(lost.created, "2007.12.27 00:00", kEntryTimeChars);
    std::memcpy(lost.modified, "2007.12.27 00:00", kEntryTimeChars);
    lost.generation = generation;
    lost.folderFlag = kFolderFlag;
    lost.deletedFlag = kDeletedFlag;
    char name[kEntryNameBytes + 1] = {};
    std::snprintf(name, sizeof name, "Lost folder       %9d", static_cast<int>(recordNumber));
    std::memcpy(lost.name, name, std::strlen(name));
    return lost;
}

DirectoryTree buildTree(std::vector<FileTableEntry> table, StepProgress* progress) {
    DirectoryTree tree;
    tree.table = std::move(table);
    std::vector<FileTableEntry>& entries = tree.table;

    // The first folder entry of each (generation, record number), in table order.
    std::unordered_map<std::uint64_t, std::uint32_t> firstFolder;
    firstFolder.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].isFolder()) {
            firstFolder.emplace(folderKey(entries[i].generation, entries[i].ownId), static_cast<std::uint32_t>(i));
        }
    }
    std::unordered_set<std::uint64_t> placed;
    std::vector<std::uint32_t> chain;
    chain.reserve(kAncestorChainMax);

    auto noteGeneration = [&](char generation) {
        if (std::find(tree.generations.begin(), tree.generations.end(), generation) == tree.generations.end()) {
            tree.generations.push_back(generation);
        }
    };
    auto appendLost = [&](std::uint32_t recordNumber, char generation) {
        entries.push_back(makeLostFolder(recordNumber, generation));
        ++tree.lostFolderCount;
        return static_cast<std::uint32_t>(entries.size() - 1);
    };

    const std::size_t fileCount = entries.size();
    if (progress != nullptr) progress->start(fileCount);
    for (std::size_t f = 0; f < fileCount; ++f) {
        if (progress != nullptr && f % kStepProgressStride == 0) progress->done.store(f);
        const FileTableEntry file = entries[f];
        if (!fileAdmittedToTree(file)) continue;
        const char generation = file.generation;
        if (placed.count(folderKey(generation, file.parentId))) continue;
        noteGeneration(generation);

        // Walk from the file's folder towards the root up to the first folder placed already.
        chain.clear();
        std::uint32_t target = file.parentId;
        std::uint32_t reachedPlaced = PlacedFolder::kTopLevel;  // where the chain hangs
        bool chainBroken = false;
        for (;;) {
            const auto found = firstFolder.find(folderKey(generation, target));
            if (found == firstFolder.end()) {
                const std::uint32_t lost = appendLost(target, generation);
                firstFolder.emplace(folderKey(generation, target), lost);
                chain.push_back(lost);
                break;
            }
            const std::uint32_t index = found->second;
            if (entries[index].sizeLow == kFolderHoldsFiles) {
                reachedPlaced = index;  // the chain ends at a placed folder: hang the rest under it
                break;
            }
            const bool inChain = std::find(chain.begin(), chain.end(), index) != chain.end();
            if (inChain || chain.size() == kAncestorChainMax) {
                // A cycle of parent links, or a chain too deep to be real: what was walked hangs
                // under a lost folder of the record number where the walk stopped. It is not
                // indexed, so the real folder of that number keeps its place.
                ++tree.brokenChains;
                chain.push_back(appendLost(target, generation));
                chainBroken = true;
                break;
            }
            chain.push_back(index);
            // A lost folder from an earlier build names the root as its parent, yet it is shown
            // beside the root folder, not in it: the walk ends there as at the root.
            if (target == kRootFolderRecord || isLostFolder(entries[index])) break;
            target = entries[index].parentId;
        }

        // Place the chain from its far end down to the file's folder.
        std::uint32_t parentIndex = reachedPlaced;
        for (std::size_t k = chain.size(); k-- > 0;) {
            const std::uint32_t index = chain[k];
            FileTableEntry& folder = entries[index];
            const bool topLevel = (k == chain.size() - 1) && reachedPlaced == PlacedFolder::kTopLevel;
            folder.sizeLow = kFolderHoldsFiles;
            const bool breaksChain = chainBroken && k == chain.size() - 1;
            if (!breaksChain) placed.insert(folderKey(generation, folder.ownId));
            tree.folders.push_back({index, topLevel ? PlacedFolder::kTopLevel : parentIndex, breaksChain});
            parentIndex = index;
        }
    }
    if (progress != nullptr) progress->done.store(fileCount);
    return tree;
}

std::vector<FileTableEntry> savedTable(DirectoryTree&& tree) {
    std::vector<FileTableEntry> table = std::move(tree.table);
    tree = DirectoryTree{};
    std::size_t kept = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        FileTableEntry& entry = table[i];
        if (entry.isFolder()) {
            if (entry.sizeLow == 0) continue;
            entry.sizeLow = 0;
        }
        if (kept != i) table[kept] = entry;
        ++kept;
    }
    table.resize(kept);
    return table;
}

DirectoryTree fillTreeView(std::vector<FileTableEntry> savedEntries, StepProgress* progress) {
    // No folder starts as placed: every folder's sizeLow is 0 again, as the work file keeps them.
    for (FileTableEntry& entry : savedEntries) {
        if (entry.isFolder()) entry.sizeLow = 0;
    }
    return buildTree(std::move(savedEntries), progress);
}

void forEachSavedEntry(const DirectoryTree& tree, const std::function<void(const FileTableEntry&)>& take) {
    for (const FileTableEntry& entry : tree.table) {
        if (entry.isFolder()) {
            if (entry.sizeLow == 0) continue;
            FileTableEntry folder = entry;
            folder.sizeLow = 0;
            take(folder);
        } else {
            take(entry);
        }
    }
}

std::vector<FileTableEntry> savedTable(const DirectoryTree& tree) {
    std::vector<FileTableEntry> saved;
    saved.reserve(tree.table.size());
    forEachSavedEntry(tree, [&](const FileTableEntry& entry) { saved.push_back(entry); });
    return saved;
}

std::string folderText(const FileTableEntry& folder) {
    const std::string name(folder.name, strnlen(folder.name, kEntryNameBytes));
    return name == "." ? "ROOT FOLDER" : name;
}

std::string generationText(char generation) {
    return generation == '1' ? std::string("Disk ") : std::string("Region ") + generation;
}

std::vector<std::uint32_t> fillFolderList(const DirectoryTree& tree, std::uint32_t folderIndex) {
    std::vector<std::uint32_t> rows;
    if (folderIndex >= tree.table.size()) return rows;
    const FileTableEntry& folder = tree.table[folderIndex];
    for (std::size_t i = 0; i < tree.table.size(); ++i) {
        const FileTableEntry& entry = tree.table[i];
        if (entry.generation != folder.generation || entry.parentId != folder.ownId) continue;
        if (entry.name[0] == '.' && entry.name[1] == 0) continue;  // the root folder, its own parent
        const bool listed = entry.isFolder() ? entry.sizeLow != 0 : fileListedInFolder(entry);
        if (listed) rows.push_back(static_cast<std::uint32_t>(i));
    }
    return rows;
}

TreeView makeTreeView(const DirectoryTree& tree) {
    TreeView view;
    view.topLevel.resize(tree.generations.size());
    for (const PlacedFolder& placed : tree.folders) {
        const FileTableEntry& folder = tree.table[placed.tableIndex];
        if (placed.parentIndex == PlacedFolder::kTopLevel) {
            const auto g = std::find(tree.generations.begin(), tree.generations.end(), folder.generation);
            view.topLevel[static_cast<std::size_t>(g - tree.generations.begin())].push_back(placed.tableIndex);
        } else {
            view.children[placed.parentIndex].push_back(placed.tableIndex);
        }
    }
    // The files of every folder in one pass, grouped by the folder they name, then handed to each
    // placed folder of that number: the file rows fillFolderList gives, without a scan per folder.
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> filesByFolder;
    for (std::size_t i = 0; i < tree.table.size(); ++i) {
        const FileTableEntry& entry = tree.table[i];
        if (entry.isFolder() || !fileListedInFolder(entry)) continue;
        filesByFolder[folderKey(entry.generation, entry.parentId)].push_back(static_cast<std::uint32_t>(i));
    }
    for (const PlacedFolder& placed : tree.folders) {
        const FileTableEntry& folder = tree.table[placed.tableIndex];
        const auto files = filesByFolder.find(folderKey(folder.generation, folder.ownId));
        if (files != filesByFolder.end()) view.files[placed.tableIndex] = files->second;
    }
    auto sortByText = [&](std::vector<std::uint32_t>& items) {
        std::stable_sort(items.begin(), items.end(), [&](std::uint32_t a, std::uint32_t b) {
            return textLess(folderText(tree.table[a]), folderText(tree.table[b]));
        });
    };
    for (auto& items : view.topLevel) sortByText(items);
    for (auto& [index, items] : view.children) sortByText(items);
    return view;
}

}  // namespace quenzar::recovery
