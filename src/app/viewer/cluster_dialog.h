// L_SC, the cluster navigation dialog of the sector viewer: the person names a lettered drive,
// sees where its regions begin, types a cluster number, and the viewer goes to that cluster's first
// sector.
#pragma once

#include <optional>

#include "app/app_state.h"
#include "viewer/cluster_navigation.h"

namespace quenzar::app {

// Modal, owned by the main window; opens with the drive and number of the viewed sector. Nothing
// when the dialog was closed without "OK" or its first letter was refused.
std::optional<viewer::NavigationChoice> runClusterDialog(AppState& state, viewer::InitialDrive initial);

}  // namespace quenzar::app
