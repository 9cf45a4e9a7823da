// The filter dialogs: FILTR before the analysis of a logical drive (it also asks for the drive's
// letter) and FILTV before the analysis of a virtual disk.
#pragma once

#include "app/app_state.h"
#include "recovery/filter_choices.h"

namespace quenzar::app {

// Modal, owned by the main window. Returns true when the person applied the choices: the
// session's filter then holds them (and, for a logical drive, the letter of the drive to analyse);
// false when the dialog was closed, which leaves the filter as it was.
bool runFilterDialog(AppState& state, recovery::FilterDialogKind kind);

}  // namespace quenzar::app
