// The work behind the commands whose dialogs and threads belong to other parts of the program:
// hiding disks, the virtual-disk dialogs, the analyses and the recovery window, the sector viewer's
// position dialogs and the online requests. The main window has already done its screen change
// when it calls one of these; each opens its dialog (owned by the main window) and does its work.
// Until a dialog exists, its function returns without doing anything.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

void runDisconnectDialog(AppState& state);          // 2002: HD_OFF, disconnect
void runReconnectDialog(AppState& state);           // 2003: HD_OFF, reconnect
// 2206: clears the analysis statistics, then FILTR; unless cancelled, WAIT and the worker.
void startLogicalDriveAnalysis(AppState& state);
// 2207: clears the analysis statistics, then FILTV; unless cancelled, WAIT and the worker.
void startVirtualDiskAnalysis(AppState& state);
void openRecoveryWindow(AppState& state);           // 801: PROS
void runConsultationRequest(AppState& state);       // 2600: HELP, then the request
void sendRecoveryOrder(AppState& state);            // 2601: ORDER, the order file, the request

}  // namespace quenzar::app
