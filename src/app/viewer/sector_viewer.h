// The sector viewer in the main window: entering it through the position dialogs (a sector or a
// cluster of a lettered drive, an MFT record of the virtual disk), reading the sectors at its
// position with the position panels, and the keys that choose the presentation and step through
// the sectors. Nothing here writes to a disk.
#pragma once

#include <windows.h>

#include "app/app_state.h"
#include "viewer/viewer_model.h"

namespace quenzar::app {

// Reads the viewed sector and the three after it at the viewer's position, in the disk's own
// sectors, with the panels.
void readViewerSector(AppState& state);

// 832 and 831: L_SC, then the hex presentation at the chosen place (or back where it was when the
// dialog was cancelled).
void enterSectorView(AppState& state, viewer::ViewKind kind);
// 830: VNMFTV, then the FILE record presentation of the record asked for.
void enterRecordView(AppState& state);

// The screen the main window shows for the viewer's presentation.
ScreenMode viewerScreenMode(const AppState& state);

// A key pressed while the viewer is shown: F2 to F8 choose the presentation, Up, Down, Page Up,
// Page Down, Home and End step within the current volume (on a disk of sectors larger than 512
// bytes, Up and Down of the hex presentation step through the sector's 512-byte pages first:
// viewer::applyViewerKey), F9 starts adjustment of the hex presentation's page. While adjustment
// is on every key edits the working copy (Tab switches the column, Esc drops the changes);
// nothing is ever written to the disk. True when the key was used.
bool onViewerKey(AppState& state, WPARAM virtualKey);
void onViewerKeyUp(AppState& state, WPARAM virtualKey);

}  // namespace quenzar::app
