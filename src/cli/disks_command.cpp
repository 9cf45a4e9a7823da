// salvage disks: the inventory screen of the disks, in English or Russian, for a terminal.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "cli/commands.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"
#include "disk/inventory.h"
#include "disk/inventory_screen.h"
#include "platform/code_page_1251.h"

namespace quenzar::cli {

int runDisks(platform::DiskSystem& disks, const Arguments& args) {
    SharedOptions options;
    options.language = languageOfEnvironment();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (readSharedOption(args, i, options, {}) != OptionRead::Taken) {
            std::fprintf(stderr, "salvage disks: usage: salvage disks [--lang ru|en]\n");
            return kExitUsage;
        }
    }
    const text::Language language = options.language;

    disk::InventoryState state;
    state.language = language;
    disk::BuildDiskInventory(state, disks);

    std::fputs(terminalText(disk::inventoryScreenText(state, language)).c_str(), stdout);
    std::fputs(terminalText(disk::pastDiskEndNotes(state, language)).c_str(), stdout);

    for (const disk::PhysicalDiskInfo& info : state.disks) {
        if (info.isPresent()) return kExitDone;
    }
    std::fprintf(stderr, "salvage disks: no disk answered\n");
    return kExitFailed;
}

}  // namespace quenzar::cli
