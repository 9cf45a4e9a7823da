#include "app/recovery/analysis_worker.h"

#include <process.h>

#include "app/recovery/analysis_progress_dialog.h"
#include "recovery/analysis_listing.h"
#include "recovery/filter_choices.h"
#include "recovery/listing.h"
#include "recovery/work_file.h"
#include "resources/posted_command_ids.h"
#include "resources/progress_dialog_ids.h"

namespace quenzar::app {
namespace {

// How long a stop waits for the worker to close its files. A worker stuck in a read of a failing
// disk does not hold up the end of the program longer than this.
constexpr DWORD kStopWaitMs = 10'000;

std::filesystem::path folderOf(const AnalysisSession& session) {
    return session.workFolder.empty() ? std::filesystem::path(".") : session.workFolder;
}

void writeListingIfAsked(AppState& state) {
    AnalysisSession& session = state.analysis;
    const recovery::AnalysisOutcome outcome = session.result.outcome;
    if (session.filter.writeListing == 0) return;
    if (outcome != recovery::AnalysisOutcome::Completed && outcome != recovery::AnalysisOutcome::NoFileMatched) return;
    // A listing that cannot be written costs the person nothing of the analysis: it goes on.
    recovery::writeAnalysisListing(*state.disks, session.diskNumber, session.result,
                                   folderOf(session) / recovery::kListingFileName, session.language);
}

unsigned __stdcall analysisThread(void* parameter) {
    AppState& state = *static_cast<AppState*>(parameter);
    AnalysisSession& session = state.analysis;
    recovery::AnalysisContext context{session.filter, session.generations, session.progress, session.workFolder};
    context.mftPieceBytes = session.mftPieceBytes;
    session.result = session.mode == AnalysisMode::LogicalDrive
                         ? recovery::runAnalysis(*state.disks, session.inventory, session.driveLetter, context)
                         : recovery::runAnalysis(*state.disks, session.inventory.masks, session.virtualDisk, context);
    writeListingIfAsked(state);
    if (session.result.outcome == recovery::AnalysisOutcome::Completed) {
        PostMessageW(state.mainWindow, WM_COMMAND, CMD_ANALYSIS_ENDED, 0);
    } else {
        PostMessageW(state.mainWindow, kAnalysisFailedMessage, 0, 0);
    }
    return 0;
}

void resetProgress(recovery::AnalysisProgress& progress) {
    progress.stopRequested.store(false);
    progress.finished.store(false);
    progress.stage.store(recovery::AnalysisStage::Idle);
    progress.position.store(0);
    progress.maximum.store(0xFFFFFFFFu);
}

// The volume of the analysis: a drive's place from the inventory, a virtual disk's from its model.
void takeVolume(AppState& state, AnalysisMode mode) {
    AnalysisSession& session = state.analysis;
    session.mode = mode;
    if (mode == AnalysisMode::LogicalDrive) {
        session.driveLetter = session.filter.driveLetter;
        const disk::LogicalDriveInfo& drive = session.inventory.drive(session.driveLetter);
        session.diskNumber = static_cast<char>('0' + drive.diskNumber);
        session.volumeStartLba = drive.startLba;
        session.treeTitle = recovery::logicalDriveTreeTitle(session.driveLetter, session.language);
    } else {
        session.diskNumber = session.virtualDisk.diskNumber;
        session.volumeStartLba = session.virtualDisk.bootLba;
    }
}

}  // namespace

void startAnalysis(AppState& state, AnalysisMode mode) {
    AnalysisSession& session = state.analysis;
    session.inventory = state.inventory;
    session.language = state.texts.uiLanguage;
    takeVolume(state, mode);
    resetProgress(session.progress);
    session.result = recovery::AnalysisResult{};
    session.progressDialog = createAnalysisProgressDialog(state);
    EnableWindow(state.mainWindow, FALSE);
    session.worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, analysisThread, &state, 0, nullptr));
    if (session.worker == nullptr) {
        // No thread: nothing runs, so nothing may stay locked.
        session.progress.finished.store(true);
        closeAnalysisProgressDialog(state);
        EnableWindow(state.mainWindow, TRUE);
    }
}

void closeAnalysisProgressDialog(AppState& state) {
    HWND dialog = state.analysis.progressDialog;
    state.analysis.progressDialog = nullptr;
    if (dialog == nullptr || !IsWindow(dialog)) return;
    KillTimer(dialog, IDT_PROGRESS);
    DestroyWindow(dialog);
}

void finishAnalysis(AppState& state) {
    AnalysisSession& session = state.analysis;
    if (session.worker == nullptr) return;
    WaitForSingleObject(session.worker, INFINITE);  // it has posted its message and is returning
    CloseHandle(session.worker);
    session.worker = nullptr;
    closeAnalysisProgressDialog(state);
    EnableWindow(state.mainWindow, TRUE);
    SetForegroundWindow(state.mainWindow);
}

void reportFailedAnalysis(AppState& state) {
    finishAnalysis(state);
    const recovery::MessageText message =
        recovery::analysisMessage(state.analysis.result.outcome, state.analysis.language);
    if (!message.title.empty()) state.seams.showMessage(message.text, message.title, MB_ICONERROR);
}

void stopAnalysisAndExit(AppState& state) {
    AnalysisSession& session = state.analysis;
    session.progress.stopRequested.store(true);
    // A worker that stops in time removes its own half-made work file, and its result names the
    // file it made. One still stuck in a read keeps the file open, so it could not be removed
    // now; its result is not touched while it may still be written.
    if (session.worker == nullptr || WaitForSingleObject(session.worker, kStopWaitMs) == WAIT_OBJECT_0) {
        recovery::removeWorkFile(session.result);
    }
    state.seams.endProcess(0);
    // Only a test's seam comes back here; the worker has ended, so the window can be used again.
    finishAnalysis(state);
}

}  // namespace quenzar::app
