// Painting of the main window's client area: the about screen and the disk screen. The viewer
// screens are painted by the viewer inside the same frame.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Handles WM_PAINT for the current screen mode.
void paintMainWindow(AppState& state);

}  // namespace quenzar::app
