#include "disk/power_commands.h"

#include "platform/disk_identity.h"

namespace quenzar::disk {

std::string powerCommandLine(PowerAction action) {
    return action == PowerAction::Restart ? platform::restartCommandLine() : platform::shutDownCommandLine();
}

bool runPowerAction(PowerAction action, const CommandStarter& start) { return start(powerCommandLine(action)); }

bool runPowerAction(PowerAction action) { return runPowerAction(action, platform::startSystemCommand); }

}  // namespace quenzar::disk
