// The filter dialogs' choices: the rules that link the boxes, the drive letter, and the filter
// that Apply makes.
#include "recovery/filter_choices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace quenzar::recovery {
namespace {

using Kind = FilterBoxKind;

TEST(FilterChoicesTest, OpeningShowsTheFilterWithTheEditsDisabled) {
    SearchFilter filter;
    filter.userExt[1] = {1, normaliseUserExtension("jp")};
    filter.prefix[2].on = 1;
    setNamePrefix(filter.prefix[2], "Отчет");
    const FilterChoices drive = openFilterChoices(filter, FilterDialogKind::LogicalDrive);
    EXPECT_TRUE(drive.catalogue[0]);    // DOC
    EXPECT_FALSE(drive.catalogue[8]);   // DBX
    EXPECT_TRUE(drive.catalogue[19]);   // JPG
    EXPECT_TRUE(drive.userExtensionOn[1]);
    EXPECT_EQ(drive.userExtensionText[1], "JP");
    EXPECT_EQ(drive.prefixText[2], "Отчет");
    EXPECT_EQ(drive.userExtensionEditEnabled, (std::array<bool, 4>{}));
    EXPECT_EQ(drive.prefixEditEnabled, (std::array<bool, 3>{}));
    EXPECT_TRUE(drive.noSystemFiles && drive.allNames && drive.searchExisting);
    EXPECT_FALSE(drive.searchDeleted || drive.writeListing || drive.allExtensions);
    EXPECT_FALSE(drive.applyEnabled);
    EXPECT_TRUE(openFilterChoices(filter, FilterDialogKind::VirtualDisk).applyEnabled);
}

// Each row: clicks from the default dialog, then what the boxes and edits show.
TEST(FilterChoicesTest, ClicksFollowTheLinkingRules) {
    struct Click {
        FilterBox box;
        bool nowChecked;
    };
    struct Row {
        const char* what;
        std::vector<Click> clicks;
        bool allExtensions, noSystemFiles, allNames, doc, userExt0, userEdit0, prefix0, prefixEdit0;
    };
    const Row rows[] = {
        {"all extensions checks no-system and clears the catalogue",
         {{{Kind::NoSystemFiles}, false}, {{Kind::AllExtensions}, true}},
         true, true, true, false, false, false, false, false},
        {"a catalogue box clears all extensions",
         {{{Kind::AllExtensions}, true}, {{Kind::Catalogue, 0}, true}},
         false, true, true, true, false, false, false, false},
        {"a user extension clears all extensions and enables its edit",
         {{{Kind::AllExtensions}, true}, {{Kind::UserExtension, 0}, true}},
         false, true, true, false, true, true, false, false},
        {"all extensions clears the user extensions",
         {{{Kind::UserExtension, 0}, true}, {{Kind::AllExtensions}, true}},
         true, true, true, false, false, false, false, false},
        {"a prefix clears all names and enables its edit",
         {{{Kind::NamePrefix, 0}, true}},
         false, true, false, true, false, false, true, true},
        {"all names clears the prefixes",
         {{{Kind::NamePrefix, 0}, true}, {{Kind::AllNames}, true}},
         false, true, true, true, false, false, false, false},
        {"unchecking a prefix disables its edit",
         {{{Kind::NamePrefix, 0}, true}, {{Kind::NamePrefix, 0}, false}},
         false, true, false, true, false, false, false, false},
        {"unchecking a catalogue box changes nothing else",
         {{{Kind::Catalogue, 0}, false}},
         false, true, true, false, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FilterChoices choices = openFilterChoices(SearchFilter{}, FilterDialogKind::VirtualDisk);
        for (const Click& click : row.clicks) clickFilterBox(choices, click.box, click.nowChecked);
        EXPECT_EQ(choices.allExtensions, row.allExtensions);
        EXPECT_EQ(choices.noSystemFiles, row.noSystemFiles);
        EXPECT_EQ(choices.allNames, row.allNames);
        EXPECT_EQ(choices.catalogue[0], row.doc);
        EXPECT_EQ(choices.userExtensionOn[0], row.userExt0);
        EXPECT_EQ(choices.userExtensionEditEnabled[0], row.userEdit0);
        EXPECT_EQ(choices.prefixOn[0], row.prefix0);
        EXPECT_EQ(choices.prefixEditEnabled[0], row.prefixEdit0);
    }
}

TEST(FilterChoicesTest, UncheckingEmptiesTheEditAndApplyNormalises) {
    FilterChoices choices = openFilterChoices(SearchFilter{}, FilterDialogKind::VirtualDisk);
    EXPECT_EQ(clickFilterBox(choices, {Kind::UserExtension, 2}, true)->index, 2u);
    setFilterEditText(choices, {Kind::UserExtension, 2}, "jp");
    clickFilterBox(choices, {Kind::NamePrefix, 1}, true);
    setFilterEditText(choices, {Kind::NamePrefix, 1}, std::string(300, 'x'));
    SearchFilter applied = appliedFilter(choices);
    EXPECT_EQ(applied.userExt[2].on, 1);
    EXPECT_EQ(applied.userExt[2].ext, (Extension{'J', 'P', ' '}));
    EXPECT_EQ(std::strlen(applied.prefix[1].text), kNamePrefixMaxChars);
    EXPECT_EQ(applied.allNames, 0);

    clickFilterBox(choices, {Kind::UserExtension, 2}, false);
    EXPECT_EQ(choices.userExtensionText[2], "");
    applied = appliedFilter(choices);
    EXPECT_EQ(applied.userExt[2].on, 0);
    EXPECT_EQ(applied.userExt[2].ext, (Extension{' ', ' ', ' '}));
}

TEST(FilterChoicesTest, DriveLetterAcceptsOnlyNtfsDrives) {
    disk::InventoryState inventory;
    inventory.drive('D').fileSystemLabel = {' ', ' ', 'N', 'T', 'F', 'S'};
    inventory.drive('D').sectorsPerCluster = 2;
    inventory.drive('E').fileSystemLabel = {'F', 'A', 'T', '-', '3', '2'};
    inventory.drive('E').sectorsPerCluster = 1;
    struct Row {
        const char* typed;
        DriveLetterVerdict verdict;
        char letter;
    };
    const Row rows[] = {
        {"d", DriveLetterVerdict::Accepted, 'D'}, {"D", DriveLetterVerdict::Accepted, 'D'},
        {"E", DriveLetterVerdict::NotNtfs, 0},    {"Z", DriveLetterVerdict::NotNtfs, 0},
        {"", DriveLetterVerdict::NoLetter, 0},    {"?", DriveLetterVerdict::NoLetter, 0},
        {"A", DriveLetterVerdict::NoLetter, 0},   {"#", DriveLetterVerdict::NoLetter, 0},
        {"$", DriveLetterVerdict::NoLetter, 0},   {"4", DriveLetterVerdict::NoLetter, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        FilterChoices choices = openFilterChoices(SearchFilter{}, FilterDialogKind::LogicalDrive);
        // A letter accepted before is forgotten when the field changes to something else.
        changeDriveLetter(choices, "D", inventory);
        EXPECT_EQ(changeDriveLetter(choices, row.typed, inventory), row.verdict);
        EXPECT_EQ(choices.driveLetter, row.letter);
        EXPECT_EQ(choices.applyEnabled, row.letter != 0);
        EXPECT_EQ(appliedFilter(choices).driveLetter, row.letter);
    }
}

TEST(FilterChoicesTest, TreeTitleTakesTheLetterBeforeTheColon) {
    EXPECT_EQ(logicalDriveTreeTitle('F', text::Language::English), "The directory tree logical disk F:");
    EXPECT_EQ(logicalDriveTreeTitle('D', text::Language::Russian), "Дерево каталогов логического диска D:");
}

}  // namespace
}  // namespace quenzar::recovery
