// VNMFTV, the MFT record number dialog of the virtual disk: the person types a record number;
// "OK" rebuilds the $MFT run table that maps record numbers to sectors.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Modal, owned by the main window. The close box leaves the number and the table as they were.
void runMftRecordDialog(AppState& state);

}  // namespace quenzar::app
