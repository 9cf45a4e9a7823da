// The texts of the analysis progress dialog WAIT.
#pragma once

#include <string>

#include "app/texts/dialog_texts.h"
#include "recovery/file_statistics.h"

namespace quenzar::app::texts {

// The caption is the title the dialog shows before the analysis names its first stage.
const DialogTexts& analysisProgressTexts();

// The counters of a finished analysis as lines of text with the progress dialog's labels, in use
// and deleted side by side.
std::string analysisSummaryText(const recovery::FileStatistics& counted, text::Language language);

}  // namespace quenzar::app::texts
