#include "disk/power_commands.h"

#include "platform/disk_identity.h"

namespace quenzar::disk {

std::string powerCommandLine(PowerAction action) {
    return action == PowerAction::Restart ? platform::restartCommandLine() : platform::shutDownCommandLine();
}

bool RunPowerAction(PowerAction action, const CommandStarter& start) { return start(powerCommandLine(action)); }

bool RunPowerAction(PowerAction action) { return RunPowerAction(action, platform::startSystemCommand); }

}  // namespace quenzar::disk
