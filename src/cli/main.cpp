// salvage: the command-line program over the same core as the Windows program.
//
//   salvage [--image PATH]... [--sector-size 512|4096] COMMAND [ARGUMENTS]
//
// Disks are the images given with --image (disk 0, 1, ... in order), else those listed in
// QUENZAR_DISK_IMAGES, else the machine's own disks. An image's sector size is read from what it
// holds unless --sector-size gives it for every image.
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/number_arguments.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"

namespace {

constexpr const char* kUsage =
    "usage: salvage [--image PATH]... [--sector-size 512|4096] COMMAND [ARGUMENTS]\n"
    "\n"
    "Disks are the images given with --image (disk 0, 1, ... in order), else the images listed in\n"
    "QUENZAR_DISK_IMAGES (separated by ';'), else this machine's own disks. Nothing is ever written\n"
    "to a disk, except by hide and unhide with --yes.\n"
    "\n"
    "A disk's LBAs count its own sectors: a device reports their size (512 or 4,096 bytes); an\n"
    "image's is read from what it holds (a GPT header at LBA 1, a boot sector at LBA 0, the partition\n"
    "table), else 512. --sector-size 512|4096 gives it for every image instead.\n"
    "\n"
    "commands:\n"
    "  probe                              what the disk layer sees on every disk, with the size of\n"
    "                                     its sectors and how it was decided\n"
    "  read DISK LBA [COUNT] [--hex] [--no-unmask] [--retries N]\n"
    "                                     COUNT sectors of the disk's size (512 or 4,096 bytes;\n"
    "                                     default 1) from LBA, unmasked by the sector-mask rule, to\n"
    "                                     standard output as raw bytes (or as a hex dump with --hex)\n"
    "  disks [--lang ru|en]               the inventory screen: disks, partitions, drive letters\n"
    "  hide DISK --yes [--lang ru|en]     hide a disk from Windows (LBA 0 to 3 saved at LBA 58 to 61,\n"
    "                                     LBA 0 marked); without --yes only the checks are made;\n"
    "                                     only disks of 512-byte sectors can be hidden\n"
    "  unhide DISK --yes [--lang ru|en]   write the saved LBA 58 to 61 back to LBA 0 to 3\n"
    "  vdisk DISK (--boot LBA | --mft LBA | --record LBA) [--lang ru|en]\n"
    "                                     model a virtual disk (an NTFS volume no partition table\n"
    "                                     describes) from its boot sector, its $MFT or any FILE\n"
    "                                     record of the $MFT's first fragment\n"
    "  scan (DISK | IMAGE) [--from LBA] [--to LBA] [--retries N] [--lang ru|en]\n"
    "                                     read the disk once and list the NTFS volumes its boot\n"
    "                                     sectors and $MFT records prove, with the --boot, --mft or\n"
    "                                     --record that gives each to analyze and restore\n"
    "  view DISK LBA [--as hex|partition|ntfs-boot|fat-boot|fat16|fat32|fat-dir] [--lang ru|en]\n"
    "                                     a sector in one of the viewer's presentations, with the\n"
    "                                     position panels\n"
    "  view DISK (--boot LBA | --mft LBA | --record-lba LBA) --record N [--lang ru|en]\n"
    "                                     MFT record N of the virtual disk modelled as by vdisk\n"
    "  analyze (LETTER | IMAGE) [options] analyse an NTFS volume: statistics and the folder tree\n"
    "                                     of the files found, deleted and lost items marked\n"
    "                                     (salvage analyze alone lists its options)\n"
    "  restore (LETTER | IMAGE) --to FOLDER (--all | --deleted | --path P | --folder P | --pattern N)...\n"
    "          [--full] [options]         restore files of an NTFS volume into FOLDER: a test restore\n"
    "                                     of small one-fragment files, or every file whole with --full\n"
    "                                     (salvage restore --help lists its options)\n"
    "  consult --name N --email E --description TEXT [--lang ru|en]\n"
    "                                     ask the laboratory for a free consultation; the inventory\n"
    "                                     of the disks goes with it (server: QUENZAR_SERVER)\n"
    "  order (LETTER | IMAGE) --name N --email E --tariff 1-4 [--write-only] [options]\n"
    "                                     analyse the volume, write the recovery order\n"
    "                                     QuenzarSalvage.bin and send it to the laboratory\n"
    "                                     (salvage order --help lists its options)\n"
    "\n"
    "read, scan, analyze and restore take --retries N: how many more times a sector that does not\n"
    "read is read before it counts as bad (0 to 99, default 1). A bad sector is not read again\n"
    "in the run, and a long bad area is jumped over and read back from its two ends.\n"
    "\n"
    "exit codes:\n"
    "  0    done\n"
    "  1    done with errors (files or records that could not be read or written), or refused\n"
    "       (no such disk or volume, a target on what is read, nothing found)\n"
    "  2    wrong usage\n"
    "  130  stopped by Ctrl+C (143: by a termination request); what was begun is removed\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace quenzar;
    std::vector<std::string> images;
    cli::Arguments rest;
    // --help before the command word is the program's; after it, the command's own.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--image") == 0 && i + 1 < argc) {
            images.emplace_back(argv[++i]);
        } else if (std::strcmp(argv[i], "--sector-size") == 0) {
            // The same size for every image, wherever it comes from (--image, QUENZAR_DISK_IMAGES,
            // the image argument of a command); the machine's devices report their own.
            const std::string given = i + 1 < argc ? argv[++i] : "";
            const auto bytesPerSector = cli::parseUnsigned(given);
            if (!bytesPerSector || !platform::isGivableSectorSize(*bytesPerSector)) {
                cli::printIn(stderr, cli::languageOfEnvironment(), cli::texts::kSectorSizeUsage,
                             cli::terminalSafe(given).c_str());
                return cli::kExitUsage;
            }
            platform::setGivenImageSectorSize(static_cast<std::uint32_t>(*bytesPerSector));
        } else if (rest.empty() && (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)) {
            std::fputs(kUsage, stdout);
            return cli::kExitDone;
        } else {
            rest.emplace_back(argv[i]);
        }
    }
    if (rest.empty()) {
        std::fputs(kUsage, stderr);
        return cli::kExitUsage;
    }
    if (images.size() > static_cast<std::size_t>(platform::kMaxDisks)) {
        std::fprintf(stderr, "salvage: at most %d disk images can be attached\n", platform::kMaxDisks);
        return cli::kExitUsage;
    }

    for (const std::string& image : images) {
        if (!cli::isImageSource(image, "salvage", cli::languageOfEnvironment())) return cli::kExitFailed;
    }

    std::unique_ptr<platform::DiskSystem> disks =
        images.empty() ? platform::makeDiskSystemFromEnvironment()
                       : std::make_unique<platform::ImageDiskSystem>(images);

    const std::string command = rest.front();
    const cli::Arguments args(rest.begin() + 1, rest.end());
    if (command == "probe") return cli::runProbe(*disks, args);
    if (command == "read") return cli::runRead(*disks, args);
    if (command == "disks") return cli::runDisks(*disks, args);
    if (command == "hide") return cli::runHide(*disks, args);
    if (command == "unhide") return cli::runUnhide(*disks, args);
    if (command == "vdisk") return cli::runVdisk(*disks, args);
    if (command == "scan") return cli::runScan(*disks, args);
    if (command == "analyze") return cli::runAnalyze(*disks, args);
    if (command == "restore") return cli::runRestore(*disks, args);
    if (command == "view") return cli::runView(*disks, args);
    if (command == "consult") return cli::runConsult(*disks, args);
    if (command == "order") return cli::runOrder(*disks, args);
    std::fprintf(stderr, "salvage: unknown command \"%s\"\n\n%s", cli::terminalSafe(command).c_str(), kUsage);
    return cli::kExitUsage;
}
