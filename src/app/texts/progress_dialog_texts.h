// The texts of the analysis progress dialog WAIT.
#pragma once

#include <string>

#include "app/texts/dialog_texts.h"
#include "recovery/file_statistics.h"

namespace quenzar::app::texts {

// The caption is the title the dialog shows before the analysis names its first stage.
const DialogTexts& analysisProgressTexts();

}  // namespace quenzar::app::texts
