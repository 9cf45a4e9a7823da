#include "app/dialog_commands.h"

#include "app/disk/hide_disk_dialog.h"
#include "app/online/consultation_dialog.h"
#include "app/online/order_dialog.h"
#include "app/recovery/analysis_worker.h"
#include "app/recovery/filter_dialog.h"
#include "app/recovery/tree_window.h"
#include "recovery/analysis_texts.h"

namespace quenzar::app {
namespace {

// 2206 and 2207: the counters start from zero before the filter dialog, and an applied filter
// starts the analysis behind the progress dialog.
void filterAndAnalyse(AppState& state, recovery::FilterDialogKind kind, AnalysisMode mode) {
    state.analysis.progress.statistics.publish(recovery::FileStatistics{});
    if (!runFilterDialog(state, kind)) return;
    startAnalysis(state, mode);
}

}  // namespace

void runDisconnectDialog(AppState& state) { runHideDiskDialog(state, HideDialogMode::Hide); }
void runReconnectDialog(AppState& state) { runHideDiskDialog(state, HideDialogMode::Restore); }

void startLogicalDriveAnalysis(AppState& state) {
    filterAndAnalyse(state, recovery::FilterDialogKind::LogicalDrive, AnalysisMode::LogicalDrive);
}

void startVirtualDiskAnalysis(AppState& state) {
    filterAndAnalyse(state, recovery::FilterDialogKind::VirtualDisk, AnalysisMode::VirtualDisk);
}

// 801: the analysis built its tree; the tree window shows it.
void openRecoveryWindow(AppState& state) {
    finishAnalysis(state);
    const AnalysisSession& session = state.analysis;
    // Only an analysis that built its tree has anything to show; a stray 801 has not.
    if (session.result.outcome != recovery::AnalysisOutcome::Completed || session.result.tree.table.empty()) return;
    // A $MFT record that claims more records than the volume holds was read only as far as it
    // goes: the person is told before looking at a tree that may lack files.
    const std::string claim =
        recovery::mftClaimText(session.result.claimedRecordCount, session.result.recordCount, session.language);
    if (!claim.empty()) state.seams.showMessage(claim, recovery::mftClaimTitle(session.language), MB_ICONWARNING);
    runTreeWindow(state);
}

void runConsultationRequest(AppState& state) { requestConsultation(state); }
void sendRecoveryOrder(AppState& state) { orderRecovery(state); }

}  // namespace quenzar::app
