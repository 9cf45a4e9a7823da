#include "app/dialog_commands.h"

namespace quenzar::app {

void runDisconnectDialog(AppState&) {}
void runReconnectDialog(AppState&) {}
void startLogicalDriveAnalysis(AppState&) {}
void runVirtualDiskDialog(AppState&, int) {}
void startVirtualDiskAnalysis(AppState&) {}
void openRecoveryWindow(AppState&) {}
bool chooseViewerPosition(AppState&) { return true; }
bool chooseMftRecord(AppState&) { return true; }
void runConsultationRequest(AppState&) {}
void sendRecoveryOrder(AppState&) {}

}  // namespace quenzar::app
