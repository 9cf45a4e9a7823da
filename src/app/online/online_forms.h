// What the two forms of the online services share: the refusal of a field with its message, the
// request sent behind a wait cursor and the box that shows how it ended, and the end of the
// program when a form's window is closed.
#pragma once

#include <windows.h>

#include "app/app_state.h"
#include "online/form_validation.h"
#include "online/http_request.h"

namespace quenzar::app {

// Shows the failure's message box, clears the field's edit (an unchosen tariff only is told) and
// gives the edit the focus.
void refuseFormField(HWND dialog, AppState& state, const online::FormFailure& failure, int editId);

// Sends the request to the state's server and shows the server's answer or the failure text of
// the request's kind.
void sendAndShowOutcome(AppState& state, online::RequestKind kind,
                        const std::function<online::HttpRequest(const online::ServerAddress&)>& makeRequest);

// The close box of a form ends the program at once, with exit code 0, leaving no work file.
void endProgramFromForm(AppState& state);

}  // namespace quenzar::app
