// Commands that dialogs and worker threads post to the main window as WM_COMMAND messages; they
// are on no menu. Plain #defines, like the menu's identifiers.
#pragma once

// A virtual-disk dialog has computed a volume geometry: analyse that volume.
#define CMD_ANALYSE_VIRTUAL_DISK 2207
// An analysis thread has ended: open the recovery window.
#define CMD_ANALYSIS_ENDED 801
// The buttons of the virtual-disk dialogs that open the sector viewer: on an MFT record number,
// on a cluster, on a sector.
#define CMD_VIEW_MFT_RECORD 830
#define CMD_VIEW_CLUSTER 831
#define CMD_VIEW_SECTOR 832
// The recovery window's service button: send a recovery order.
#define CMD_SEND_RECOVERY_ORDER 2601
