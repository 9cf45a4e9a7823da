// Marking a folder's subtree and counting the marked files, on hand-made tables put through the
// tree build: nested folders, another generation with the same record numbers, lost folders, a
// cycle of parent links, system names and sizes beyond 32 bits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "recovery/directory_tree.h"
#include "recovery/marking.h"
#include "table_entries.h"

namespace quenzar::recovery {
namespace {

using testing::file;
using testing::folder;

// The names of the marked entries in table order.
std::string markedNames(const DirectoryTree& tree) {
    std::string names;
    for (const FileTableEntry& entry : tree.table) {
        if (entry.mark == kMarked) names += std::string(entry.name, strnlen(entry.name, kEntryNameBytes)) + " ";
    }
    return names;
}

DirectoryTree sampleTree() {
    return buildTree({
        folder(5, 5, "."),
        folder(10, 5, "Docs"),
        folder(11, 10, "Old"),
        folder(12, 11, "Older"),
        folder(13, 5, "Music"),
        folder(20, 21, "Ping"),  // 20 and 21 name each other as parent
        folder(21, 20, "Pong"),
        file(30, 10, "a.doc"),
        file(31, 11, "b.doc"),
        file(32, 12, "c.doc"),
        file(33, 13, "song.mp3"),
        file(34, 10, "a.doc", 100, '2'),  // the same folder number in another generation
        file(35, 20, "ping.txt"),
        file(36, 77, "orphan.txt"),  // folder 77 is gone: a lost folder
        file(37, 10, "empty.txt", 0),
    });
}

TEST(MarkingTest, FolderSubtreeMarksItsFoldersAndFilesOnly) {
    DirectoryTree tree = sampleTree();
    markFolderSubtree(tree, '1', 10, kMarked);
    EXPECT_EQ(markedNames(tree), "Docs Old Older a.doc b.doc c.doc empty.txt ");

    markFolderSubtree(tree, '1', 11, kNotMarked);
    EXPECT_EQ(markedNames(tree), "Docs a.doc empty.txt ");

    // The root's subtree holds the lost folders too, as they name the root as their parent.
    markFolderSubtree(tree, '1', kRootFolderRecord, kMarked);
    const std::string all = markedNames(tree);
    EXPECT_NE(all.find("orphan.txt"), std::string::npos) << all;
    EXPECT_NE(all.find("song.mp3"), std::string::npos) << all;
    EXPECT_EQ(all.find("a.doc a.doc"), std::string::npos) << all;  // generation 2 untouched
}

// The progress dialog's share: nothing before a step starts, the whole table at its end, for the
// filling of the window's tree and for marking, over tables longer than one stride.
TEST(MarkingTest, StepsReportTheirProgressToTheEnd) {
    StepProgress progress;
    EXPECT_EQ(progress.percent(), -1);
    std::vector<FileTableEntry> table{folder(5, 5, ".")};
    for (std::uint32_t i = 0; i < 3 * kStepProgressStride; ++i) table.push_back(file(100 + i, 5, "f.txt"));

    DirectoryTree tree = fillTreeView(table, &progress);
    EXPECT_EQ(progress.total.load(), table.size());
    EXPECT_EQ(progress.percent(), 100);

    progress.start(0);
    EXPECT_EQ(progress.percent(), -1);
    markFolderSubtree(tree, '1', kRootFolderRecord, kMarked, &progress);
    EXPECT_EQ(progress.done.load(), tree.table.size());
    EXPECT_EQ(progress.percent(), 100);
    EXPECT_EQ(refreshMarkedStatistics(tree.table).files(), 3 * kStepProgressStride);
}

TEST(MarkingTest, CycleOfParentLinksEndsTheWalk) {
    DirectoryTree tree = sampleTree();
    markFolderSubtree(tree, '1', 20, kMarked);
    EXPECT_EQ(markedNames(tree), "Ping Pong ping.txt ");
}

// The volume's own files are left out by their record numbers; a person's files count whatever
// their names begin with.
TEST(MarkingTest, MarkedStatisticsCountWholeSizesAndLeaveOutTheVolumesOwnFiles) {
    std::vector<FileTableEntry> table{
        file(30, 5, "a.doc"),
        file(31, 5, "b.doc"),
        file(2, 5, "$LogFile"),
        file(0, 5, "$MFT"),
        file(33, 5, "tracking.log"),
        file(34, 5, "Mountain.jpg"),
        file(35, 5, "empty.txt", 0),
        file(36, 5, "big.vhd", 0),
        folder(10, 5, "Docs"),
    };
    table[1].deletedFlag = kDeletedFlag;
    table[7].sizeHigh = 1;  // exactly 4 GiB
    for (FileTableEntry& entry : table) entry.mark = kMarked;
    const MarkedStatistics statistics = refreshMarkedStatistics(table);
    EXPECT_EQ(statistics.filesInUse, 4u);
    EXPECT_EQ(statistics.bytesInUse, 300u + (std::uint64_t{1} << 32));
    EXPECT_EQ(statistics.filesDeleted, 1u);
    EXPECT_EQ(statistics.bytesDeleted, 100u);
    EXPECT_TRUE(restoreEnabled(statistics));
    for (FileTableEntry& entry : table) entry.mark = kNotMarked;
    EXPECT_FALSE(restoreEnabled(refreshMarkedStatistics(table)));
}

}  // namespace
}  // namespace quenzar::recovery
