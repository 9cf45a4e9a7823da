#include "app/dialog_commands.h"

#include "app/recovery/analysis_worker.h"
#include "app/recovery/filter_dialog.h"
#include "app/texts/progress_dialog_texts.h"

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

void runDisconnectDialog(AppState&) {}
void runReconnectDialog(AppState&) {}

void startLogicalDriveAnalysis(AppState& state) {
    filterAndAnalyse(state, recovery::FilterDialogKind::LogicalDrive, AnalysisMode::LogicalDrive);
}

void runVirtualDiskDialog(AppState&, int) {}

void startVirtualDiskAnalysis(AppState& state) {
    filterAndAnalyse(state, recovery::FilterDialogKind::VirtualDisk, AnalysisMode::VirtualDisk);
}

// 801: the analysis built its tree. The tree window is not there yet, so the person sees what
// was found: the counters of the analysis under the tree window's title.
void openRecoveryWindow(AppState& state) {
    finishAnalysis(state);
    const AnalysisSession& session = state.analysis;
    // Only an analysis that built its tree has anything to show; a stray 801 has not.
    if (session.result.outcome != recovery::AnalysisOutcome::Completed || session.result.tree.table.empty()) return;
    state.seams.showMessage(texts::analysisSummaryText(session.result.statistics, session.language),
                            session.treeTitle, MB_ICONINFORMATION);
}

bool chooseViewerPosition(AppState&) { return true; }
bool chooseMftRecord(AppState&) { return true; }
void runConsultationRequest(AppState&) {}
void sendRecoveryOrder(AppState&) {}

}  // namespace quenzar::app
