// The tree window on a large volume, through its real controls under Wine: how long the analysis,
// the filling behind WAITP, opening a folder of many files, each sort by header, scrolling to the
// list's end and marking whole subtrees take, and the longest time the window thread spent on a
// single message while a job ran (how long the window stood frozen at worst).
//
//   QUENZAR_BENCH_IMAGE=/path/volume.img [QUENZAR_BENCH_FOLDER=big]
//     scripts/wine-run.sh --timeout 3000 build/win64/bench/tree_window_bench.exe
//
// The image is attached as the only disk; its first NTFS letter is analysed with every file type
// and the deleted files. Pictures of WAITP and of the tree window go to QUENZAR_SCREENSHOT_DIR.
// The figures are printed; nothing is judged, the tests do that.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "harness.h"
#include "platform/disk_system.h"
#include "resources/filter_dialog_ids.h"
#include "resources/menu_ids.h"
#include "resources/progress_dialog_ids.h"
#include "resources/tree_window_ids.h"
#include "shell_fixture.h"

namespace {

namespace text = quenzar::text;
using quenzar::wintest::DialogProbe;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void figure(const char* what, double seconds) {
    std::printf("  %-58s %9.3f s\n", what, seconds);
    std::fflush(stdout);
}

// When the dialogs of this thread open and close, known by a control of their own: WAIT by its
// stop button, the tree window by its list, WAITP by its stop button.
struct DialogSpan {
    int markerId;
    Clock::time_point opened;
    Clock::time_point closed;
    bool open = true;
};
std::vector<DialogSpan> spans;
HHOOK dialogHook = nullptr;

bool holdsControl(HWND window, int controlId) { return GetDlgItem(window, controlId) != nullptr; }

LRESULT CALLBACK watchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    constexpr int kMarkers[] = {IDC_WAIT_STOP, IDC_TREE_LIST, IDC_WAITP_STOP};
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW& created = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        const auto id = static_cast<int>(reinterpret_cast<INT_PTR>(created.hMenu));
        if ((created.style & WS_CHILD) != 0 && std::find(std::begin(kMarkers), std::end(kMarkers), id) != std::end(kMarkers)) {
            spans.push_back({id, Clock::now(), {}});
        }
    } else if (code == HCBT_DESTROYWND) {
        HWND window = reinterpret_cast<HWND>(wParam);
        for (DialogSpan& span : spans) {
            if (span.open && holdsControl(window, span.markerId)) {
                span.closed = Clock::now();
                span.open = false;
            }
        }
    }
    return CallNextHookEx(dialogHook, code, wParam, lParam);
}

// The last span of a dialog known by `markerId`.
const DialogSpan* lastSpan(int markerId) {
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        if (span->markerId == markerId) return &*span;
    }
    return nullptr;
}

double spanSeconds(const DialogSpan* span) {
    return span == nullptr || span->open ? -1 : std::chrono::duration<double>(span->closed - span->opened).count();
}

// Dispatches messages until `done`, timing every single dispatch; returns the longest one.
double pumpTimed(const std::function<bool()>& done) {
    double longest = 0;
    MSG message;
    while (!done()) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const Clock::time_point start = Clock::now();
            TranslateMessage(&message);
            DispatchMessageW(&message);
            longest = std::max(longest, secondsSince(start));
        }
        Sleep(1);
    }
    return longest;
}

// Waits for the job behind WAITP to end (the tree window enabled again), taking a picture of
// WAITP once while it shows; prints how long WAITP showed and the longest single message
// meanwhile.
void timeJob(const DialogProbe& tree, const char* what, const char* picture) {
    if (HWND progress = quenzar::wintest::findOwnedDialog(tree.window()); progress != nullptr && picture != nullptr) {
        quenzar::wintest::saveScreenshot(progress, picture);
    }
    const double longest = pumpTimed([&] { return IsWindowEnabled(tree.window()) != FALSE; });
    figure(what, spanSeconds(lastSpan(IDC_WAITP_STOP)));
    figure("    the longest single message meanwhile", longest);
}

// The tree item of a folder named `name` directly under one of the top items' children.
HTREEITEM findFolderItem(HWND folders, const std::wstring& name) {
    for (HTREEITEM top = TreeView_GetRoot(folders); top != nullptr; top = TreeView_GetNextSibling(folders, top)) {
        for (HTREEITEM root = TreeView_GetChild(folders, top); root != nullptr;
             root = TreeView_GetNextSibling(folders, root)) {
            for (HTREEITEM item = TreeView_GetChild(folders, root); item != nullptr;
                 item = TreeView_GetNextSibling(folders, item)) {
                wchar_t itemText[260] = {};
                TVITEMW query{};
                query.mask = TVIF_TEXT;
                query.hItem = item;
                query.pszText = itemText;
                query.cchTextMax = 260;
                SendMessageW(folders, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
                if (name == itemText) return item;
            }
        }
    }
    return nullptr;
}

int rowCount(const DialogProbe& tree) {
    return static_cast<int>(SendDlgItemMessageW(tree.window(), IDC_TREE_LIST, LVM_GETITEMCOUNT, 0, 0));
}

void browse(DialogProbe& tree, text::Language language) {
    const char* suffix = language == text::Language::Russian ? "ru" : "en";
    timeJob(tree, "filling the tree behind WAITP", nullptr);
    HWND folders = GetDlgItem(tree.window(), IDC_TREE_FOLDERS);
    std::printf("  folders in the tree control: %d, rows of the first folder: %d\n",
                static_cast<int>(TreeView_GetCount(folders)), rowCount(tree));

    const char* folderName = std::getenv("QUENZAR_BENCH_FOLDER");
    const std::wstring wanted = folderName != nullptr ? std::wstring(folderName, folderName + std::strlen(folderName))
                                                      : std::wstring(L"big");
    HTREEITEM big = findFolderItem(folders, wanted);
    if (big == nullptr) {
        std::printf("  no folder \"%ls\" under a root folder\n", wanted.c_str());
    } else {
        Clock::time_point start = Clock::now();
        TreeView_SelectItem(folders, big);
        UpdateWindow(tree.window());
        figure("opening the large folder (list filled and painted)", secondsSince(start));
        std::printf("  rows of the large folder: %d\n", rowCount(tree));
        for (int column = 0; column < 11; ++column) {
            start = Clock::now();
            tree.clickListHeader(IDC_TREE_LIST, column);
            UpdateWindow(GetDlgItem(tree.window(), IDC_TREE_LIST));
            const std::string what = "sorting by column " + std::to_string(column);
            figure(what.c_str(), secondsSince(start));
        }
        start = Clock::now();
        SendDlgItemMessageW(tree.window(), IDC_TREE_LIST, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rowCount(tree) - 1),
                            FALSE);
        UpdateWindow(GetDlgItem(tree.window(), IDC_TREE_LIST));
        figure("scrolling to the last row", secondsSince(start));
        quenzar::wintest::saveScreenshot(tree.window(), (std::string("bench-pros-big-") + suffix).c_str());

        tree.click(IDC_TREE_SELECT_ALL);
        timeJob(tree, "\"Select all\" in the large folder", nullptr);
        std::printf("  marked: %ls in use, %ls deleted\n", tree.text(IDC_TREE_MARKED_IN_USE).c_str(),
                    tree.text(IDC_TREE_MARKED_DELETED).c_str());
    }

    // The root folder's whole subtree, then cleared again.
    HTREEITEM root = TreeView_GetChild(folders, TreeView_GetRoot(folders));
    Clock::time_point start = Clock::now();
    TreeView_SelectItem(folders, root);
    UpdateWindow(tree.window());
    figure("opening the root folder", secondsSince(start));
    tree.click(IDC_TREE_SELECT_ALL);
    const std::string markPicture = std::string("bench-waitp-mark-") + suffix;
    timeJob(tree, "\"Select all\" in the root folder (the whole volume)", markPicture.c_str());
    std::printf("  marked: %ls in use, %ls deleted, %ls + %ls MB\n", tree.text(IDC_TREE_MARKED_IN_USE).c_str(),
                tree.text(IDC_TREE_MARKED_DELETED).c_str(), tree.text(IDC_TREE_MARKED_MB_IN_USE).c_str(),
                tree.text(IDC_TREE_MARKED_MB_DELETED).c_str());
    tree.click(IDC_TREE_CLEAR_ALL);
    timeJob(tree, "\"Repay all\" in the root folder", nullptr);
    quenzar::wintest::saveScreenshot(tree.window(), (std::string("bench-pros-root-") + suffix).c_str());
    tree.close();
}

char firstNtfsLetter(const quenzar::app::AppState& state) {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (state.inventory.drive(letter).fileSystem() == quenzar::disk::FileSystem::Ntfs) return letter;
    }
    return 0;
}

}  // namespace

TEST_CASE(treeWindowOnALargeVolume) {
    const char* image = std::getenv("QUENZAR_BENCH_IMAGE");
    REQUIRE(image != nullptr && *image != '\0');
    dialogHook = SetWindowsHookExW(WH_CBT, watchDialogs, nullptr, GetCurrentThreadId());
    for (text::Language language : {text::Language::English, text::Language::Russian}) {
        std::printf("%s:\n", quenzar::wintest::languageName(language));
        quenzar::wintest::TempFolder work;
        quenzar::wintest::ShellWindow shell(
            language, true, std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{image}));
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();
        shell.command(CMD_DISK_INVENTORY);
        const char letter = firstNtfsLetter(shell.state);
        REQUIRE(letter != 0);

        bool browsed = false;
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            filter.type(IDC_FILTER_DRIVE_LETTER, std::wstring(1, static_cast<wchar_t>(letter)));
            filter.click(IDC_FILTER_DELETED);
            if (!filter.checked(IDC_FILTER_ALL_EXTENSIONS)) filter.click(IDC_FILTER_ALL_EXTENSIONS);
            const std::wstring treeTitle =
                std::wstring(language == text::Language::Russian ? L"Дерево каталогов логического диска "
                                                                 : L"The directory tree logical disk ") +
                static_cast<wchar_t>(letter) + L':';
            quenzar::wintest::onNextDialog(
                [&](DialogProbe& tree) {
                    figure("analysis behind WAIT", spanSeconds(lastSpan(IDC_WAIT_STOP)));
                    browse(tree, language);
                    browsed = true;
                },
                treeTitle);
            filter.click(IDC_FILTER_APPLY);
        });
        shell.command(CMD_RECOVER_LOGICAL_DRIVE);
        REQUIRE(quenzar::wintest::pumpUntil([&] { return browsed; }, 3'000'000));
    }
}
