// The files a restore is asked for without the tree window: by folder path, by folder, by name
// pattern, every file or every deleted one. The choice becomes the same marks the tree window
// sets, so the restore that follows is the window's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "recovery/directory_tree.h"

namespace quenzar::recovery {

// Paths, folders and patterns are in code page 1251, folded to capitals (foldedName), with "/"
// between folder names and no leading or trailing "/".
struct RestoreChoice {
    bool all = false;
    bool deleted = false;
    std::vector<std::string> paths{};
    std::vector<std::string> folders{};
    std::vector<std::string> patterns{};
    bool empty() const { return !all && !deleted && paths.empty() && folders.empty() && patterns.empty(); }
};

// Whether a code page 1251 name matches a pattern of "*" (any run of characters) and "?" (any
// one character), both already folded to capitals.
bool matchesPattern(std::string_view name, std::string_view pattern);

// The folder path of every placed folder as the tree shows it below its generation's item,
// without the root folder: "" for the root, "DOCUMENTS/REPORTS" ..., in capitals; by folderKey.
std::unordered_map<std::uint64_t, std::string> folderPaths(const DirectoryTree& tree);

// Marks the chosen files of the tree's table; returns how many. Only files in the tree's placed
// folders (lost ones included) are chosen, never folders nor the file system's own files.
std::size_t markChosen(DirectoryTree& tree, const RestoreChoice& choice);

}  // namespace quenzar::recovery
