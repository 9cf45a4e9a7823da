// ORDER (command 2601, posted by the tree window's order button): a paid recovery of the volume
// of the last analysis. The form takes the person's name, e-mail and tariff; the order file
// QuenzarSalvage.bin is written to the work folder (the current folder unless a test chose
// another) and sent to the laboratory.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Runs the form over the main window when an analysis has been completed (there is nothing to
// order otherwise), then writes the order file and sends the order. Closing the form's window
// ends the program.
void orderRecovery(AppState& state);

}  // namespace quenzar::app
