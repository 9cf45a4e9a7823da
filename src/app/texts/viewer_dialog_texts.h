// The texts of the sector viewer's position dialogs L_SC and VNMFTV. L_SC's title carries the
// drive letter and disk number and comes from the navigation rules (viewer/cluster_navigation.h).
#pragma once

#include "app/texts/dialog_texts.h"

namespace quenzar::app::texts {

const DialogTexts& clusterDialogTexts();
const DialogTexts& mftRecordDialogTexts();

}  // namespace quenzar::app::texts
