// HELP (command 2600): the person's name, e-mail and description of the problem go to the
// laboratory with the disk inventory, as a request for a free consultation.
#pragma once

#include "app/app_state.h"

namespace quenzar::app {

// Runs the form over the main window, then sends the request and shows the server's answer or
// the failure. Closing the form's window ends the program.
void requestConsultation(AppState& state);

}  // namespace quenzar::app
