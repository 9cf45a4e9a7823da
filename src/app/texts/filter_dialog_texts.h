// The texts of the filter dialogs FILTR and FILTV.
#pragma once

#include "app/texts/dialog_texts.h"
#include "recovery/filter_choices.h"

namespace quenzar::app::texts {

const DialogTexts& filterDialogTexts(recovery::FilterDialogKind kind);

}  // namespace quenzar::app::texts
