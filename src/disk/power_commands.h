// Restarting and turning off the computer at once, without asking (after hiding or restoring a
// disk, and from the menu).
#pragma once

#include <functional>
#include <string>

namespace quenzar::disk {

enum class PowerAction { Restart, ShutDown };

// The command line of an action: "shutdown -t 0 -r -f" and "shutdown -t 0 -s -f" on Windows;
// "shutdown -r now" and "shutdown -P now" elsewhere.
std::string powerCommandLine(PowerAction action);

// Starts the command line through `start` (by default the system's process start, which does not
// wait); returns whether it could be started.
using CommandStarter = std::function<bool(const std::string& commandLine)>;
bool runPowerAction(PowerAction action, const CommandStarter& start);
bool runPowerAction(PowerAction action);

}  // namespace quenzar::disk
