#include "disk/power_commands.h"

#include "platform/disk_identity.h"

namespace quenzar::disk {

std::string powerCommandLine(PowerAction action) {
#ifdef _WIN32
    return action == PowerAction::Restart ? "shutdown -t 0 -r -f" : "shutdown -t 0 -s -f";
#else
    return action == PowerAction::Restart ? "shutdown -r now" : "shutdown -P now";
#endif
}

bool RunPowerAction(PowerAction action, const CommandStarter& start) { return start(powerCommandLine(action)); }

bool RunPowerAction(PowerAction action) { return RunPowerAction(action, platform::startSystemCommand); }

}  // namespace quenzar::disk
