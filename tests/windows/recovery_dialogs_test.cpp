// The first half of a recovery through the real windows: the filter dialogs with their linked
// boxes and the drive letter, the progress dialog of an analysis with its stages, counters and
// stop button, the end of an analysis (command 801) and its failures.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <algorithm>
#include <iterator>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/recovery/analysis_worker.h"
#include "app/startup.h"
#include "app/wide_text.h"
#include "recovery/directory_tree.h"
#include "recovery/marking.h"
#include "recovery/restore.h"
#include "resources/tree_window_ids.h"
#include "dialog_driver.h"
#include "disk/inventory.h"
#include "ntfs/virtual_disk.h"
#include "ntfs/volume_params.h"
#include "gated_disks.h"
#include "harness.h"
#include "recovery/analysis.h"
#include "recovery/analysis_texts.h"
#include "recovery/listing.h"
#include "recovery/work_file.h"
#include "resources/filter_dialog_ids.h"
#include "resources/menu_ids.h"
#include "resources/posted_command_ids.h"
#include "resources/progress_dialog_ids.h"
#include "shell_fixture.h"
#include "support/faulty_disks.h"

namespace {

namespace text = quenzar::text;
namespace recovery = quenzar::recovery;
using quenzar::wintest::DialogProbe;
using quenzar::wintest::kEnglish;
using quenzar::wintest::inLanguage;
using quenzar::wintest::kRussian;
using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::TempFolder;
using quenzar::wintest::utf16;

// The MFT piece size of the analyses a test holds half way: 32 records of 1,024 bytes.
constexpr std::size_t kHeldMftPieceBytes = 32 * 1024;

// The analysis of the same volume with the same filter, run directly on the engine.
recovery::AnalysisResult analyseDirectly(const std::vector<std::string>& images, char letter,
                                         const recovery::SearchFilter& filter) {
    quenzar::platform::ImageDiskSystem disks(images);
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
    TempFolder folder;
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, folder.path()};
    return recovery::runAnalysis(disks, inventory, letter, context);
}


// A copy of the first fixture image in the work folder, to be damaged by a test.
std::filesystem::path copyOfFirstImage(const TempFolder& work, const char* name) {
    const std::filesystem::path image = work.path() / name;
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("mbr.img"), image);
    return image;
}

// Where record 0 of D:'s $MFT and its copy in the $MFTMirr lie in that image, in bytes, as the
// volume's boot sector at LBA 2048 places them.
struct MftPlaces {
    std::uint64_t mft = 0;
    std::uint64_t mirror = 0;
};

MftPlaces mftPlacesOfD(std::fstream& disk) {
    constexpr std::uint64_t kVolumeStart = 2048 * 512;
    unsigned char boot[512] = {};
    disk.seekg(static_cast<std::streamoff>(kVolumeStart));
    disk.read(reinterpret_cast<char*>(boot), sizeof boot);
    const std::uint64_t clusterBytes = std::uint64_t{boot[0x0D]} * 512;
    std::uint64_t mftCluster = 0;
    std::uint64_t mirrorCluster = 0;
    std::memcpy(&mftCluster, boot + 0x30, sizeof mftCluster);
    std::memcpy(&mirrorCluster, boot + 0x38, sizeof mirrorCluster);
    return {kVolumeStart + mftCluster * clusterBytes, kVolumeStart + mirrorCluster * clusterBytes};
}

// The files under a folder: relative path and contents.
std::map<std::wstring, std::string> folderContents(const std::filesystem::path& folder) {
    std::map<std::wstring, std::string> contents;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        std::ifstream file(item.path(), std::ios::binary);
        contents[std::filesystem::relative(item.path(), folder).wstring()] =
            std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return contents;
}

// The engine's own test restore of the root folder's subtree of an analysis, as the tree window
// shows it; returns the marks it counted before.
recovery::MarkedStatistics restoreRootDirectly(const recovery::AnalysisResult& analysed,
                                               const std::filesystem::path& target) {
    recovery::DirectoryTree tree = recovery::fillTreeView(recovery::savedTable(analysed.tree));
    const auto root = std::find_if(tree.table.begin(), tree.table.end(),
                                   [](const recovery::FileTableEntry& entry) { return entry.isFolder(); });
    if (root == tree.table.end()) return {};
    recovery::markFolderSubtree(tree, root->generation, root->ownId, recovery::kMarked);
    const recovery::MarkedStatistics marked = recovery::refreshMarkedStatistics(tree.table);
    quenzar::platform::ImageDiskSystem disks(quenzar::wintest::shellTestImages());
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
    const quenzar::disk::LogicalDriveInfo& drive = inventory.drive('D');
    const recovery::RestoreSource source{disks, inventory.masks, static_cast<char>('0' + drive.diskNumber),
                                         quenzar::ntfs::volumeUnitsOf(512, drive.sectorsPerCluster, 1024), drive.startLba};
    recovery::RestoreProgress progress;
    recovery::restoreMarkedFiles(source, tree.table, target, recovery::RestoreMode::Test, progress);
    return marked;
}

// Waits until no filling or marking runs behind WAITP: the tree window is enabled again.
bool waitForTreeJobs(const DialogProbe& window) {
    return quenzar::wintest::pumpUntil([&] { return IsWindowEnabled(window.window()) != FALSE; });
}

int listRowCount(const DialogProbe& window) {
    return static_cast<int>(SendDlgItemMessageW(window.window(), IDC_TREE_LIST, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring rowText(const DialogProbe& window, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendDlgItemMessageW(window.window(), IDC_TREE_LIST, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring columnHeader(const DialogProbe& window, int column) {
    wchar_t text[128] = {};
    LVCOLUMNW entry{};
    entry.mask = LVCF_TEXT;
    entry.pszText = text;
    entry.cchTextMax = 128;
    SendDlgItemMessageW(window.window(), IDC_TREE_LIST, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                        reinterpret_cast<LPARAM>(&entry));
    return text;
}

}  // namespace

TEST_CASE(logicalDriveAnalysisFromTheMenuToItsEnd) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work;
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();
        auto& messages = shell.record.messages;

        // What the engine finds for the same volume and filter, and what its restore writes when
        // the root folder's subtree is marked.
        TempFolder directTarget, windowTarget;
        recovery::AnalysisResult direct;

        // The worker runs behind WAIT and ends with command 801, which opens the tree window.
        const std::wstring treeTitle(inLanguage(language, L"Дерево каталогов логического диска D:",
                                                L"The directory tree logical disk D:"));
        bool treeSeen = false;
        auto treeScript = [&](DialogProbe& tree) {
                treeSeen = true;
                direct = analyseDirectly(quenzar::wintest::shellTestImages(), 'D', shell.state.analysis.filter);
                REQUIRE(direct.outcome == recovery::AnalysisOutcome::Completed);
                const recovery::MarkedStatistics directMarks = restoreRootDirectly(direct, directTarget.path());
                REQUIRE(directMarks.files() > 0);
                CHECK(shell.state.analysis.progressDialog == nullptr);
                REQUIRE(quenzar::wintest::pumpUntil([&] { return listRowCount(tree) > 0; }));
                REQUIRE(waitForTreeJobs(tree));
                CHECK(SendDlgItemMessageW(tree.window(), IDC_TREE_FOLDERS, TVM_GETCOUNT, 0, 0) > 2);
                CHECK_EQ(columnHeader(tree, 0), std::wstring(inLanguage(language, L"Наименование файла или папки",
                                                                        L"The name of a file or folder")));
                const recovery::FileStatistics& counted = direct.statistics;
                CHECK_EQ(tree.text(IDC_TREE_FOUND_IN_USE), std::to_wstring(counted.filesInUse));
                CHECK_EQ(tree.text(IDC_TREE_FOUND_DELETED), std::to_wstring(counted.filesDeleted));
                CHECK_EQ(tree.text(IDC_TREE_SELECTED_IN_USE), std::to_wstring(counted.matchedInUse));
                CHECK_EQ(tree.text(IDC_TREE_SELECTED_DELETED), std::to_wstring(counted.matchedDeleted));
                CHECK_EQ(tree.text(IDC_TREE_FOUND_MB_IN_USE), std::to_wstring(counted.bytesInUse / 1'000'000));
                CHECK_EQ(tree.text(IDC_TREE_MARKED_IN_USE), std::wstring(L"0"));
                CHECK(!tree.enabled(IDC_TREE_RESTORE));

                // A click on the name header reverses the names' order (a fill sorts them ascending),
                // a second click restores it.
                const std::wstring firstName = rowText(tree, 0, 0);
                const int lastRow = listRowCount(tree) - 1;
                tree.clickListHeader(IDC_TREE_LIST, 0);
                CHECK_EQ(rowText(tree, lastRow, 0), firstName);
                tree.clickListHeader(IDC_TREE_LIST, 0);
                CHECK_EQ(rowText(tree, 0, 0), firstName);
                // The check box of a folder row (Space on the row) marks its whole subtree, a second press
                // clears it.
                tree.pressOnRow(IDC_TREE_LIST, 0, VK_SPACE);
                CHECK(quenzar::wintest::pumpUntil([&] { return tree.text(IDC_TREE_MARKED_IN_USE) != L"0"; }, 5000));
                CHECK(tree.enabled(IDC_TREE_RESTORE));
                tree.pressOnRow(IDC_TREE_LIST, 0, VK_SPACE);
                CHECK(quenzar::wintest::pumpUntil([&] { return tree.text(IDC_TREE_MARKED_IN_USE) == L"0"; }, 5000));
                // "Select all" on the folder shown first (the root folder) marks its whole subtree.
                tree.click(IDC_TREE_SELECT_ALL);
                REQUIRE(quenzar::wintest::pumpUntil([&] { return tree.text(IDC_TREE_MARKED_IN_USE) != L"0"; }));
                CHECK_EQ(tree.text(IDC_TREE_MARKED_IN_USE), std::to_wstring(directMarks.filesInUse));
                CHECK_EQ(tree.text(IDC_TREE_MARKED_DELETED), std::to_wstring(directMarks.filesDeleted));
                CHECK(tree.enabled(IDC_TREE_RESTORE));

                // A target on the drive being read is refused, and nothing is written or cleared.
                shell.record.answers = {IDYES};
                shell.record.folderAnswer = std::string("d:\\restored");
                const std::size_t boxesBeforeRefusal = messages.size();
                tree.click(IDC_TREE_RESTORE);
                REQUIRE(messages.size() == boxesBeforeRefusal + 2);
                CHECK_EQ(utf16(messages[boxesBeforeRefusal + 1].caption),
                         std::wstring(inLanguage(language, L"НЕВЕРНО ЗАДАН ДИСК ДЛЯ ЗАПИСИ ДАННЫХ!",
                                                 L"INCORRECTLY SPECIFIED DISK FOR RECORDING DATA!")));
                CHECK(shell.state.analysis.progressDialog == nullptr && IsWindowEnabled(tree.window()));
                CHECK_EQ(tree.text(IDC_TREE_MARKED_IN_USE), std::to_wstring(directMarks.filesInUse));
                shell.record.folderChooserTitles.clear();

                // The test restore: the question answered Yes, the folder chosen, WAITR, the end box.
                shell.record.answers = {IDYES};
                shell.record.folderAnswer = quenzar::app::text1251FromWide(windowTarget.path().wstring());
                const std::size_t boxesBefore = messages.size();
                tree.click(IDC_TREE_RESTORE);
                REQUIRE(quenzar::wintest::pumpUntil([&] { return messages.size() == boxesBefore + 2; }));
                CHECK_EQ(utf16(messages[boxesBefore].caption),
                         std::wstring(inLanguage(language, L"КОНТРОЛЬ СТЕПЕНИ ВОЗМОЖНОГО ВОССТАНОВЛЕНИЯ",
                                                 L"CONTROL OF THE LEVEL OF POSSIBLE RECOVERY")));
                CHECK_EQ(utf16(messages[boxesBefore + 1].caption),
                         std::wstring(inLanguage(language, L"Извлечение файлов завершено", L"Extract files completed    ")));
                REQUIRE(shell.record.folderChooserTitles.size() == 1);
                CHECK_EQ(utf16(shell.record.folderChooserTitles[0]),
                         std::wstring(inLanguage(language, L"Выбор папки для записи данных",
                                                 L"Selecting a folder for recording data")));
                // The marks are cleared and the counts say so.
                CHECK(quenzar::wintest::pumpUntil([&] { return tree.text(IDC_TREE_MARKED_IN_USE) == L"0"; }));
                CHECK(!tree.enabled(IDC_TREE_RESTORE));
                // The restore's end clears the shown folder's marks behind WAITP; the window is
                // usable again once that is done.
                REQUIRE(waitForTreeJobs(tree));
                // A double click opens a folder row: the Cyrillic folder with its deleted rows.
                const int rowsBefore = listRowCount(tree);
                tree.doubleClickRow(IDC_TREE_LIST, rowsBefore - 1);
                CHECK(quenzar::wintest::pumpUntil([&] { return listRowCount(tree) != rowsBefore; }, 5000));
                quenzar::wintest::saveScreenshot(tree.window(), language == kRussian ? "pros-ru" : "pros-en");
                REQUIRE(waitForTreeJobs(tree));
                tree.close();
            };
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            CHECK_EQ(filter.title(), std::wstring(inLanguage(language,
                L"Параметры поиска пользователький файлов и указание логического диска",
                L"The search options are user files and specifying a logical disk")));
            CHECK_EQ(filter.text(IDC_FILTER_DRIVE_LABEL),
                     std::wstring(inLanguage(language, L"Буква логического диска", L"The letter logical disk")));
            CHECK_EQ(filter.text(1518), std::wstring(inLanguage(language, L"Графические файлы    (*.gif)",
                                                                 L"Graphic files        (*.gif)")));
            CHECK_EQ(filter.text(IDC_FILTER_PREFIX2), std::wstring(inLanguage(language, L"Искать файлы, начинающиеся с ",
                                                                               L"Search for files that begin with ")));
            // The defaults of a program start.
            CHECK(filter.checked(1501) && filter.checked(1508) && filter.checked(1520));
            CHECK(!filter.checked(1509) && !filter.checked(1525) && !filter.checked(IDC_FILTER_ALL_EXTENSIONS));
            CHECK(filter.checked(IDC_FILTER_NO_SYSTEM_FILES) && filter.checked(IDC_FILTER_ALL_NAMES));
            CHECK(filter.checked(IDC_FILTER_EXISTING) && !filter.checked(IDC_FILTER_DELETED));
            CHECK(!filter.enabled(IDC_FILTER_USER_EXT1_EDIT) && !filter.enabled(IDC_FILTER_PREFIX3_EDIT));
            CHECK(!filter.enabled(IDC_FILTER_APPLY));
            CHECK(filter.focused(IDC_FILTER_DRIVE_LETTER));

            // E: is the FAT-32 volume of the first image: refused with the message.
            filter.type(IDC_FILTER_DRIVE_LETTER, L"E");
            REQUIRE(messages.size() == 1);
            CHECK_EQ(utf16(messages[0].caption),
                     std::wstring(inLanguage(language, L"ДИСК УКАЗАН НЕВЕРНО!", L"THE DISC IS NOT CORRECTLY SPECIFIED!")));
            CHECK_EQ(messages[0].flags, UINT{MB_ICONERROR});
            CHECK(!filter.enabled(IDC_FILTER_APPLY));
            // D: is its NTFS volume; a small letter is a letter too.
            filter.type(IDC_FILTER_DRIVE_LETTER, L"d");
            CHECK(filter.enabled(IDC_FILTER_APPLY));
            CHECK_EQ(messages.size(), std::size_t{1});
            filter.click(IDC_FILTER_DELETED);
            filter.click(IDC_FILTER_LISTING);
            quenzar::wintest::saveScreenshot(filter.window(), language == kRussian ? "filtr-ru" : "filtr-en");
            // The tree window opens when the analysis has ended.
            quenzar::wintest::onNextDialog(treeScript, treeTitle);
            filter.press(IDC_FILTER_DRIVE_LETTER, VK_RETURN);  // Enter applies
        });
        shell.command(CMD_RECOVER_LOGICAL_DRIVE);
        const recovery::SearchFilter applied = shell.state.analysis.filter;
        CHECK_EQ(applied.driveLetter, 'D');
        CHECK_EQ(applied.searchDeleted, std::uint8_t{1});

        REQUIRE(quenzar::wintest::pumpUntil([&] { return treeSeen && quenzar::wintest::dialogScriptRan(); }, 60'000));
        CHECK(IsWindowEnabled(shell.window()));
        // The listing asked for in the dialog, headed in the program's language.
        std::ifstream listing(work.path() / recovery::kListingFileName, std::ios::binary);
        std::string header;
        std::getline(listing, header);
        CHECK_EQ(header.substr(0, 11), std::string(language == kRussian ? "№ Физ.сект." : "Phys.sector"));

        const recovery::FileStatistics& shown = shell.state.analysis.result.statistics;
        CHECK_EQ(shown.filesInUse, direct.statistics.filesInUse);
        CHECK_EQ(shown.matchedDeleted, direct.statistics.matchedDeleted);
        CHECK(direct.statistics.matchedDeleted > 0);
        // The window restored exactly what the engine restores for the same marks.
        const auto restored = folderContents(windowTarget.path());
        CHECK(!restored.empty());
        CHECK(restored == folderContents(directTarget.path()));
        // The restore's end removed the work file.
        CHECK(!std::filesystem::exists(work.path() / recovery::kWorkFileName));
    }
}

// Command 2207, as the virtual-disk dialogs post it once they have modelled a volume: FILTV, the
// analysis of the virtual disk through the whole disk, and the same counts as the lettered drive.
TEST_CASE(virtualDiskAnalysisFindsWhatTheLetteredDriveHolds) {
    TempFolder work;
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    shell.state.analysis.workFolder = work.path();
    shell.command(CMD_DISK_INVENTORY);
    // The volume D: of the first image modelled from its boot sector at LBA 2048.
    quenzar::ntfs::NtfsVolumeParams params;
    quenzar::ntfs::chooseDisk(params, '0', shell.state.inventory.disk('0'));
    const quenzar::ntfs::SectorReader read =
        quenzar::ntfs::diskSectorReader(*shell.state.disks, shell.state.inventory.masks, '0');
    std::uint64_t storedRecordLba = 0;
    const quenzar::ntfs::VirtualDiskOutcome outcome = quenzar::ntfs::computeFromInput(
        quenzar::ntfs::VirtualDiskDialog::FromBootSector, params, storedRecordLba, "2048", read, kEnglish);
    REQUIRE(outcome.buttons.run);
    recovery::VirtualDiskVolume& volume = shell.state.analysis.virtualDisk;
    REQUIRE(quenzar::ntfs::startReconstruction(params, volume.runTable, read).ready);
    volume.diskNumber = '0';
    volume.bootLba = params.bootLba;
    volume.sectorsPerCluster = params.sectorsPerCluster;
    shell.state.analysis.treeTitle = std::string(
        quenzar::ntfs::treeWindowTitle(quenzar::ntfs::VirtualDiskDialog::FromBootSector, kEnglish));

    // The tree window opens with the virtual disk's title and its folders.
    int rows = -1;
    quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
        quenzar::wintest::onNextDialog(
            [&](DialogProbe& tree) {
                quenzar::wintest::pumpUntil([&] { return listRowCount(tree) > 0; });
                rows = listRowCount(tree);
                // A virtual disk has no letter, but a folder on its disk is refused all the same:
                // here a path through the image being read.
                REQUIRE(waitForTreeJobs(tree));
                tree.click(IDC_TREE_SELECT_ALL);
                REQUIRE(quenzar::wintest::pumpUntil([&] { return tree.text(IDC_TREE_MARKED_IN_USE) != L"0"; }));
                shell.record.answers = {IDYES};
                shell.record.folderAnswer = quenzar::wintest::shellTestImages()[0] + "\\restored";
                tree.click(IDC_TREE_RESTORE);
                REQUIRE(shell.record.messages.size() == 2);
                CHECK_EQ(utf16(shell.record.messages[1].caption), std::wstring(L"INCORRECTLY SPECIFIED DISK FOR RECORDING DATA!"));
                CHECK(tree.text(IDC_TREE_MARKED_IN_USE) != L"0");  // nothing restored, no mark cleared
                shell.record.messages.clear();
                REQUIRE(waitForTreeJobs(tree));
                tree.press(IDC_TREE_LIST, VK_ESCAPE);  // Escape closes it as the close box does
            },
            L"Modeling directory tree at the address of BOOT sector.");
        filter.press(IDC_FILTER_APPLY, VK_RETURN);
    });
    shell.command(CMD_ANALYSE_VIRTUAL_DISK);
    REQUIRE(quenzar::wintest::pumpUntil([&] { return rows >= 0; }, 60'000));
    CHECK(rows > 0);
    CHECK(shell.record.messages.empty());

    const recovery::AnalysisResult lettered =
        analyseDirectly(quenzar::wintest::shellTestImages(), 'D', shell.state.analysis.filter);
    const recovery::FileStatistics& shown = shell.state.analysis.result.statistics;
    CHECK(shown.matchedInUse > 0);
    CHECK_EQ(shown.matchedInUse, lettered.statistics.matchedInUse);
    CHECK_EQ(shown.filesInUse, lettered.statistics.filesInUse);
    CHECK_EQ(shown.foldersInUse, lettered.statistics.foldersInUse);
    CHECK_EQ(shown.bytesInUse, lettered.statistics.bytesInUse);
}

TEST_CASE(filterBoxesFollowTheLinkingRules) {
    struct Row {
        const char* what;
        std::vector<int> clicks;
        std::vector<int> checkedAfter;
        std::vector<int> uncheckedAfter;
        std::vector<int> enabledAfter;
        std::vector<int> disabledAfter;
    };
    const Row rows[] = {
        {"all extensions checks no-system and clears every extension box",
         {IDC_FILTER_NO_SYSTEM_FILES, IDC_FILTER_USER_EXT2, IDC_FILTER_ALL_EXTENSIONS},
         {IDC_FILTER_ALL_EXTENSIONS, IDC_FILTER_NO_SYSTEM_FILES},
         {1501, 1508, 1520, IDC_FILTER_USER_EXT2},
         {},
         {IDC_FILTER_USER_EXT2_EDIT}},
        {"a catalogue box clears all extensions",
         {IDC_FILTER_ALL_EXTENSIONS, 1524},
         {1524, IDC_FILTER_NO_SYSTEM_FILES},
         {IDC_FILTER_ALL_EXTENSIONS, 1501},
         {},
         {}},
        {"a user extension clears all extensions and enables its edit",
         {IDC_FILTER_ALL_EXTENSIONS, IDC_FILTER_USER_EXT3},
         {IDC_FILTER_USER_EXT3},
         {IDC_FILTER_ALL_EXTENSIONS},
         {IDC_FILTER_USER_EXT3_EDIT},
         {IDC_FILTER_USER_EXT1_EDIT}},
        {"a prefix clears all names and enables its edit",
         {IDC_FILTER_PREFIX2},
         {IDC_FILTER_PREFIX2},
         {IDC_FILTER_ALL_NAMES},
         {IDC_FILTER_PREFIX2_EDIT},
         {IDC_FILTER_PREFIX1_EDIT}},
        {"all names clears the prefixes",
         {IDC_FILTER_PREFIX1, IDC_FILTER_PREFIX3, IDC_FILTER_ALL_NAMES},
         {IDC_FILTER_ALL_NAMES},
         {IDC_FILTER_PREFIX1, IDC_FILTER_PREFIX3},
         {},
         {IDC_FILTER_PREFIX1_EDIT, IDC_FILTER_PREFIX3_EDIT}},
        {"unchecking a user extension disables its edit",
         {IDC_FILTER_USER_EXT1, IDC_FILTER_USER_EXT1},
         {},
         {IDC_FILTER_USER_EXT1},
         {},
         {IDC_FILTER_USER_EXT1_EDIT}},
    };
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    for (const Row& row : rows) {
        Note note(row.what);
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            for (int id : row.clicks) filter.click(id);
            for (int id : row.checkedAfter) CHECK(filter.checked(id));
            for (int id : row.uncheckedAfter) CHECK(!filter.checked(id));
            for (int id : row.enabledAfter) {
                CHECK(filter.enabled(id));
                CHECK(filter.focused(id));
            }
            for (int id : row.disabledAfter) CHECK(!filter.enabled(id));
            filter.close();
        });
        shell.command(CMD_ANALYSE_VIRTUAL_DISK);
        CHECK(quenzar::wintest::dialogScriptRan());
    }
    // Closed dialogs change nothing and start nothing.
    CHECK(shell.state.analysis.progressDialog == nullptr);
    CHECK(shell.state.analysis.worker == nullptr);
    CHECK_EQ(shell.state.analysis.filter.allExtensions, std::uint8_t{0});

    // Typed texts reach the filter as the analysis compares them; Escape cancels, Apply applies.
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        shell.command(language == kRussian ? CMD_RUSSIAN : CMD_ENGLISH);
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            CHECK_EQ(filter.title(), std::wstring(inLanguage(language, L"Параметры поиска пользовательских файлов",
                                                              L"The search options are user files")));
            CHECK(!filter.exists(IDC_FILTER_DRIVE_LETTER));
            CHECK(filter.enabled(IDC_FILTER_APPLY));
            filter.click(IDC_FILTER_USER_EXT1);
            filter.type(IDC_FILTER_USER_EXT1_EDIT, L"jp");
            filter.press(IDC_FILTER_USER_EXT1_EDIT, VK_ESCAPE);
        });
        shell.command(CMD_ANALYSE_VIRTUAL_DISK);
        CHECK_EQ(shell.state.analysis.filter.userExt[0].on, std::uint8_t{0});

        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            filter.click(IDC_FILTER_USER_EXT1);
            filter.type(IDC_FILTER_USER_EXT1_EDIT, L"jp");
            filter.click(IDC_FILTER_PREFIX1);
            filter.type(IDC_FILTER_PREFIX1_EDIT, L"Отчёт");
            quenzar::wintest::saveScreenshot(filter.window(), language == kRussian ? "filtv-ru" : "filtv-en");
            filter.click(IDC_FILTER_APPLY);
        });
        shell.command(CMD_ANALYSE_VIRTUAL_DISK);
        const recovery::SearchFilter& applied = shell.state.analysis.filter;
        CHECK_EQ(applied.userExt[0].on, std::uint8_t{1});
        CHECK(applied.userExt[0].ext == (recovery::Extension{'J', 'P', ' '}));
        CHECK_EQ(std::string(applied.prefix[0].text), std::string("Отчёт"));
        // No virtual disk is modelled in this test: the analysis refuses and the program goes on.
        REQUIRE(quenzar::wintest::pumpUntil([&] { return shell.state.analysis.worker == nullptr; }));
        // The next opening shows the applied choices again.
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            CHECK(filter.checked(IDC_FILTER_USER_EXT1));
            CHECK_EQ(filter.text(IDC_FILTER_USER_EXT1_EDIT), std::wstring(L"JP"));
            CHECK_EQ(filter.text(IDC_FILTER_PREFIX1_EDIT), std::wstring(L"Отчёт"));
            filter.close();
        });
        shell.command(CMD_ANALYSE_VIRTUAL_DISK);
        shell.state.analysis.filter = recovery::SearchFilter{};
        shell.record.messages.clear();
    }
}

TEST_CASE(progressDialogShowsTheAnalysisAndItsStopLeavesNoWorkFile) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work;
        // Two pieces of 32 records go through, the third waits: the analysis is caught half way.
        // Only reads of a piece's size count: the inventory reads a GPT's entries whole, more
        // than 4 KiB too.
        auto gated = std::make_unique<quenzar::wintest::GatedDiskSystem>(quenzar::wintest::shellTestImages(), 2,
                                                                          kHeldMftPieceBytes);
        const quenzar::wintest::GatedDiskSystem& gate = *gated;
        ShellWindow shell(language, true, std::move(gated));
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();
        shell.state.analysis.mftPieceBytes = kHeldMftPieceBytes;

        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
            filter.click(IDC_FILTER_APPLY);
        });
        shell.command(CMD_RECOVER_LOGICAL_DRIVE);
        REQUIRE(gate.waitUntilHeld(20'000));
        HWND wait = shell.state.analysis.progressDialog;
        REQUIRE(wait != nullptr);
        DialogProbe progress(wait);
        CHECK(!IsWindowEnabled(shell.window()));  // one operation at a time
        CHECK_EQ(progress.text(IDC_WAIT_STOP), std::wstring(inLanguage(language, L"Прекратить немедленно", L"To stop immediately")));
        CHECK_EQ(progress.text(IDC_WAIT_MATCHED_MB_LABEL),
                 std::wstring(inLanguage(language, L"Объем отобранных файлов", L"Ssize of the selected files")));

        // The dialog's own timer brings the stage into the title.
        const std::wstring extraction = utf16(recovery::stageText(recovery::AnalysisStage::Extraction, language));
        CHECK(quenzar::wintest::pumpUntil([&] { return progress.title() == extraction; }, 5000));
        progress.tick(IDT_PROGRESS);
        const recovery::FileStatistics counted = shell.state.analysis.progress.statistics.snapshot();
        CHECK(counted.filesInUse + counted.foldersInUse > 0);
        CHECK_EQ(progress.text(IDC_WAIT_FILES_IN_USE), std::to_wstring(counted.filesInUse));
        CHECK_EQ(progress.text(IDC_WAIT_FOLDERS_IN_USE), std::to_wstring(counted.foldersInUse));
        CHECK_EQ(progress.text(IDC_WAIT_MATCHED_IN_USE), std::to_wstring(counted.matchedInUse));
        CHECK_EQ(progress.text(IDC_WAIT_MB_IN_USE), std::to_wstring(counted.bytesInUse / 1'000'000));
        const std::uint64_t done = shell.state.analysis.progress.position.load();
        const std::uint64_t total = shell.state.analysis.progress.maximum.load();
        CHECK(done > 0 && done < total);
        CHECK_EQ(progress.barPosition(IDC_WAIT_PROGRESS), static_cast<int>(done * 100 / total));
        quenzar::wintest::saveScreenshot(wait, language == kRussian ? "wait-ru" : "wait-en");

        // The disk answers a moment after the stop, as a slow one would; the worker stops at the
        // next piece and the program ends with 0 and no work file.
        std::thread slowDisk([&gate] {
            Sleep(300);
            gate.openGate();
        });
        if (language == kRussian) {
            progress.close();  // the close box stops the same way
        } else {
            progress.click(IDC_WAIT_STOP);
        }
        slowDisk.join();
        CHECK(shell.record.exitCodes == std::vector<int>{0});
        CHECK(!std::filesystem::exists(work.path() / recovery::kWorkFileName));
        CHECK(shell.state.analysis.result.outcome == recovery::AnalysisOutcome::Stopped);
        CHECK(!IsWindow(wait));
        shell.settle();
        CHECK(shell.record.messages.empty());
    }
}

// The stop as the program really does it, in a process of its own: the analysis is caught half
// way, the stop button ends the process with exit code 0, and no work file is left.
CHILD_PROGRAM(stopDuringAnalysis) {
    if (arguments.size() != 1) return 2;
    const std::filesystem::path work(arguments[0]);
    auto gated = std::make_unique<quenzar::wintest::GatedDiskSystem>(quenzar::wintest::shellTestImages(), 2,
                                                                      kHeldMftPieceBytes);
    const quenzar::wintest::GatedDiskSystem& gate = *gated;
    ShellWindow shell(kEnglish, true, std::move(gated));
    shell.state.seams.endProcess = quenzar::app::systemSeams().endProcess;
    shell.state.analysis.workFolder = work;
    shell.state.analysis.mftPieceBytes = kHeldMftPieceBytes;
    quenzar::wintest::onNextDialog([](DialogProbe& filter) {
        filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
        filter.click(IDC_FILTER_APPLY);
    });
    shell.command(CMD_RECOVER_LOGICAL_DRIVE);
    if (!gate.waitUntilHeld(20'000) || shell.state.analysis.progressDialog == nullptr) return 3;
    // The work file is there while the analysis runs; the parent sees this mark.
    if (!std::filesystem::exists(work / recovery::kWorkFileName)) return 4;
    std::ofstream(work / "held").put('1');
    std::thread([&gate] {
        Sleep(300);
        gate.openGate();
    }).detach();
    DialogProbe(shell.state.analysis.progressDialog).click(IDC_WAIT_STOP);
    return 5;  // not reached: the stop ends the process
}

TEST_CASE(stopEndsTheProgramWithZeroAndNoWorkFile) {
    TempFolder work;
    CHECK_EQ(quenzar::wintest::runChild("stopDuringAnalysis", {work.path().wstring()}), 0);
    CHECK(std::filesystem::exists(work.path() / "held"));
    CHECK(!std::filesystem::exists(work.path() / recovery::kWorkFileName));
}

// Analyses D: through the menu (files in use, and deleted ones when asked), marks the root
// folder's subtree with "Select all" and test-restores it into the target, answering the question
// with Yes; `whileRestoring` runs right after the click on the restore button. Returns once the
// restore's final box has been shown.
static void restoreAllThroughTheWindow(ShellWindow& shell, text::Language language, const std::filesystem::path& target,
                                bool withDeleted, const std::function<void()>& whileRestoring) {
    bool restored = false;
    auto treeScript = [&](DialogProbe& tree) {
        REQUIRE(waitForTreeJobs(tree));
        tree.click(IDC_TREE_SELECT_ALL);
        REQUIRE(waitForTreeJobs(tree));
        shell.record.answers = {IDYES};
        shell.record.folderAnswer = quenzar::app::text1251FromWide(target.wstring());
        tree.click(IDC_TREE_RESTORE);
        whileRestoring();
        restored = quenzar::wintest::pumpUntil([&] { return !shell.record.messages.empty() &&
                                                              shell.record.messages.back().flags != UINT(MB_YESNO | MB_ICONQUESTION); });
        REQUIRE(waitForTreeJobs(tree));
        tree.close();
    };
    quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
        quenzar::wintest::onNextDialog(treeScript, std::wstring(inLanguage(language, L"Дерево каталогов логического диска D:",
                                                                           L"The directory tree logical disk D:")));
        filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
        if (withDeleted) filter.click(IDC_FILTER_DELETED);
        filter.click(IDC_FILTER_APPLY);
    });
    shell.command(CMD_RECOVER_LOGICAL_DRIVE);
    REQUIRE(quenzar::wintest::pumpUntil([&] { return quenzar::wintest::dialogScriptRan() && restored; }, 60'000));
}

// WAITR caught at its start: a restore whose first data read waits shows its title and the time
// left before its first figures; once the disk answers, the restore ends as ever.
TEST_CASE(restoreProgressShowsWhileTheFilesAreCopied) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work, target;
        // The test restore reads each file as one piece of 64,512 bytes.
        auto gated = std::make_unique<quenzar::wintest::GatedDiskSystem>(quenzar::wintest::shellTestImages(), 0,
                                                                          recovery::kTestRestoreMaxBytes);
        const quenzar::wintest::GatedDiskSystem& gate = *gated;
        ShellWindow shell(language, true, std::move(gated));
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();
        restoreAllThroughTheWindow(shell, language, target.path(), true, [&] {
            REQUIRE(gate.waitUntilHeld(20'000));
            const std::wstring stage(inLanguage(language, L"ВОССТАНОВЛЕНИЕ ОТМЕЧЕННЫХ ФАЙЛОВ.", L"RESTORE MARKED FILES."));
            HWND progressWindow = quenzar::wintest::findDialog(stage);
            REQUIRE(progressWindow != nullptr);
            DialogProbe progress(progressWindow);
            CHECK_EQ(progress.text(IDC_WAITR_TIME_GROUP), std::wstring(L"Until the end of the left ??:??:??"));
            CHECK_EQ(progress.text(IDC_WAITR_STOP),
                     std::wstring(inLanguage(language, L"ПРЕКРАТИТЬ НЕМЕДЛЕННО", L"TO STOP IMMEDIATELY")));
            Sleep(300);
            progress.tick(IDT_PROGRESS);
            quenzar::wintest::saveScreenshot(progressWindow, language == kRussian ? "waitr-ru" : "waitr-en");
            gate.openGate();
        });
        CHECK(!folderContents(target.path()).empty());
    }
}

// The test restore on a failing disk: the analysis cannot read one MFT record, and a marked file
// has a bad sector. The file is restored with zeros there, the list of damaged files lies beside
// the restored folders, and the final box says what went wrong, with the warning icon.
TEST_CASE(restoreOnAFailingDiskCountsWhatItCouldNotRead) {
    // Where the file's data and the other file's record lie, as the engine finds them.
    const recovery::AnalysisResult direct =
        analyseDirectly(quenzar::wintest::shellTestImages(), 'D', recovery::everyFileFilter());
    REQUIRE(direct.outcome == recovery::AnalysisOutcome::Completed);
    std::uint64_t badDataLba = 0, badRecordLba = 0;
    for (const recovery::FileTableEntry& entry : direct.tree.table) {
        if (std::strcmp(entry.name, "budget-64512.xls") == 0) {
            badDataLba = direct.geometry.volumeStartLba + std::uint64_t{entry.firstCluster} * direct.geometry.sectorsPerCluster + 7;
        }
        if (std::strcmp(entry.name, "readme.txt") == 0) badRecordLba = entry.recordLba + 1;
    }
    REQUIRE(badDataLba != 0 && badRecordLba != 0);

    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work, target;
        auto faulty = std::make_unique<quenzar::testsupport::FaultyDisks>(quenzar::wintest::shellTestImages());
        faulty->failSectors(badDataLba);
        faulty->failSectors(badRecordLba);
        ShellWindow shell(language, true, std::move(faulty));
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();
        restoreAllThroughTheWindow(shell, language, target.path(), false, [] {});

        const auto& box = shell.record.messages.back();
        CHECK_EQ(box.flags, UINT(MB_ICONWARNING));
        CHECK_EQ(utf16(box.caption), std::wstring(inLanguage(language, L"Извлечение файлов завершено с ошибками",
                                                             L"Extract files completed with errors")));
        for (const wchar_t* line : {inLanguage(language, L"С нечитаемыми секторами (записаны нулями): 1, секторов: 1.",
                                               L"With unreadable sectors (written as zeros): 1, sectors: 1."),
                                    inLanguage(language, L"Записей MFT, не прочитанных при анализе: 1.",
                                               L"MFT records not read during the analysis: 1."),
                                    inLanguage(language, L"Список этих файлов: QuenzarSalvage-damaged.txt.",
                                               L"These files are listed in QuenzarSalvage-damaged.txt.")}) {
            CHECK(utf16(box.text).find(line) != std::wstring::npos);
        }
        const std::map<std::wstring, std::string> files = folderContents(target.path());
        const auto damaged = files.find(L"QuenzarSalvage-damaged.txt");
        REQUIRE(damaged != files.end());
        CHECK(damaged->second.find("Razd0/Documents/Reports/2023/Q2/budget-64512.xls\r\n") != std::string::npos);
        const auto budget = files.find(L"Razd0\\Documents\\Reports\\2023\\Q2\\budget-64512.xls");
        REQUIRE(budget != files.end());
        CHECK_EQ(budget->second.size(), std::size_t{64512});
        CHECK(budget->second.substr(3584, 512) == std::string(512, '\0'));
    }
}

// WAITP behind "Select all": it stays on screen until the tree window's messages run, so it is
// caught right after the click; its texts, its picture, and its stop button, which ends the
// program with 0 and takes the work file with it.
TEST_CASE(markingProgressShowsAndItsStopEndsTheProgram) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work;
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();
        bool stopped = false;
        auto treeScript = [&](DialogProbe& tree) {
            REQUIRE(waitForTreeJobs(tree));
            REQUIRE(std::filesystem::exists(work.path() / recovery::kWorkFileName));
            tree.click(IDC_TREE_SELECT_ALL);
            HWND progressWindow = quenzar::wintest::findOwnedDialog(tree.window());
            REQUIRE(progressWindow != nullptr);
            DialogProbe progress(progressWindow);
            CHECK_EQ(progress.title(), std::wstring(inLanguage(language, L"УСТАНОВКА ПРИЗНАКА ВЫБОРА.",
                                                               L"INSTALLATION OF THE FEATURE SELECTION.")));
            CHECK_EQ(progress.text(IDC_WAITP_HEADING),
                     std::wstring(inLanguage(language, L"ЖДИТЕ ЗАВЕРШЕНИЯ ОПЕРАЦИЙ", L"WAIT FOR TERMINATION OPERATIONS")));
            CHECK_EQ(progress.text(IDC_WAITP_STOP),
                     std::wstring(inLanguage(language, L"Прекратить немедленно", L"To stop immediately")));
            CHECK(!IsWindowEnabled(tree.window()));
            quenzar::wintest::saveScreenshot(progressWindow, language == kRussian ? "waitp-ru" : "waitp-en");
            progress.click(IDC_WAITP_STOP);
            CHECK(shell.record.exitCodes == std::vector<int>{0});
            CHECK(!std::filesystem::exists(work.path() / recovery::kWorkFileName));
            // The test's seam does not end this process: the marking ends as ever.
            REQUIRE(waitForTreeJobs(tree));
            stopped = true;
            tree.close();
        };
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            quenzar::wintest::onNextDialog(treeScript, std::wstring(inLanguage(language, L"Дерево каталогов логического диска D:",
                                                                               L"The directory tree logical disk D:")));
            filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
            filter.click(IDC_FILTER_APPLY);
        });
        shell.command(CMD_RECOVER_LOGICAL_DRIVE);
        REQUIRE(quenzar::wintest::pumpUntil([&] { return quenzar::wintest::dialogScriptRan() && stopped; }, 60'000));
    }
}

// The restore's stop, in a process of its own: a restore held at its first data read, the stop
// button of WAITR, exit code 0 and no work file.
CHILD_PROGRAM(stopDuringRestore) {
    if (arguments.size() != 2) return 2;
    const std::filesystem::path work(arguments[0]);
    const std::filesystem::path target(arguments[1]);
    auto gated = std::make_unique<quenzar::wintest::GatedDiskSystem>(quenzar::wintest::shellTestImages(), 0,
                                                                      recovery::kTestRestoreMaxBytes);
    const quenzar::wintest::GatedDiskSystem& gate = *gated;
    ShellWindow shell(kEnglish, true, std::move(gated));
    shell.state.seams.endProcess = quenzar::app::systemSeams().endProcess;
    shell.state.analysis.workFolder = work;
    int failure = 0;
    auto treeScript = [&](DialogProbe& tree) {
        waitForTreeJobs(tree);
        tree.click(IDC_TREE_SELECT_ALL);
        waitForTreeJobs(tree);
        shell.record.answers = {IDYES};
        shell.record.folderAnswer = quenzar::app::text1251FromWide(target.wstring());
        tree.click(IDC_TREE_RESTORE);
        HWND progress = quenzar::wintest::findDialog(L"RESTORE MARKED FILES.");
        if (!gate.waitUntilHeld(20'000) || progress == nullptr) {
            failure = 3;
            return;
        }
        if (!std::filesystem::exists(work / recovery::kWorkFileName)) {
            failure = 4;
            return;
        }
        std::ofstream(work / "held").put('1');
        DialogProbe(progress).click(IDC_WAITR_STOP);
        failure = 5;  // not reached: the stop ends the process
    };
    quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
        quenzar::wintest::onNextDialog(treeScript, L"The directory tree logical disk D:");
        filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
        filter.click(IDC_FILTER_APPLY);
    });
    shell.command(CMD_RECOVER_LOGICAL_DRIVE);
    quenzar::wintest::pumpUntil([&] { return failure != 0; }, 60'000);
    return failure == 0 ? 6 : failure;
}

TEST_CASE(restoreStopEndsTheProgramWithZeroAndNoWorkFile) {
    TempFolder work, target;
    CHECK_EQ(quenzar::wintest::runChild("stopDuringRestore", {work.path().wstring(), target.path().wstring()}), 0);
    CHECK(std::filesystem::exists(work.path() / "held"));
    CHECK(!std::filesystem::exists(work.path() / recovery::kWorkFileName));
}

TEST_CASE(failedAnalysisShowsItsBoxAndTheProgramGoesOn) {
    // A copy of the first image whose $MFT record of D: is destroyed, with its copy in the $MFTMirr.
    TempFolder work;
    const std::filesystem::path image = copyOfFirstImage(work, "no-mft.img");
    {
        std::fstream disk(image, std::ios::in | std::ios::out | std::ios::binary);
        const MftPlaces places = mftPlacesOfD(disk);
        const std::vector<char> zeros(1024, 0);
        for (const std::uint64_t place : {places.mft, places.mirror}) {
            disk.seekp(static_cast<std::streamoff>(place));
            disk.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
        }
        REQUIRE(disk.good());
    }
    ShellWindow shell(kEnglish, false,
                      std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{image.string()}));
    REQUIRE(shell.window() != nullptr);
    shell.state.analysis.workFolder = work.path();
    quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
        filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
        filter.click(IDC_FILTER_APPLY);
    });
    shell.command(CMD_RECOVER_LOGICAL_DRIVE);
    REQUIRE(quenzar::wintest::pumpUntil([&] { return !shell.record.messages.empty(); }));
    CHECK_EQ(shell.record.messages[0].caption, std::string("By browsing the directory tree of the disc is impossible!"));
    CHECK_EQ(shell.record.messages[0].flags, UINT{MB_ICONERROR});
    CHECK(shell.state.analysis.progressDialog == nullptr);
    CHECK(IsWindowEnabled(shell.window()));
    CHECK(shell.record.exitCodes.empty());
    // The program goes on: the next command works as ever.
    shell.command(CMD_DISK_INVENTORY);
    CHECK(shell.state.screenMode == quenzar::app::ScreenMode::Disks);
    CHECK_EQ(shell.record.messages.size(), std::size_t{1});
}

// A $MFT record whose real size claims 2^40 bytes (a billion records) on a copy of the first
// image: the analysis reads what the volume holds, and before the tree window a warning box says
// how many records the record claims and how many were read.
TEST_CASE(damagedMftSizeIsToldBeforeTheTreeWindow) {
    constexpr std::uint64_t kClaimedBytes = std::uint64_t{1} << 40;
    TempFolder work;
    const std::filesystem::path image = copyOfFirstImage(work, "claims.img");
    {
        std::fstream disk(image, std::ios::in | std::ios::out | std::ios::binary);
        const std::uint64_t recordAt = mftPlacesOfD(disk).mft;
        unsigned char record[1024] = {};
        disk.seekg(static_cast<std::streamoff>(recordAt));
        disk.read(reinterpret_cast<char*>(record), sizeof record);
        // The unnamed $DATA among the record's attributes; its real size lies at 30h, inside the
        // record's first sector, clear of the update sequence.
        std::size_t at = record[0x14] | (record[0x15] << 8);
        while (at + 8 <= sizeof record && record[at] != 0x80 && record[at] != 0xFF) {
            at += record[at + 4] | (record[at + 5] << 8);
        }
        REQUIRE(at + 0x38 <= 510 && record[at] == 0x80 && record[at + 8] == 1);
        disk.seekp(static_cast<std::streamoff>(recordAt + at + 0x30));
        disk.write(reinterpret_cast<const char*>(&kClaimedBytes), sizeof kClaimedBytes);
        REQUIRE(disk.good());
    }
    ShellWindow shell(kEnglish, false,
                      std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{image.string()}));
    REQUIRE(shell.window() != nullptr);
    shell.state.analysis.workFolder = work.path();
    std::size_t messagesBeforeTree = 0;
    bool treeShown = false;
    quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
        quenzar::wintest::onNextDialog([&](DialogProbe& tree) {
            treeShown = true;
            messagesBeforeTree = shell.record.messages.size();
            CHECK(listRowCount(tree) >= 0);
            REQUIRE(waitForTreeJobs(tree));
            tree.press(IDC_TREE_LIST, VK_ESCAPE);
        }, L"The directory tree logical disk D:");
        filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
        filter.click(IDC_FILTER_APPLY);
    });
    shell.command(CMD_RECOVER_LOGICAL_DRIVE);
    REQUIRE(quenzar::wintest::pumpUntil([&] { return treeShown; }, 60'000));
    REQUIRE(messagesBeforeTree == 1);
    const std::uint64_t read = shell.state.analysis.result.recordCount;
    CHECK(read > 0 && read < (kClaimedBytes >> 10));
    CHECK_EQ(shell.record.messages[0].caption, std::string("The $MFT record is damaged"));
    CHECK_EQ(shell.record.messages[0].text,
             "The $MFT record claims 1073741824 records, but its allocated size, its runs and the volume hold only " +
                 std::to_string(read) + " records:\r\nonly these were read. The $MFT record is damaged.");
    CHECK_EQ(shell.record.messages[0].flags, UINT{MB_ICONWARNING});
    CHECK(shell.state.analysis.result.statistics.filesInUse > 0);
}

namespace {

bool loopTreeShown = false;

// Chooses "With an existing logical disk" once the program's window is there.
void CALLBACK chooseLogicalDriveRecovery(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = FindWindowW(L"Quenzar", nullptr);
    if (window == nullptr) return;
    KillTimer(nullptr, timer);
    PostMessageW(window, WM_COMMAND, CMD_RECOVER_LOGICAL_DRIVE, 0);
}

// Closes the program's window once the tree window of the analysis has been seen.
void CALLBACK closeWhenAnalysed(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!loopTreeShown) return;
    KillTimer(nullptr, timer);
    HWND window = FindWindowW(L"Quenzar", nullptr);
    if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

// The whole program with its own message loop: the menu command, the filter dialog answered with
// Enter, the analysis behind the progress dialog, its end, and the work file removed at the end.
TEST_CASE(programLoopRunsAnAnalysisFromMenuToEnd) {
    TempFolder work;
    quenzar::app::AppState state;
    quenzar::wintest::SeamRecord record;
    quenzar::wintest::prepareState(state, kEnglish, record, quenzar::wintest::shellTestImages());
    state.analysis.workFolder = work.path();
    loopTreeShown = false;
    SetTimer(nullptr, 0, 200, chooseLogicalDriveRecovery);
    SetTimer(nullptr, 0, 200, closeWhenAnalysed);
    quenzar::wintest::onNextDialog([](DialogProbe& filter) {
        filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
        filter.press(IDC_FILTER_DRIVE_LETTER, VK_RETURN);
        // Once the analysis has ended, its tree window opens.
        quenzar::wintest::onNextDialog(
            [](DialogProbe& tree) {
                loopTreeShown = quenzar::wintest::pumpUntil([&] { return listRowCount(tree) > 0; });
                tree.close();
            },
            L"The directory tree logical disk D:");
    });
    CHECK_EQ(quenzar::app::startUp(state, L"QuenzarSalvage.exe /", 0x0409), 0);
    CHECK(loopTreeShown);
    CHECK(record.messages.empty());
    CHECK(state.analysis.result.statistics.matchedInUse > 0);
    CHECK(!std::filesystem::exists(work.path() / recovery::kWorkFileName));
}
