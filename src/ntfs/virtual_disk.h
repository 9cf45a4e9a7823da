// Modelling a virtual disk: the start, cluster size and $MFT position of an NTFS volume that no
// partition table describes any more, computed from one known sector of the physical disk — the
// volume's boot sector, the first record of its $MFT, or any FILE record of the $MFT's first
// fragment. Each computation takes what the user typed, reads the disk, updates the volume
// parameters and returns everything its dialog shows: field values (or emptied fields), the
// result word, the diagnostic lines and which buttons are enabled.
//
// "RUN RECONSTRUCTION" then reads record 0 of the $MFT and builds the MftRunTable that the
// analysis of the virtual disk reads the $MFT through.
//
// Offsets and LBAs are computed in 64 bits throughout, so a volume beyond 2 TiB is modelled at its
// real sectors; where a value cannot be modelled (a subtraction that would go below LBA 0, a run
// list without clusters) the computation fails visibly instead of reading some other sector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "text/language.h"
#include "disk/inventory_records.h"
#include "disk/sector_mask.h"
#include "ntfs/mft_run_table.h"
#include "ntfs/volume_params.h"
#include "platform/disk_system.h"

namespace quenzar::ntfs {

// Reads bytes of the chosen disk at a byte offset, with the sector-mask rule; the buffer holds
// zeros where nothing arrived. Returns the bytes that arrived.
using SectorReader = std::function<std::size_t(std::uint64_t byteOffset, std::span<std::uint8_t> buffer)>;

// The reader of a physical disk "0".."7": open, seek, clear, read, unmask by the gap rule, close.
SectorReader diskSectorReader(platform::DiskSystem& disks, const disk::SectorMaskTable& masks,
                              char diskNumber);

// Every virtual-disk read takes this many bytes: a whole 4 KB sector or a FILE record.
inline constexpr std::size_t kVirtualDiskReadBytes = 4096;

enum class VirtualDiskDialog { FromBootSector, FromMftPosition, FromFileRecord };

// The window title of each dialog, and the title the tree window of the following analysis bears.
std::string_view dialogTitle(VirtualDiskDialog dialog, text::Language language);
std::string_view treeWindowTitle(VirtualDiskDialog dialog, text::Language language);

enum class ResultWord {
    None,              // the word is emptied
    Mft,
    NoMft,
    Fat32,
    Fat16,
    NotFileRecord,
    Folder,
    OutdatedFileSystem,
    ResidentFile,
};
std::string_view resultWordText(ResultWord word, text::Language language);

// The file-system radio buttons of the boot-sector dialog; the program sets them, not the user.
enum class FileSystemRadio { None, Ntfs, Fat32, Fat16 };

struct DialogButtons {
    bool sector = true;
    bool cluster = false;
    bool noMft = false;
    bool run = false;  // "RUN RECONSTRUCTION": only after a successful computation

    friend bool operator==(const DialogButtons&, const DialogButtons&) = default;
};

// A number field of a dialog; nullopt when the computation empties it.
using FieldValue = std::optional<std::uint64_t>;

// The text of a field: the number in plain decimal, or nothing for an emptied field.
std::string fieldText(const FieldValue& value);

// The number fields of the three dialogs, by what they show. A dialog shows those it has.
struct VirtualDiskFields {
    FieldValue bootLba;                 // 9511
    FieldValue sectorsPerCluster;       // 9517 (NTFS)
    FieldValue mftCluster;              // 9531
    FieldValue mftLba;                  // 9551
    FieldValue recordLba;               // 9563 (from a FILE record)
    FieldValue fat32SectorsPerCluster;  // 9518
    FieldValue fat32ReservedSectors;    // 9521
    FieldValue fat32SectorsPerFat;      // 9524
    FieldValue fat32RootCluster;        // 9527
    FieldValue fat16SectorsPerCluster;  // 9519
    FieldValue fat16ReservedSectors;    // 9522
    FieldValue fat16SectorsPerFat;      // 9525
    FieldValue fat16RootEntries;        // 9529
};

inline constexpr std::size_t kDiagnosticLineCount = 6;

// What a dialog shows after a computation. Texts are code page 1251.
struct VirtualDiskOutcome {
    ResultWord result = ResultWord::None;
    std::string resultText;
    FileSystemRadio radio = FileSystemRadio::None;
    VirtualDiskFields fields;
    DialogButtons buttons;
    std::array<std::string, kDiagnosticLineCount> diagnostics{};  // the FILE record dialog's six lines
};

// From the boot sector ("APPLY" of the boot-sector dialog): the LBA typed (up to 13 digits),
// limited to the disk's last sector. NTFS, FAT-32 and FAT-16 boot sectors are recognised; only an
// NTFS one whose $MFT is found makes the reconstruction possible. Sets entryMode "L" and mftFound.
VirtualDiskOutcome computeFromBootSector(NtfsVolumeParams& params, std::string_view bootLbaText,
                                         const SectorReader& read, text::Language language);

// From the first record of the $MFT: the LBA typed, limited to the disk's last sector. The cluster
// size comes from the $MFT's allocated size and cluster count, the volume start from its first run.
// Sets entryMode "l".
VirtualDiskOutcome computeFromMftPosition(NtfsVolumeParams& params, std::string_view mftLbaText,
                                          const SectorReader& read, text::Language language);

// From any FILE record of the $MFT's first fragment: the record's own number gives the $MFT's
// start, which must then hold the $MFT; its first run gives the volume start. The diagnostic lines
// tell how far the computation got. storedRecordLba keeps the record LBA for the next opening.
VirtualDiskOutcome computeFromFileRecord(NtfsVolumeParams& params, std::uint64_t& storedRecordLba,
                                         std::string_view recordLbaText, const SectorReader& read,
                                         text::Language language);

// The computation of a dialog on the LBA text typed into it: one of the three above.
VirtualDiskOutcome computeFromInput(VirtualDiskDialog dialog, NtfsVolumeParams& params, std::uint64_t& storedRecordLba,
                                    std::string_view lbaText, const SectorReader& read, text::Language language);

// Choosing a disk in an open dialog repeats the dialog's computation from the stored input (the
// boot sector's LBA, the $MFT's LBA, or the stored record LBA), so that its result word,
// diagnostics and buttons describe the disk now chosen.
VirtualDiskOutcome recomputeFromStoredInput(VirtualDiskDialog dialog, NtfsVolumeParams& params,
                                            std::uint64_t& storedRecordLba, const SectorReader& read,
                                            text::Language language);

// The file-system radio the boot-sector dialog marks on opening: NTFS, FAT-32, else FAT-16.
FileSystemRadio radioOfFileSystem(disk::FileSystem fsType);

// What "RUN RECONSTRUCTION" hands the analysis of the virtual disk.
struct ReconstructionStart {
    bool ready = false;   // record 0 of the $MFT decoded and the table built
    std::uint32_t integrityCode = 0;  // of record 0, when it did not decode
};

// Reads record 0 of the $MFT at (mftCluster x sectorsPerCluster + bootLba) x bytesPerSector,
// sets mftRecordLimit (the last record index: allocated size / 1,024 - 1) and builds the table.
// The boot-sector dialog repeats its computation before this. When record 0 does not decode, the
// table and limit are left as they were and the analysis must not start.
ReconstructionStart startReconstruction(NtfsVolumeParams& params, MftRunTable& table, const SectorReader& read);

}  // namespace quenzar::ntfs
