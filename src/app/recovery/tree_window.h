// PROS: the tree window of an analysis. The rebuilt folder tree on the left, the selected
// folder's files and sub-folders on the right with a check box each, the counts of files found,
// selected and marked below, and the buttons that mark whole subtrees, start the test restore
// and ask for the recovery service. Filling and marking run behind WAITP, the restore behind
// WAITR; their stop buttons end the program without leaving the work file behind.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Modal, owned by the main window, on the session's last analysis (whose tree it takes over).
void runTreeWindow(AppState& state);

}  // namespace quenzar::app
