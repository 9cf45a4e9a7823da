// The options that mean the same in every command, read by one reader: the language, the number
// of an image's NTFS volume and the known sector a virtual disk is modelled from; and the choice
// between a drive letter and an image that analyze and restore share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "disk/inventory.h"
#include "ntfs/virtual_disk.h"
#include "platform/stdio_file.h"
#include "text/language.h"

namespace quenzar::cli {

// Where a virtual disk is modelled from: the kind of the known sector and its LBA.
struct VirtualDiskStart {
    ntfs::VirtualDiskDialog dialog = ntfs::VirtualDiskDialog::FromBootSector;
    std::uint64_t lba = 0;
};

// Which of the shared options a command takes. The virtual disk's "known record" option is
// "--record" where the command has no record number of its own, "--record-lba" in view.
struct SharedOptionSet {
    bool volume = false;
    bool virtualDisk = false;
    std::string_view recordLbaOption = "--record";
    bool retries = false;  // the command reads a disk at length
};

struct SharedOptions {
    text::Language language = text::Language::English;
    int volumeNumber = 1;  // 1 = the first NTFS volume of an image
    std::optional<VirtualDiskStart> virtualStart;
};

enum class OptionRead {
    NotShared,  // not one of the shared options: the command reads it itself
    Taken,      // read; i is on its last argument
    Refused,    // a shared option with a missing or wrong value: a usage error
};

// Reads args[i] when it is a shared option the command takes:
//   --lang ru|en
//   --volume N          N a plain decimal number from 1 ("2x", "0", "+1" are refused)
//   --boot LBA | --mft LBA | --record LBA   (at most one; LBA of at most 13 digits, the width of
//                       the dialogs' LBA fields, which would read a longer number cut)
//   --retries N         N from 0 to 99: how many more times an unreadable sector is read before
//                       it counts as bad; set at once for the whole run (disk::setReadRetries)
OptionRead readSharedOption(const Arguments& args, std::size_t& i, SharedOptions& options,
                            const SharedOptionSet& accepted);

// "ru" or "en".
std::optional<text::Language> parseLanguage(const std::string& text);

// The number of --volume: a plain decimal number from 1.
std::optional<int> parseVolumeNumber(const std::string& text);

// Whether the volume argument fits the shared options: a virtual disk lies on a disk the program
// sees (by its number) or on an image, never on a lettered volume.
bool targetFitsOptions(const std::string& target, const SharedOptions& options);

// A drive letter as the user gives it: "D" or "D:", in capitals; nothing for anything else (an
// image or device path).
std::optional<char> parseDriveLetter(const std::string& text);

// The disks behind the letter-or-image argument of analyze and restore. A drive letter names a
// volume of the disks the program sees (so does a disk number where the command takes one);
// anything else is an image or device of its own, whose NTFS volumes get letters from an
// inventory of that one disk.
struct VolumeSource {
    platform::DiskSystem* disks = nullptr;
    std::unique_ptr<platform::ImageDiskSystem> image;  // set when the argument is an image
    std::optional<char> driveLetter;

    // The letter of the volume worked on: the one given, else the N-th NTFS volume of the image;
    // 0 when there is none.
    char letter(const disk::InventoryState& inventory, int volumeNumber) const;
};

// Prints on standard error why a file of the program's own (the work file, the listing) was not
// written: "salvage COMMAND: PATH is a symbolic link ...". Nothing for WriteProblem::None.
void printWriteProblem(std::string_view command, const std::filesystem::path& file, platform::WriteProblem problem,
                       text::Language language);

// Whether a folder the command writes into (the restore's target, the work folder) lies on what
// is being read: the volume of `letter`, or with `wholeDisk` that disk (a virtual disk's), as
// DiskSystem::holdsFolder and diskHoldsFolder tell it. When it does, the refusal is printed on
// standard error: the desktop program's box, and which source the folder lies on.
bool refuseFolderOnSource(const platform::DiskSystem& disks, char letter, std::optional<char> wholeDisk,
                          const std::filesystem::path& folder, std::string_view command, text::Language language);

// Opens the source named by `name` for the command `command`; nothing, with the reason printed,
// when an image path does not exist or names something that holds no sectors.
// False, with the reason on standard error, when the path names something that holds no sectors
// (a FIFO, a socket, a character device, a folder): reading it would block or read nothing. A
// path that does not exist passes; the disk it names is absent. `who` begins the message.
bool isImageSource(const std::string& path, std::string_view who, text::Language language);

std::optional<VolumeSource> openVolumeSource(platform::DiskSystem& disks, const std::string& name,
                                             bool diskNumberAllowed, std::string_view command, text::Language language);

}  // namespace quenzar::cli
