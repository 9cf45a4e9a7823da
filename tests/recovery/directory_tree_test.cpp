// The folder tree built from hand-made tables: lost folders, shared lost folders, folders that
// hold nothing worth showing, generations, cycles of parent links; and from a real volume whose
// deleted file lost its folder.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/directory_tree.h"
#include "recovery/work_file.h"
#include "support/temp_folder.h"
#include "table_entries.h"

namespace quenzar::recovery {
namespace {

using testing::file;
using testing::folder;

std::string text(const DirectoryTree& tree, std::uint32_t index) { return folderText(tree.table[index]); }

// The tree as lines "  name" indented by depth, generation items first.
std::string render(const DirectoryTree& tree) {
    const TreeView view = makeTreeView(tree);
    std::string out;
    std::function<void(std::uint32_t, int)> walk = [&](std::uint32_t index, int depth) {
        out += std::string(2 * depth, ' ') + text(tree, index) + "\n";
        if (const auto c = view.children.find(index); c != view.children.end()) {
            for (std::uint32_t child : c->second) walk(child, depth + 1);
        }
    };
    for (std::size_t g = 0; g < tree.generations.size(); ++g) {
        out += generationText(tree.generations[g]) + "\n";
        for (std::uint32_t top : view.topLevel[g]) walk(top, 1);
    }
    return out;
}

TEST(DirectoryTreeTest, PlacesFoldersOfNonEmptyFilesAndLostParents) {
    std::vector<FileTableEntry> table{
        folder(5, 5, "."),
        folder(64, 5, "docs"),
        folder(65, 64, "reports"),
        folder(66, 5, "empty-only"),       // holds only an empty file: not placed
        folder(67, 5, "system-only"),      // holds only a metadata record's file: not placed
        file(70, 65, "a.doc"),
        file(71, 64, "b.doc"),
        file(72, 66, "nothing.doc", 0),
        file(1, 67, "$MFTMirr"),
        file(74, 900, "orphan1.doc"),      // folder 900 is gone
        file(75, 900, "orphan2.doc"),      // shares the lost folder
        file(76, 123456789, "far.doc"),
        folder(68, 5, "Zeta"),
        file(77, 68, "z.doc"),
        folder(69, 5, "alpha"),
        file(78, 69, "a.doc"),
    };
    const DirectoryTree tree = buildTree(table);
    EXPECT_EQ(tree.lostFolderCount, 2u);
    EXPECT_EQ(render(tree),
              "Disk \n"
              "  Lost folder             900\n"
              "  Lost folder       123456789\n"
              "  ROOT FOLDER\n"
              "    alpha\n"
              "    docs\n"
              "      reports\n"
              "    Zeta\n");
    // The lost folder of a parent follows the template.
    const FileTableEntry& lost = tree.table[table.size()];
    EXPECT_EQ(lost.ownId, 900u);
    EXPECT_EQ(lost.parentId, 5u);
    EXPECT_TRUE(lost.isFolder());
    EXPECT_TRUE(lost.isDeleted());
    EXPECT_EQ(std::string(lost.created, 16), "2007.12.27 00:00");

    // The saved table leaves out the unplaced folders, resets the marks and ends with the lost ones.
    const std::vector<FileTableEntry> saved = savedTable(tree);
    ASSERT_EQ(saved.size(), table.size() - 2 + 2);
    for (const FileTableEntry& entry : saved) {
        if (entry.isFolder()) {
            EXPECT_EQ(entry.sizeLow, 0u) << entry.name;
        }
        EXPECT_NE(std::string(entry.name), "empty-only");
        EXPECT_NE(std::string(entry.name), "system-only");
    }
    // Made in place in the tree's own table, the saved table is the same.
    const std::vector<FileTableEntry> inPlace = savedTable(DirectoryTree(tree));
    ASSERT_EQ(inPlace.size(), saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i) EXPECT_EQ(encodeEntry(inPlace[i]), encodeEntry(saved[i])) << i;
    EXPECT_EQ(saved[saved.size() - 2].ownId, 900u);
    EXPECT_EQ(saved.back().ownId, 123456789u);

    // Loading the saved table again, as the tree window does, gives the same tree.
    EXPECT_EQ(render(fillTreeView(saved)), render(tree));

    // A folder's list: its placed folders and its files, but not the empty or $-named ones; the
    // root folder's list also holds the lost folders, which name the root as their parent.
    using Rows = std::vector<std::uint32_t>;
    EXPECT_EQ(fillFolderList(tree, 0), (Rows{1, 12, 14, 16, 17}));
    EXPECT_EQ(fillFolderList(tree, 1), (Rows{2, 6}));
    EXPECT_EQ(fillFolderList(tree, 3), Rows{});
    EXPECT_EQ(fillFolderList(tree, 16), (Rows{9, 10}));

    // Files listed per folder: the empty and the $-named are not.
    const TreeView view = makeTreeView(tree);
    EXPECT_EQ(view.files.at(1).size(), 1u);  // docs: b.doc
    EXPECT_EQ(view.files.count(3), 0u);      // empty-only is not placed
    EXPECT_EQ(view.files.at(static_cast<std::uint32_t>(table.size())).size(), 2u);  // both orphans
}

// The volume's own files are told by their record numbers, never by their names: a person's
// "$Logo.jpg", "Mountain.jpg" or "$Tops.doc" places its folder like any other file, and a file of
// exactly 4 GiB (low word of its size 0) is not empty.
TEST(DirectoryTreeTest, WhichFilesPlaceFolders) {
    const struct {
        std::uint32_t record;
        const char* name;
        std::uint64_t size;
        bool placed;
    } cases[] = {
        {70, "a.doc", 1, true},           {70, "a.doc", 0, false},          {1, "$MFTMirr", 10, false},
        {2, "$LogFile", 10, false},       {0, "$MFT", 10, false},           {15, "reserved", 10, false},
        {70, "$Logo.jpg", 10, true},      {70, "Mountain.jpg", 10, true},   {70, "MountPoint", 10, true},
        {70, "tracking.log", 10, true},   {70, "$Txt.log", 10, true},       {70, "$Tops.doc", 10, true},
        {16, "first-user.doc", 10, true}, {70, "big.vhd", std::uint64_t{4} << 30, true},
    };
    for (const auto& c : cases) {
        FileTableEntry entry = file(c.record, 5, c.name, static_cast<std::uint32_t>(c.size));
        entry.sizeHigh = static_cast<std::uint16_t>(c.size >> 32);
        EXPECT_EQ(fileAdmittedToTree(entry), c.placed) << c.record << " " << c.name;
        EXPECT_EQ(isFileSystemFile(entry), c.record < 16) << c.record << " " << c.name;
    }
    EXPECT_FALSE(fileAdmittedToTree(folder(70, 5, "a.doc")));
    EXPECT_FALSE(isFileSystemFile(folder(11, 5, "$Extend")));
}

// The tree window places the saved table as the build did: files whose names begin as the
// transaction logs' do ("$Tops", "$Txt") are a person's files and keep their folders.
TEST(DirectoryTreeTest, TreeWindowPlacesTheSavedTableAsTheBuildDid) {
    const std::vector<FileTableEntry> table{
        folder(5, 5, "."),         folder(64, 5, "tops"), file(70, 64, "$Tops.doc"), folder(65, 5, "txts"),
        file(71, 65, "$Txt.log"), folder(66, 5, "docs"), file(72, 66, "a.doc"),
    };
    const DirectoryTree built = buildTree(table);
    EXPECT_EQ(render(built), "Disk \n  ROOT FOLDER\n    docs\n    tops\n    txts\n");
    const DirectoryTree shown = fillTreeView(savedTable(built));
    EXPECT_EQ(render(shown), render(built));
    EXPECT_EQ(shown.lostFolderCount, 0u);
}

TEST(DirectoryTreeTest, GenerationsKeepEqualRecordNumbersApart) {
    std::vector<FileTableEntry> table{
        folder(5, 5, ".", '1'),   folder(64, 5, "old", '1'), file(70, 64, "a.doc", 100, '1'),
        folder(5, 5, ".", '2'),   folder(64, 5, "new", '2'), file(70, 64, "b.doc", 100, '2'),
        file(71, 65, "c.doc", 100, '2'),  // no folder 65 in generation 2, although generation 1 ...
        folder(65, 5, "only-in-1", '1'),  // ... has one
    };
    const DirectoryTree tree = buildTree(table);
    EXPECT_EQ(render(tree),
              "Disk \n"
              "  ROOT FOLDER\n"
              "    old\n"
              "Region 2\n"
              "  Lost folder              65\n"
              "  ROOT FOLDER\n"
              "    new\n");
}

TEST(DirectoryTreeTest, CyclesAndDeepChainsEndUnderALostFolder) {
    std::vector<FileTableEntry> table{
        folder(5, 5, "."),
        folder(80, 81, "A"),  // A and B are each other's parent
        folder(81, 80, "B"),
        file(90, 80, "in-a.doc"),
        file(91, 81, "in-b.doc"),
    };
    // A chain of 200 folders, each the parent of the next.
    for (std::uint32_t i = 0; i < 200; ++i) table.push_back(folder(1000 + i, i == 0 ? 5 : 999 + i, "deep"));
    table.push_back(file(92, 1199, "deepest.doc"));
    const DirectoryTree tree = buildTree(table);
    EXPECT_EQ(tree.brokenChains, 2u);
    const std::string shown = render(tree);
    EXPECT_NE(shown.find("  Lost folder              80\n    B\n      A\n"), std::string::npos) << shown;
    // The files keep their own folders.
    const TreeView view = makeTreeView(tree);
    EXPECT_EQ(view.files.at(1).size(), 1u);
    EXPECT_EQ(view.files.at(2).size(), 1u);
}

TEST(DirectoryTreeTest, FileWhoseFolderRecordWasReusedLandsInALostFolder) {
    const auto zip = std::filesystem::path(__FILE__).parent_path() / "../../../shared/testdata/windows/7-undel-ntfs.zip";
    ASSERT_TRUE(std::filesystem::exists(zip)) << "no " << zip;
    testsupport::TempFolder folderOnDisk;
    int exitCode = 0;
    testsupport::runCommand("cd '" + folderOnDisk.path().string() + "' && unzip -q '" + zip.string() + "'", &exitCode);
    ASSERT_EQ(exitCode, 0);
    platform::ImageDiskSystem disks({(folderOnDisk.path() / "7-undel-ntfs" / "7-ntfs-undel.dd").string()});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    SearchFilter filter;
    filter.allExtensions = 1;
    filter.noSystemFiles = 0;  // the files there are .dat files, a system extension
    filter.searchDeleted = 1;
    GenerationState generations;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folderOnDisk.path()};
    const AnalysisResult result = runAnalysis(disks, inventory, 'D', context);
    ASSERT_EQ(result.outcome, AnalysisOutcome::Completed);
    std::vector<FileTableEntry> table;
    ASSERT_TRUE(readWorkFile(result.workFile, table));

    const DirectoryTree tree = buildTree(table);
    const std::string shown = render(tree);
    // dir3's record 37 now holds res1.dat, a file: sing2.dat's folder is lost. The deleted
    // folders dir1 and dir2 keep their places.
    EXPECT_NE(shown.find("  Lost folder              37\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  ROOT FOLDER\n    dir1\n      dir2\n"), std::string::npos) << shown;
}

}  // namespace
}  // namespace quenzar::recovery
