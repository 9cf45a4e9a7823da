// The commands of the command-line program. Each takes its own arguments (after the command
// word) and returns the process exit code.
#pragma once

#include <string>
#include <vector>

#include "platform/disk_system.h"

namespace quenzar::cli {

using Arguments = std::vector<std::string>;

// Exit codes: 0 done, 1 done with errors or refused (unreadable disk, nothing found, a target on
// the source), 2 wrong usage; a command stopped by a signal ends with 128 + its number.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int runProbe(platform::DiskSystem& disks, const Arguments& args);
int runRead(platform::DiskSystem& disks, const Arguments& args);
int runDisks(platform::DiskSystem& disks, const Arguments& args);
int runHide(platform::DiskSystem& disks, const Arguments& args);
int runUnhide(platform::DiskSystem& disks, const Arguments& args);
int runVdisk(platform::DiskSystem& disks, const Arguments& args);
int runScan(platform::DiskSystem& disks, const Arguments& args);
int runAnalyze(platform::DiskSystem& disks, const Arguments& args);
int runRestore(platform::DiskSystem& disks, const Arguments& args);
int runView(platform::DiskSystem& disks, const Arguments& args);
int runConsult(platform::DiskSystem& disks, const Arguments& args);
int runOrder(platform::DiskSystem& disks, const Arguments& args);

}  // namespace quenzar::cli
