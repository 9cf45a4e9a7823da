#include "app/recovery/analysis_progress_dialog.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <string>

#include "app/dialog_support.h"
#include "app/recovery/analysis_worker.h"
#include "app/texts/progress_dialog_texts.h"
#include "recovery/analysis_texts.h"
#include "resources/progress_dialog_ids.h"

namespace quenzar::app {
namespace {

// The bar's colour in every progress dialog of the program.
constexpr COLORREF kBarColour = RGB(6, 170, 31);

void showCount(HWND dialog, int controlId, std::uint64_t value) { setItemText(dialog, controlId, std::to_string(value)); }

void showCounters(HWND dialog, const recovery::FileStatistics& counted) {
    constexpr std::uint64_t kMegabyte = 1'000'000;
    showCount(dialog, IDC_WAIT_FILES_IN_USE, counted.filesInUse);
    showCount(dialog, IDC_WAIT_FILES_DELETED, counted.filesDeleted);
    showCount(dialog, IDC_WAIT_MATCHED_IN_USE, counted.matchedInUse);
    showCount(dialog, IDC_WAIT_MATCHED_DELETED, counted.matchedDeleted);
    showCount(dialog, IDC_WAIT_FOLDERS_IN_USE, counted.foldersInUse);
    showCount(dialog, IDC_WAIT_FOLDERS_DELETED, counted.foldersDeleted);
    showCount(dialog, IDC_WAIT_MB_IN_USE, counted.bytesInUse / kMegabyte);
    showCount(dialog, IDC_WAIT_MB_DELETED, counted.bytesDeleted / kMegabyte);
    showCount(dialog, IDC_WAIT_MATCHED_MB_IN_USE, counted.matchedBytesInUse / kMegabyte);
    showCount(dialog, IDC_WAIT_MATCHED_MB_DELETED, counted.matchedBytesDeleted / kMegabyte);
}

// The title names the stage. Before the first stage, and while a virtual disk is read (which
// announces no stage of its own), the title stays as it was.
void showStage(HWND dialog, const AnalysisSession& session) {
    const recovery::AnalysisStage stage = session.progress.stage.load();
    if (stage == recovery::AnalysisStage::Idle || stage == recovery::AnalysisStage::Finished) return;
    if (stage == recovery::AnalysisStage::Reading && session.mode == AnalysisMode::VirtualDisk) return;
    setWindowText1251(dialog, recovery::stageText(stage, session.language));
}

// One tick of the timer.
void onTick(HWND dialog, AppState& state) {
    AnalysisSession& session = state.analysis;
    if (session.progress.finished.load()) {
        closeAnalysisProgressDialog(state);
        return;
    }
    showStage(dialog, session);
    const std::uint64_t done = session.progress.position.load();
    const std::uint64_t total = session.progress.maximum.load();
    if (done != 0 && total != 0) {
        SendDlgItemMessageW(dialog, IDC_WAIT_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(done * 100 / total), 0);
    }
    showCounters(dialog, session.progress.statistics.snapshot());
}

void onInit(HWND dialog, AppState& state) {
    applyDialogTexts(dialog, texts::analysisProgressTexts(), state.texts.uiLanguage);
    SendDlgItemMessageW(dialog, IDC_WAIT_PROGRESS, PBM_SETRANGE32, 0, 100);
    // A themed bar ignores the colour; without its theme it shows it on every Windows.
    SetWindowTheme(GetDlgItem(dialog, IDC_WAIT_PROGRESS), L" ", L" ");
    SendDlgItemMessageW(dialog, IDC_WAIT_PROGRESS, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(kBarColour));
    showCounters(dialog, state.analysis.progress.statistics.snapshot());
    SetTimer(dialog, IDT_PROGRESS, kAnalysisProgressPeriodMs, nullptr);
}

INT_PTR CALLBACK analysisProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    AppState* state = dialogObject<AppState>(dialog, message, lParam);
    if (state == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            onInit(dialog, *state);
            return FALSE;  // no control takes the focus: a stray Enter must not stop the analysis
        case WM_TIMER:
            if (wParam == IDT_PROGRESS) onTick(dialog, *state);
            return TRUE;
        case WM_COMMAND:
            // The stop button; Enter and Escape do nothing here, as ending the program by a stray
            // key would throw away the analysis.
            if (LOWORD(wParam) == IDC_WAIT_STOP && HIWORD(wParam) == BN_CLICKED) stopAnalysisAndExit(*state);
            return TRUE;
        case WM_CLOSE:
            stopAnalysisAndExit(*state);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

HWND createAnalysisProgressDialog(AppState& state) {
    return CreateDialogParamW(state.instance, L"WAIT", state.mainWindow, analysisProgressProc,
                              reinterpret_cast<LPARAM>(&state));
}

}  // namespace quenzar::app
