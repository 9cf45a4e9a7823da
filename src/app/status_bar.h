// The main window's status bar: it exists only while the about screen is shown.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Creates the status bar (identifier 999) with its two parts, the second showing the folder label
// followed by the program folder.
void createStatusBar(AppState& state);
// Closes it when it exists.
void closeStatusBar(AppState& state);

}  // namespace quenzar::app
