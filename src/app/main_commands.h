// The commands of the main window: menu commands and the commands that dialogs and worker
// threads post to it.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Outer window size of each screen.
struct WindowSize {
    int width;
    int height;
};
WindowSize windowSizeOf(ScreenMode mode);

// Handles WM_COMMAND with the command identifier `commandId`. The first command of a run, whatever
// it is, rebuilds the disk inventory once before it acts. Unknown identifiers are ignored.
void onCommand(AppState& state, int commandId);

}  // namespace quenzar::app
