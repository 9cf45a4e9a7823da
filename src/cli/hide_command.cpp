// salvage hide / unhide: hiding a disk from Windows and giving it back, with an explicit --yes.
// The only commands of the program that write to a disk, and only to its LBA 0 to 3 and 58 to 61.
#include <cstdio>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/number_arguments.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"
#include "disk/hide_disk.h"
#include "disk/inventory.h"

namespace quenzar::cli {
namespace {

const char* outcomeText(disk::DiskWriteOutcome outcome) {
    switch (outcome) {
        case disk::DiskWriteOutcome::Done: return "done";
        case disk::DiskWriteOutcome::Refused: return "refused";
        case disk::DiskWriteOutcome::CannotOpen: return "the disk cannot be opened for writing; nothing was written";
        case disk::DiskWriteOutcome::SavedCopyFailed:
            return "the copy at LBA 58 to 61 did not read back as written; LBA 0 to 3 were left unchanged";
        case disk::DiskWriteOutcome::HeadWriteFailed: return "LBA 0 to 3 did not read back as written";
    }
    return "";
}

int runDiskChange(platform::DiskSystem& disks, const Arguments& args, bool hide) {
    const char* name = hide ? "hide" : "unhide";
    std::optional<char> diskNumber;
    bool confirmed = false;
    bool languageRefused = false;
    text::Language language = languageOfEnvironment();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--yes") {
            confirmed = true;
        } else if (arg == "--lang") {
            // The language of the reasons a disk is refused for.
            const auto chosen = i + 1 < args.size() ? parseLanguage(args[++i]) : std::nullopt;
            languageRefused = languageRefused || !chosen;
            if (chosen) language = *chosen;
        } else if (!diskNumber) {
            diskNumber = parseDiskNumber(arg);
            if (!diskNumber) break;
        } else {
            diskNumber.reset();
            break;
        }
    }
    if (!diskNumber || languageRefused) {
        std::fprintf(stderr, "salvage %s: usage: salvage %s DISK --yes [--lang ru|en]   (DISK is 0 to 7)\n", name,
                     name);
        return kExitUsage;
    }

    disk::InventoryState state;
    disk::BuildDiskInventory(state, disks);
    const disk::HideCheck check =
        hide ? disk::CanHideDisk(state, disks, *diskNumber,
                                 disk::findHideExclusions(state, disks, platform::protectedFolders()))
             : disk::CanRestoreDisk(state, disks, *diskNumber);
    if (check != disk::HideCheck::Eligible) {
        printIn(stderr, language, hide ? texts::kCannotHide : texts::kCannotRestore, *diskNumber,
                textIn(language, disk::hideCheckReason(check)).c_str());
        return kExitFailed;
    }
    if (!confirmed) {
        std::fprintf(stderr,
                     hide ? "salvage hide: disk %c can be hidden: its LBA 0 to 3 would be saved at LBA 58 to 61 "
                            "and replaced by a mark that Windows does not mount.\n"
                            "Nothing was written; add --yes to hide it.\n"
                          : "salvage unhide: disk %c can be restored: the saved LBA 58 to 61 would be written "
                            "back to LBA 0 to 3.\nNothing was written; add --yes to restore it.\n",
                     *diskNumber);
        return kExitUsage;
    }

    const disk::DiskWriteResult result =
        hide ? disk::HideDisk(state, disks, *diskNumber) : disk::RestoreDisk(state, disks, *diskNumber);
    if (result.outcome == disk::DiskWriteOutcome::Refused) {
        printIn(stderr, language, texts::kRefused, name, *diskNumber,
                textIn(language, disk::hideCheckReason(result.check)).c_str());
        return kExitFailed;
    }
    if (result.outcome != disk::DiskWriteOutcome::Done) {
        std::fprintf(stderr, "salvage %s: disk %c: %s\n", name, *diskNumber, outcomeText(result.outcome));
        return kExitFailed;
    }
    std::printf(hide ? "Disk %c is hidden: its LBA 0 to 3 are saved at LBA 58 to 61. Windows sees the change "
                       "after a restart.\n"
                     : "Disk %c is restored: LBA 0 to 3 hold the saved copy again. Windows sees the change "
                       "after a restart.\n",
                *diskNumber);
    return kExitDone;
}

}  // namespace

int runHide(platform::DiskSystem& disks, const Arguments& args) { return runDiskChange(disks, args, true); }
int runUnhide(platform::DiskSystem& disks, const Arguments& args) { return runDiskChange(disks, args, false); }

}  // namespace quenzar::cli
