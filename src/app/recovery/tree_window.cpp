#include "app/recovery/tree_window.h"

#include <commctrl.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/dialog_support.h"
#include "app/recovery/analysis_worker.h"
#include "app/texts/tree_window_texts.h"
#include "app/wide_text.h"
#include "recovery/directory_tree.h"
#include "recovery/folder_list_view.h"
#include "recovery/marking.h"
#include "recovery/restore.h"
#include "recovery/restore_progress_view.h"
#include "resources/posted_command_ids.h"
#include "resources/progress_dialog_ids.h"
#include "resources/tree_window_ids.h"

namespace quenzar::app {
namespace {

// Posted by a job's worker to the tree window when its work is done.
constexpr UINT kJobDoneMessage = WM_APP + 2;
constexpr UINT kTreeProgressPeriodMs = 500;
constexpr UINT kRestoreProgressPeriodMs = 1000;
constexpr std::uint32_t kNoFolder = 0xFFFFFFFF;

struct TreeWindow {
    explicit TreeWindow(AppState& owner) : state(owner) {}

    AppState& state;
    HWND dialog = nullptr;
    recovery::DirectoryTree tree;
    recovery::TreeView view;
    std::uint32_t currentFolder = kNoFolder;  // table index of the folder the list shows
    std::vector<std::uint32_t> rows;          // table indexes of the list's rows, in their order
    recovery::ListSortState sort;
    recovery::MarkedStatistics marked;
    HIMAGELIST treeImages = nullptr, stateImages = nullptr, typeImages = nullptr;

    // The job that runs behind a progress dialog: its work on a worker, then its end here.
    HANDLE worker = nullptr;
    HWND progressDialog = nullptr;
    std::atomic<bool> jobFinished{false};
    std::function<void()> jobWork;
    std::function<void()> jobEnd;
    recovery::StepProgress stepProgress;  // how far the filling or marking behind WAITP has come
    text::TextPair jobStage;
    bool restoring = false;
    DWORD jobStartTick = 0;

    recovery::RestoreProgress restoreProgress;
    recovery::RestoreReport restoreReport;
    std::string restoreTarget;

    text::Language language() const { return state.texts.uiLanguage; }
    HWND list() const { return GetDlgItem(dialog, IDC_TREE_LIST); }
    HWND folders() const { return GetDlgItem(dialog, IDC_TREE_FOLDERS); }
};

void showNumber(HWND dialog, int controlId, std::uint64_t value) { setItemText(dialog, controlId, std::to_string(value)); }

// --- Jobs behind WAITP and WAITR ------------------------------------------------------------------

unsigned __stdcall jobThread(void* parameter) {
    TreeWindow& window = *static_cast<TreeWindow*>(parameter);
    window.jobWork();
    window.jobFinished.store(true);
    PostMessageW(window.dialog, kJobDoneMessage, 0, 0);
    return 0;
}

void closeJobProgress(TreeWindow& window) {
    HWND progress = window.progressDialog;
    window.progressDialog = nullptr;
    if (progress == nullptr || !IsWindow(progress)) return;
    KillTimer(progress, IDT_PROGRESS);
    DestroyWindow(progress);
}

// The stop button and the close box of WAITP and WAITR: the program ends at once, without its
// work file.
void stopJobAndExit(TreeWindow& window) {
    recovery::removeWorkFile(window.state.analysis.result);
    window.state.seams.endProcess(0);
}

void showRestoreTick(HWND progress, TreeWindow& window) {
    const recovery::RestoreTick tick =
        recovery::restoreTick(GetTickCount() - window.jobStartTick, window.restoreProgress.bytesRestored.load(),
                              window.restoreProgress.bytesTotal.load(), window.language());
    if (!tick.shown) return;
    showNumber(progress, IDC_WAITR_SPEED, tick.speedKiBs);
    SendDlgItemMessageW(progress, IDC_WAITR_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(tick.position), 0);
    const auto [folder, name] = window.restoreProgress.currentFile();
    setItemText(progress, IDC_WAITR_FOLDER, folder);
    setItemText(progress, IDC_WAITR_FILE, name);
    showNumber(progress, IDC_WAITR_RECORDED_MB, tick.recordedMB);
    if (!tick.leftMB) return;
    showNumber(progress, IDC_WAITR_LEFT_MB, *tick.leftMB);
    setItemText(progress, IDC_WAITR_TIME_GROUP, tick.timeLeft);
}

INT_PTR CALLBACK jobProgressProc(HWND progress, UINT message, WPARAM wParam, LPARAM lParam) {
    TreeWindow* window = dialogObject<TreeWindow>(progress, message, lParam);
    if (window == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            applyDialogTexts(progress, window->restoring ? texts::restoreProgressTexts() : texts::treeProgressTexts(),
                             window->language());
            setWindowText1251(progress, window->jobStage.in(window->language()));
            setUpProgressBar(progress, window->restoring ? IDC_WAITR_PROGRESS : IDC_WAITP_PROGRESS);
            SetTimer(progress, IDT_PROGRESS, window->restoring ? kRestoreProgressPeriodMs : kTreeProgressPeriodMs, nullptr);
            return FALSE;  // a stray Enter must not stop the work
        case WM_TIMER:
            if (wParam != IDT_PROGRESS) return TRUE;
            if (window->jobFinished.load()) {
                closeJobProgress(*window);
            } else if (window->restoring) {
                showRestoreTick(progress, *window);
            } else if (const int percent = window->stepProgress.percent(); percent >= 0) {
                SendDlgItemMessageW(progress, IDC_WAITP_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
            }
            return TRUE;
        case WM_COMMAND:
            if ((LOWORD(wParam) == IDC_WAITP_STOP || LOWORD(wParam) == IDC_WAITR_STOP) && HIWORD(wParam) == BN_CLICKED) {
                stopJobAndExit(*window);
            }
            return TRUE;
        case WM_CLOSE: stopJobAndExit(*window); return TRUE;
        default: return FALSE;
    }
}

// Runs `work` on a worker behind the progress dialog, the tree window disabled meanwhile; `end`
// follows on the window's thread.
void runJob(TreeWindow& window, text::TextPair stage, bool restoring, std::function<void()> work,
            std::function<void()> end) {
    window.jobWork = std::move(work);
    window.jobEnd = std::move(end);
    window.jobStage = stage;
    window.restoring = restoring;
    window.jobFinished.store(false);
    window.stepProgress.start(0);
    window.jobStartTick = GetTickCount();
    window.progressDialog = CreateDialogParamW(window.state.instance, restoring ? L"WAITR" : L"WAITP", window.dialog,
                                               jobProgressProc, reinterpret_cast<LPARAM>(&window));
    EnableWindow(window.dialog, FALSE);
    window.worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, jobThread, &window, 0, nullptr));
    if (window.worker == nullptr) {
        // No thread: the work is done here, as the person asked for it.
        window.jobWork();
        window.jobFinished.store(true);
        PostMessageW(window.dialog, kJobDoneMessage, 0, 0);
    }
}

void onJobDone(TreeWindow& window) {
    if (window.worker != nullptr) {
        WaitForSingleObject(window.worker, INFINITE);  // it has posted its message and is returning
        CloseHandle(window.worker);
        window.worker = nullptr;
    }
    closeJobProgress(window);
    EnableWindow(window.dialog, TRUE);
    std::function<void()> end = std::move(window.jobEnd);
    window.jobEnd = nullptr;
    if (end) end();
}

// --- The list -------------------------------------------------------------------------------------

void showMarked(TreeWindow& window) {
    HWND dialog = window.dialog;
    showNumber(dialog, IDC_TREE_MARKED_IN_USE, window.marked.filesInUse);
    showNumber(dialog, IDC_TREE_MARKED_DELETED, window.marked.filesDeleted);
    showNumber(dialog, IDC_TREE_MARKED_MB_IN_USE, window.marked.bytesInUse / 1'000'000);
    showNumber(dialog, IDC_TREE_MARKED_MB_DELETED, window.marked.bytesDeleted / 1'000'000);
    enableItem(dialog, IDC_TREE_RESTORE, recovery::restoreEnabled(window.marked));
}

// The list shows the rows anew: the count, every row repainted.
void showRows(TreeWindow& window) {
    SendMessageW(window.list(), LVM_SETITEMCOUNT, static_cast<WPARAM>(window.rows.size()), LVSICF_NOSCROLL);
    InvalidateRect(window.list(), nullptr, FALSE);
}

// The current folder's rows in table order, sorted by name ascending.
void fillRows(TreeWindow& window) {
    window.rows = window.currentFolder == kNoFolder ? std::vector<std::uint32_t>{}
                                                    : recovery::fillFolderList(window.tree, window.currentFolder);
    recovery::sortListRows(window.rows, window.tree.table, recovery::kNameColumn, true, window.language());
    recovery::sortedByName(window.sort);
}

void openFolder(TreeWindow& window, std::uint32_t folderIndex) {
    window.currentFolder = folderIndex;
    fillRows(window);
    // No row of the folder before stays selected in the new one.
    LVITEMW cleared{};
    cleared.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(window.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&cleared));
    showRows(window);
}

void onGetDisplayInfo(TreeWindow& window, NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= window.rows.size()) return;
    const std::uint32_t row = window.rows[static_cast<std::size_t>(item.iItem)];
    const recovery::FileTableEntry& entry = window.tree.table[row];
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const std::wstring text = wideFrom1251(recovery::listCellText(entry, row, item.iSubItem, window.language()));
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
    if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) item.iImage = recovery::listIconOf(entry);
    if ((item.mask & LVIF_STATE) != 0) {
        item.state = INDEXTOSTATEIMAGEMASK(entry.mark == recovery::kMarked ? 2 : 1);
        item.stateMask = LVIS_STATEIMAGEMASK;
    }
}

// A folder's whole subtree marked or cleared behind WAITP, then the list and the counts again.
void markSubtree(TreeWindow& window, std::uint32_t folderIndex, char markChar, bool refill) {
    const recovery::FileTableEntry& folder = window.tree.table[folderIndex];
    const char generation = folder.generation;
    const std::uint32_t folderId = folder.ownId;
    runJob(
        window, markChar == recovery::kMarked ? texts::kMarkingStage : texts::kClearingStage, false,
        [&window, generation, folderId, markChar] {
            recovery::markFolderSubtree(window.tree, generation, folderId, markChar, &window.stepProgress);
            window.marked = recovery::refreshMarkedStatistics(window.tree.table);
        },
        [&window, refill] {
            if (refill) fillRows(window);
            showRows(window);
            showMarked(window);
        });
}

// The check box of a row: a file's mark, or a folder's whole subtree.
void toggleRow(TreeWindow& window, int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= window.rows.size()) return;
    const std::uint32_t row = window.rows[static_cast<std::size_t>(item)];
    recovery::FileTableEntry& entry = window.tree.table[row];
    const char markChar = entry.mark == recovery::kMarked ? recovery::kNotMarked : recovery::kMarked;
    if (entry.isFolder()) {
        markSubtree(window, row, markChar, false);
        return;
    }
    entry.mark = markChar;
    window.marked = recovery::refreshMarkedStatistics(window.tree.table);
    SendMessageW(window.list(), LVM_REDRAWITEMS, static_cast<WPARAM>(item), static_cast<LPARAM>(item));
    showMarked(window);
}

void onColumnClick(TreeWindow& window, int column) {
    if (!recovery::columnSorts(column)) return;
    const bool ascending = recovery::nextSortAscending(window.sort, column);
    recovery::sortListRows(window.rows, window.tree.table, column, ascending, window.language());
    showRows(window);
}

void onDoubleClick(TreeWindow& window, int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= window.rows.size()) return;
    const std::uint32_t row = window.rows[static_cast<std::size_t>(item)];
    // Only a folder has rows to show; a file row would empty the list.
    if (window.tree.table[row].isFolder()) openFolder(window, row);
}

INT_PTR onListNotify(TreeWindow& window, NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOW: onGetDisplayInfo(window, reinterpret_cast<NMLVDISPINFOW&>(header)); return TRUE;
        case NM_CLICK: {
            auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
            LVHITTESTINFO hit{};
            hit.pt = click.ptAction;
            SendMessageW(window.list(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0) toggleRow(window, hit.iItem);
            return TRUE;
        }
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == VK_SPACE) {
                toggleRow(window, static_cast<int>(SendMessageW(window.list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                                LVNI_FOCUSED)));
            }
            return TRUE;
        case NM_DBLCLK: onDoubleClick(window, reinterpret_cast<NMITEMACTIVATE&>(header).iItem); return TRUE;
        case LVN_COLUMNCLICK: onColumnClick(window, reinterpret_cast<NMLISTVIEW&>(header).iSubItem); return TRUE;
        default: return FALSE;
    }
}

// --- The tree -------------------------------------------------------------------------------------

HTREEITEM insertTreeItem(HWND folders, HTREEITEM parent, const std::string& text, LPARAM data) {
    const std::wstring wide = wideFrom1251(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;  // the view gives the children sorted already
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
    insert.item.lParam = data;
    insert.item.iImage = 0;
    insert.item.iSelectedImage = 1;
    return reinterpret_cast<HTREEITEM>(SendMessageW(folders, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

// A placed folder and everything under it. The item data is the table index + 1, so that only
// the generations' top items (data 0 or below) stand for no folder.
void insertFolder(const TreeWindow& window, HTREEITEM parent, std::uint32_t folderIndex) {
    HTREEITEM item = insertTreeItem(window.folders(), parent, recovery::folderText(window.tree.table[folderIndex]),
                                    static_cast<LPARAM>(folderIndex) + 1);
    const auto children = window.view.children.find(folderIndex);
    if (children == window.view.children.end()) return;
    for (const std::uint32_t child : children->second) insertFolder(window, item, child);
}

void fillTreeControl(TreeWindow& window) {
    HWND folders = window.folders();
    SendMessageW(folders, WM_SETREDRAW, FALSE, 0);
    for (std::size_t g = 0; g < window.tree.generations.size(); ++g) {
        const char generation = window.tree.generations[g];
        HTREEITEM top = insertTreeItem(folders, TVI_ROOT, recovery::generationText(generation), -(generation - '0'));
        for (const std::uint32_t folder : window.view.topLevel[g]) insertFolder(window, top, folder);
        SendMessageW(folders, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
    }
    SendMessageW(folders, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(folders, nullptr, TRUE);
}

INT_PTR onTreeNotify(TreeWindow& window, NMHDR& header) {
    if (header.code != TVN_SELCHANGEDW) return FALSE;
    const LPARAM data = reinterpret_cast<NMTREEVIEWW&>(header).itemNew.lParam;
    if (data > 0) openFolder(window, static_cast<std::uint32_t>(data - 1));
    return TRUE;
}

// --- The test restore -----------------------------------------------------------------------------

void restoreMarked(TreeWindow& window) {
    AppState& state = window.state;
    const text::Language language = window.language();
    const texts::BoxText& question = texts::kRestoreQuestion;
    if (state.seams.showMessage(question.text.in(language), question.title.in(language),
                                MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    if (window.marked.files() == 0) {
        state.seams.showMessage(texts::kNothingMarked.text.in(language), texts::kNothingMarked.title.in(language),
                                MB_ICONWARNING);
        return;
    }
    const std::optional<std::string> target = state.seams.chooseFolder(
        window.dialog, texts::kTargetChooser.title.in(language), texts::kTargetChooser.text.in(language));
    if (!target || target->empty()) return;
    const AnalysisSession& session = state.analysis;
    // The restored files must not land on the drive they are read from: in mode R the analysed
    // drive's letter (and, for an attached image, the image and what is made of it); a virtual
    // disk has no letter, so no folder on its whole disk is taken.
    const std::filesystem::path targetPath(wideFrom1251(*target));
    const bool onSource =
        session.mode == AnalysisMode::LogicalDrive
            ? (static_cast<unsigned char>((*target)[0]) & ~0x20u) == static_cast<unsigned char>(session.driveLetter) ||
                  state.disks->holdsFolder(session.driveLetter, targetPath)
            : state.disks->diskHoldsFolder(session.diskNumber, targetPath);
    if (onSource) {
        state.seams.showMessage(texts::kTargetOnSource.text.in(language), texts::kTargetOnSource.title.in(language),
                                MB_ICONERROR);
        return;
    }
    window.restoreTarget = *target;
    window.restoreProgress.bytesRestored.store(0);
    window.restoreProgress.bytesTotal.store(recovery::markedBytes(window.tree.table));
    window.restoreProgress.finished.store(false);
    runJob(
        window, texts::kRestoreStage, true,
        [&window] {
            AnalysisSession& analysed = window.state.analysis;
            const recovery::RestoreSource source{*window.state.disks,
                                                 analysed.inventory.masks,
                                                 analysed.diskNumber,
                                                 analysed.result.units,
                                                 analysed.volumeStartLba,
                                                 analysed.result.volumeSectorCount,
                                                 analysed.result.statistics.unreadableRecords,
                                                 analysed.result.mftRuns,
                                                 analysed.result.unreadableRecords};
            window.restoreReport = recovery::restoreMarkedFiles(source, window.tree.table,
                                                                std::filesystem::path(wideFrom1251(window.restoreTarget)),
                                                                recovery::RestoreMode::Test, window.restoreProgress,
                                                                false, window.language());
        },
        [&window] {
            recovery::removeWorkFile(window.state.analysis.result);
            window.marked = recovery::refreshMarkedStatistics(window.tree.table);
            showMarked(window);
            const recovery::RestoreMessage done =
                recovery::restoreFinishedMessage(window.restoreTarget, window.restoreReport, window.language());
            window.state.seams.showMessage(done.text, done.title,
                                           window.restoreReport.complete() ? MB_ICONINFORMATION : MB_ICONWARNING);
            PostMessageW(window.dialog, WM_COMMAND, MAKEWPARAM(IDC_TREE_CLEAR_ALL, BN_CLICKED), 0);
        });
}

// --- The window -----------------------------------------------------------------------------------

HIMAGELIST loadImages(HINSTANCE instance, int resourceId) {
    return ImageList_LoadImageW(instance, MAKEINTRESOURCEW(resourceId), 16, 0, RGB(255, 0, 255), IMAGE_BITMAP,
                                LR_CREATEDIBSECTION);
}

void setUpList(TreeWindow& window) {
    HWND list = window.list();
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(window.stateImages));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(window.typeImages));
    SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    const bool russian = text::isRussian(window.language());
    int index = 0;
    for (const recovery::ListColumn& column : recovery::listColumns()) {
        const std::wstring header = wideFrom1251(column.header.in(window.language()));
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        entry.fmt = column.align == recovery::ListColumn::Align::Right    ? LVCFMT_RIGHT
                    : column.align == recovery::ListColumn::Align::Centre ? LVCFMT_CENTER
                                                                          : LVCFMT_LEFT;
        entry.cx = russian ? column.russianWidth : column.englishWidth;
        entry.pszText = const_cast<wchar_t*>(header.c_str());
        entry.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&entry));
    }
}

void showAnalysisCounts(TreeWindow& window) {
    HWND dialog = window.dialog;
    const recovery::FileStatistics& counted = window.state.analysis.result.statistics;
    showNumber(dialog, IDC_TREE_FOUND_IN_USE, counted.filesInUse);
    showNumber(dialog, IDC_TREE_FOUND_DELETED, counted.filesDeleted);
    showNumber(dialog, IDC_TREE_FOUND_MB_IN_USE, counted.bytesInUse / 1'000'000);
    showNumber(dialog, IDC_TREE_FOUND_MB_DELETED, counted.bytesDeleted / 1'000'000);
    showNumber(dialog, IDC_TREE_SELECTED_IN_USE, counted.matchedInUse);
    showNumber(dialog, IDC_TREE_SELECTED_DELETED, counted.matchedDeleted);
    showNumber(dialog, IDC_TREE_SELECTED_MB_IN_USE, counted.matchedBytesInUse / 1'000'000);
    showNumber(dialog, IDC_TREE_SELECTED_MB_DELETED, counted.matchedBytesDeleted / 1'000'000);
    const bool anyCluster = counted.clusters.lowestCluster <= counted.clusters.highestCluster;
    showNumber(dialog, IDC_TREE_FIRST_CLUSTER, anyCluster ? counted.clusters.lowestCluster : 0);
    showNumber(dialog, IDC_TREE_LAST_CLUSTER, counted.clusters.highestCluster);
}

void onInit(HWND dialog, TreeWindow& window) {
    window.dialog = dialog;
    applyDialogTexts(dialog, texts::treeWindowTexts(), window.language());
    setWindowText1251(dialog, window.state.analysis.treeTitle);
    window.treeImages = loadImages(window.state.instance, QUENZAR_TREE_ICONS);
    window.stateImages = loadImages(window.state.instance, QUENZAR_CHECK_STATES);
    window.typeImages = loadImages(window.state.instance, QUENZAR_FILE_TYPE_ICONS);
    SendMessageW(window.folders(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(window.treeImages));
    setUpList(window);
    showAnalysisCounts(window);
    showMarked(window);
    runJob(
        window, texts::kFillingStage, false,
        [&window] {
            recovery::AnalysisResult& result = window.state.analysis.result;
            window.tree = recovery::fillTreeView(recovery::savedTable(std::move(result.tree)), &window.stepProgress);
            result.tree = recovery::DirectoryTree{};
            window.view = recovery::makeTreeView(window.tree);
            const auto firstFolder = std::find_if(window.tree.table.begin(), window.tree.table.end(),
                                                  [](const recovery::FileTableEntry& entry) { return entry.isFolder(); });
            window.currentFolder = firstFolder == window.tree.table.end()
                                       ? kNoFolder
                                       : static_cast<std::uint32_t>(firstFolder - window.tree.table.begin());
            fillRows(window);
            window.marked = recovery::refreshMarkedStatistics(window.tree.table);
        },
        [&window] {
            fillTreeControl(window);
            showRows(window);
            showMarked(window);
        });
}

INT_PTR onCommand(TreeWindow& window, int controlId, int notification) {
    if (notification != BN_CLICKED) return FALSE;
    switch (controlId) {
        case IDC_TREE_SELECT_ALL:
        case IDC_TREE_CLEAR_ALL:
            if (window.currentFolder != kNoFolder) {
                markSubtree(window, window.currentFolder,
                            controlId == IDC_TREE_SELECT_ALL ? recovery::kMarked : recovery::kNotMarked, true);
            }
            return TRUE;
        case IDC_TREE_RESTORE: restoreMarked(window); return TRUE;
        case IDC_TREE_ORDER:
            EndDialog(window.dialog, 0);
            PostMessageW(window.state.mainWindow, WM_COMMAND, CMD_SEND_RECOVERY_ORDER, 0);
            return TRUE;
        case IDCANCEL: EndDialog(window.dialog, 0); return TRUE;  // Escape: as the close box
        default: return FALSE;
    }
}

INT_PTR CALLBACK treeWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    TreeWindow* window = dialogObject<TreeWindow>(dialog, message, lParam);
    if (window == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: onInit(dialog, *window); return TRUE;
        case WM_NOTIFY: {
            auto& header = *reinterpret_cast<NMHDR*>(lParam);
            const INT_PTR handled = header.idFrom == IDC_TREE_LIST      ? onListNotify(*window, header)
                                    : header.idFrom == IDC_TREE_FOLDERS ? onTreeNotify(*window, header)
                                                                        : FALSE;
            return handled;
        }
        case WM_COMMAND: return onCommand(*window, LOWORD(wParam), HIWORD(wParam));
        case kJobDoneMessage: onJobDone(*window); return TRUE;
        case WM_CLOSE:
            if (window->worker == nullptr) EndDialog(dialog, 0);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

void runTreeWindow(AppState& state) {
    TreeWindow window(state);
    DialogBoxParamW(state.instance, L"PROS", state.mainWindow, treeWindowProc, reinterpret_cast<LPARAM>(&window));
    for (HIMAGELIST images : {window.treeImages, window.stateImages, window.typeImages}) {
        if (images != nullptr) ImageList_Destroy(images);
    }
}

}  // namespace quenzar::app
