// Marks of the tree window: a folder's whole subtree marked or cleared at once, and the counts
// and byte totals of the marked files shown under the tree.
#pragma once

#include <cstdint>
#include <vector>

#include "recovery/directory_tree.h"
#include "recovery/file_table_entry.h"
#include "recovery/step_progress.h"

namespace quenzar::recovery {

// Sets the mark of the folder (generation, folderId) - the first folder entry of that key in
// table order - of every file directly in it and, below it, of every placed folder and its files.
// Placed folders are found through the tree; the walk visits each folder once, so parent links
// that form a cycle end it instead of repeating it. The root folder is never anyone's child.
// `progress`, when given, follows the scan of the table.
void markFolderSubtree(DirectoryTree& tree, char generation, std::uint32_t folderId, char markChar,
                       StepProgress* progress = nullptr);

struct MarkedStatistics {
    std::uint64_t filesInUse = 0;
    std::uint64_t bytesInUse = 0;
    std::uint64_t filesDeleted = 0;
    std::uint64_t bytesDeleted = 0;
    std::uint64_t files() const { return filesInUse + filesDeleted; }
};

// Counts the marked non-empty files, leaving out the volume's own (isFileSystemFile); sizes are
// whole.
MarkedStatistics refreshMarkedStatistics(const std::vector<FileTableEntry>& table);

// Whether the restore button is enabled: some file is marked.
inline bool restoreEnabled(const MarkedStatistics& statistics) { return statistics.files() > 0; }

}  // namespace quenzar::recovery
