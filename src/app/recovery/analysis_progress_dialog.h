// WAIT: the modeless dialog that shows an analysis going on. It polls the session's progress on
// its timer (every 2 s): the stage as its title, the share of records done as its bar, the
// counters of files and folders found. It closes itself when the worker has finished; its stop
// button and its close box end the program without leaving a work file behind.
#pragma once

#include <windows.h>

#include "app/app_state.h"

namespace quenzar::app {

inline constexpr UINT kAnalysisProgressPeriodMs = 2000;

// Creates the dialog, owned by the main window, with its timer running. Null when it cannot be.
HWND createAnalysisProgressDialog(AppState& state);

}  // namespace quenzar::app
