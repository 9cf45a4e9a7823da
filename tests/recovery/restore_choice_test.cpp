// The choice of files to restore by name pattern, folder path and state, marked in a small tree.
#include "recovery/restore_choice.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "recovery/table_entries.h"

namespace quenzar::recovery {
namespace {

TEST(RestoreChoiceTest, NamePatterns) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"REPORT.DOC", "REPORT.DOC", true},
        {"REPORT.DOC", "REPORT.DO", false},   // the whole name must match
        {"REPORT.DOC", "*", true},
        {"", "*", true},
        {"", "?", false},
        {"", "", true},
        {"A", "", false},
        {"REPORT.DOC", "*.DOC", true},
        {"REPORT.DOC.BAK", "*.DOC", false},
        {"REPORT.DOC", "R?PORT.*", true},
        {"RPORT.DOC", "R?PORT.*", false},     // "?" is exactly one character
        {"MULT1.DAT", "M?LT*", true},
        {"ABCABD", "*ABD", true},             // the star gives back what it took too early
        {"ABCABC", "*ABD", false},
        {"AXXXBXXXC", "A*B*C", true},
        {"AXXXBXXX", "A*B*C", false},
        {"A.B", "**.B", true},
        {"ДОКУМЕНТ.TXT", "ДОК*", true},       // code page 1251 capitals
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesPattern(c.name, c.pattern), c.matches) << "'" << c.name << "' against '" << c.pattern << "'";
    }
}

// A root folder (record 5, named ".") with docs/reports below it, a deleted file and a file whose
// folder is gone; an empty file; a folder whose only file is one the tree does not place
// (tracking.log), and a file of the file system's own.
std::vector<FileTableEntry> smallVolume() {
    using testing::file;
    using testing::folder;
    std::vector<FileTableEntry> table = {
        folder(5, 5, "."),
        folder(64, 5, "docs"),
        folder(65, 64, "reports"),
        file(70, 5, "top.txt"),
        file(71, 64, "plan.doc"),
        file(72, 65, "q1.doc"),
        file(73, 65, "q2.xls"),
        file(74, 900, "lost.doc"),
        file(75, 64, "empty.txt", 0),
        folder(27, 5, "System Volume Information"),  // its tracking.log never reaches the table
        file(2, 5, "$LogFile"),
    };
    table[4].deletedFlag = kDeletedFlag;  // plan.doc
    return table;
}

std::set<std::string> markedNames(const DirectoryTree& tree) {
    std::set<std::string> names;
    for (const FileTableEntry& e : tree.table) {
        if (e.mark == kMarked) names.insert(e.name);
    }
    return names;
}

TEST(RestoreChoiceTest, MarksFilesByPathFolderPatternAndState) {
    struct Case {
        const char* what;
        RestoreChoice choice;
        std::set<std::string> marked;
    };
    const Case cases[] = {
        // Never $LogFile, the volume's own record 2.
        {"all", {.all = true}, {"top.txt", "plan.doc", "q1.doc", "q2.xls", "lost.doc", "empty.txt"}},
        {"deleted", {.deleted = true}, {"plan.doc"}},
        {"path", {.paths = {"DOCS/REPORTS/Q1.DOC"}}, {"q1.doc"}},
        {"path in the root", {.paths = {"TOP.TXT"}}, {"top.txt"}},
        {"folder with its subfolders", {.folders = {"DOCS"}}, {"plan.doc", "q1.doc", "q2.xls", "empty.txt"}},
        {"folder is a whole name", {.folders = {"DOC"}}, {}},
        {"the whole volume, lost folders too", {.folders = {""}}, {"top.txt", "plan.doc", "q1.doc", "q2.xls", "lost.doc", "empty.txt"}},
        {"a path the tree does not show", {.paths = {"SYSTEM VOLUME INFORMATION/TRACKING.LOG"}}, {}},
        {"pattern, in any folder", {.patterns = {"*.DOC"}}, {"plan.doc", "q1.doc", "lost.doc"}},
        {"pattern of a file the tree leaves out", {.patterns = {"TRACKING.*", "$LOG*"}}, {}},
    };
    for (const Case& c : cases) {
        DirectoryTree tree = fillTreeView(savedTable(buildTree(smallVolume())));
        EXPECT_EQ(markChosen(tree, c.choice), c.marked.size()) << c.what;
        EXPECT_EQ(markedNames(tree), c.marked) << c.what;
    }
}

}  // namespace
}  // namespace quenzar::recovery
