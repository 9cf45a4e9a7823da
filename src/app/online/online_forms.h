// What the two forms of the online services share: the refusal of a field with its message, the
// two requests, each sent behind a wait cursor and ended by the box that shows the server's answer
// or the failure, and the end of the program when a form's window is closed.
#pragma once

#include <windows.h>

#include "app/app_state.h"
#include "online/form_validation.h"
#include "online/http_request.h"
#include "online/order_file.h"

namespace quenzar::app {

// Shows the failure's message box, clears the field's edit (an unchosen tariff only is told) and
// gives the edit the focus.
void refuseFormField(HWND dialog, AppState& state, const online::FormFailure& failure, int editId);

// Build the request's body, send it to the state's server and show how it ended.
void SendConsultationRequest(AppState& state, const online::ConsultationForm& form);
void SendOrderRequest(AppState& state, const online::OrderForm& form, const online::OrderFile& orderFile);

// The close box of a form ends the program at once, with exit code 0, leaving no work file.
void endProgramFromForm(AppState& state);

}  // namespace quenzar::app
