// Painting the sector viewer: the hex presentation with its panels and legends, the FILE record
// presentation, and the structure presentations (partition table, boot sectors, FAT tables and
// directories), each at the client positions its presentation gives.
#pragma once

#include <windows.h>

#include "app/app_state.h"

namespace quenzar::app {

// Paints the presentation the viewer shows; the main window has selected its 7 x 16 pixel
// fixed-pitch font into `dc`.
void paintViewerScreen(const AppState& state, HDC dc, const RECT& client);

}  // namespace quenzar::app
