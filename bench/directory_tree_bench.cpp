// The folder tree over a large file table in memory: prints the build time for a table of
// FILES files spread over FOLDERS folders (nested ten deep), and again with twice the folders,
// so that growth with the folder count shows.
//   build/linux/bench/directory_tree_bench [FILES] [FOLDERS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "recovery/directory_tree.h"

namespace {

using quenzar::recovery::FileTableEntry;

constexpr std::uint32_t kRootRecord = 5;

std::vector<FileTableEntry> makeTable(std::uint32_t fileCount, std::uint32_t folderCount) {
    std::vector<FileTableEntry> table;
    table.reserve(fileCount + folderCount + 1);
    FileTableEntry root;
    root.ownId = kRootRecord;
    root.parentId = kRootRecord;
    root.folderFlag = quenzar::recovery::kFolderFlag;
    root.generation = '1';
    std::strcpy(root.name, ".");
    table.push_back(root);
    const std::uint32_t firstFolder = 64;
    for (std::uint32_t i = 0; i < folderCount; ++i) {
        FileTableEntry folder = root;
        folder.ownId = firstFolder + i;
        // Chains of ten: every tenth folder hangs under the root, the others under the one before.
        folder.parentId = i % 10 == 0 ? kRootRecord : folder.ownId - 1;
        std::snprintf(folder.name, sizeof folder.name, "dir%07u", i);
        table.push_back(folder);
    }
    const std::uint32_t firstFile = firstFolder + folderCount;
    for (std::uint32_t i = 0; i < fileCount; ++i) {
        FileTableEntry file;
        file.ownId = firstFile + i;
        file.parentId = firstFolder + (i * 7919u) % folderCount;
        file.generation = '1';
        file.sizeLow = 1000 + i % 5000;
        file.deletedFlag = i % 3 == 0 ? quenzar::recovery::kDeletedFlag : quenzar::recovery::kInUseFlag;
        std::memcpy(file.ext, "DOC", 3);
        std::snprintf(file.name, sizeof file.name, "file%07u.doc", i);
        table.push_back(file);
    }
    return table;
}

double buildSeconds(std::uint32_t fileCount, std::uint32_t folderCount) {
    double best = 1e9;
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<FileTableEntry> table = makeTable(fileCount, folderCount);
        const auto start = std::chrono::steady_clock::now();
        const auto tree = quenzar::recovery::buildTree(std::move(table));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (tree.folders.empty()) std::printf("no folders placed\n");
        best = std::min(best, seconds);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const auto fileCount = static_cast<std::uint32_t>(argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000);
    const auto folderCount = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10'000);
    const double single = buildSeconds(fileCount, folderCount);
    const double doubled = buildSeconds(fileCount, folderCount * 2);
    std::printf("%u files, %u folders: %.3f s\n", fileCount, folderCount, single);
    std::printf("%u files, %u folders: %.3f s (%.2f times)\n", fileCount, folderCount * 2, doubled, doubled / single);
    return 0;
}
