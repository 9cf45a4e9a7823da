// salvage disks: the inventory screen of the disks, in English or Russian, for a terminal.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"
#include "cli/volume_choice.h"
#include "disk/inventory.h"
#include "disk/inventory_screen.h"
#include "disk/sector_access.h"
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

    // The models and serial numbers on the screen come from the disks themselves.
    std::fputs(terminalSafe(terminalText(disk::inventoryScreenText(state, language)), LineBreaks::Kept).c_str(), stdout);
    std::fputs(terminalText(disk::pastDiskEndNotes(state, language)).c_str(), stdout);
    // The screen's LBAs and capacities count each disk's own sectors; a disk whose sectors are not
    // the usual 512 bytes says so, so that its LBAs are not taken for 512-byte ones.
    for (const disk::PhysicalDiskInfo& info : state.disks) {
        if (info.isPresent() && info.bytesPerSector != 0 && info.bytesPerSector != disk::kSystemSectorSize) {
            printIn(stdout, language, texts::kDiskSectorSizeNote, info.diskNumber, info.bytesPerSector);
        }
    }

    // A disk whose partition table or boot sectors could not be read is no success: say which
    // sectors, and how its volumes can be found.
    printUnreadableSectors(state, "salvage disks", "", language);
    bool unreadable = false;
    bool present = false;
    for (const disk::PhysicalDiskInfo& info : state.disks) {
        present = present || info.isPresent();
        unreadable = unreadable || (info.isPresent() && !info.unreadableSectors.empty());
    }
    if (present) return unreadable ? kExitFailed : kExitDone;
    std::fprintf(stderr, "salvage disks: no disk answered\n");
    return kExitFailed;
}

}  // namespace quenzar::cli
