// salvage view: the sector viewer for a terminal. Prints one sector of a disk in any of the
// viewer's presentations with the three position panels, or a FILE record of a virtual disk found
// by its MFT record number, as the record-number dialog finds it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal.h"
#include "cli/number_arguments.h"
#include "cli/shared_options.h"
#include "disk/inventory.h"
#include "viewer/position_panels.h"
#include "ntfs/attribute_list.h"
#include "ntfs/file_record.h"
#include "ntfs/file_record_view.h"
#include "ntfs/mft_lookup.h"
#include "ntfs/virtual_disk.h"
#include "platform/code_page_1251.h"
#include "viewer/fat_directory_view.h"
#include "viewer/hex_view.h"
#include "text/number_texts.h"
#include "viewer/structure_views.h"

namespace quenzar::cli {
namespace {

constexpr const char* kViewUsage =
    "usage: salvage view DISK LBA [--as hex|partition|ntfs-boot|fat-boot|fat16|fat32|fat-dir] [--lang ru|en]\n"
    "       salvage view DISK (--boot LBA | --mft LBA | --record-lba LBA) --record N [--lang ru|en]\n";

std::optional<viewer::Presentation> parsePresentation(const std::string& text) {
    using viewer::Presentation;
    struct Name {
        const char* name;
        Presentation presentation;
    };
    static constexpr Name kNames[] = {
        {"hex", Presentation::Hex},          {"partition", Presentation::PartitionTable},
        {"ntfs-boot", Presentation::NtfsBoot}, {"fat-boot", Presentation::FatBoot},
        {"fat16", Presentation::Fat16Table}, {"fat32", Presentation::Fat32Table},
        {"fat-dir", Presentation::FatDirectory},
    };
    for (const Name& name : kNames) {
        if (text == name.name) return name.presentation;
    }
    return std::nullopt;
}

// The blocks keep code page 1251 and CR LF or LF CR line ends, made for the draw call; a terminal
// wants UTF-8 lines ended by LF. Every block ends its own line.
void printBlock(std::string_view text) {
    std::string lines;
    lines.reserve(text.size() + 1);
    for (char c : text) {
        if (c != '\r') lines += c;
    }
    if (lines.empty() || lines.back() != '\n') lines += '\n';
    // The presentations show names and bytes of the disk as they are: made safe for the terminal.
    std::fputs(terminalSafe(platform::cp1251ToUtf8(lines), LineBreaks::Kept).c_str(), stdout);
}

void printPanels(const viewer::SectorPosition& position) {
    printBlock(position.physical);
    printBlock(position.logical);
    printBlock(position.virtualDisk);
    std::fputc('\n', stdout);
}

// The hex presentation as the screen lays it out: offsets, the grid and the character column; a
// sector larger than 512 bytes page after page, the offsets counting from the sector's start.
void printHex(viewer::ViewBytes sector) {
    std::string text = "     " + std::string(viewer::kHexColumnHeading) + "\n";
    for (std::size_t page = 0; (page + 1) * viewer::kViewSectorBytes <= sector.size(); ++page) {
        const auto bytes = sector.subspan(page * viewer::kViewSectorBytes).first<viewer::kViewSectorBytes>();
        viewer::HexText hex = viewer::initialHexText();
        viewer::CharText chars = viewer::initialCharText();
        viewer::buildHexText(bytes, hex);
        viewer::buildCharText(bytes, viewer::kCoding1251, chars);
        const std::string offsets = viewer::offsetColumn(page * viewer::kViewSectorBytes);
        for (std::size_t r = 0; r < viewer::kHexViewLines; ++r) {
            text += offsets.substr(5 * r, 3);
            text += "  ";
            text.append(hex.data() + r * viewer::kHexLineChars, viewer::kHexLineChars - 2);
            text += ' ';
            text.append(chars.data() + r * viewer::kCharLineChars, viewer::kCharLineChars - 2);
            text += '\n';
        }
    }
    printBlock(text);
}

// The FILE record presentation: labels beside their values, the rest of a long name, the
// integrity text of a broken record, and the fragments or the resident data.
void printRecord(const ntfs::FileRecordView& view) {
    std::string text;
    const auto lineOf = [](const std::string& block, std::size_t index) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < index && start != std::string::npos; ++i) {
            start = block.find(ntfs::kViewLineEnd, start);
            if (start != std::string::npos) start += ntfs::kViewLineEnd.size();
        }
        if (start == std::string::npos || start >= block.size()) return std::string();
        const std::size_t end = block.find(ntfs::kViewLineEnd, start);
        return block.substr(start, end == std::string::npos ? std::string::npos : end - start);
    };
    for (std::size_t i = 0; i < ntfs::kValueLineCount; ++i) {
        text += lineOf(view.labels, i) + lineOf(view.values, i) + "\n";
    }
    text += view.longNameRest;
    // Appended piece by piece: GCC 12 at -O3 takes "\n" + std::string(...) for an overlapping
    // copy (-Wrestrict) where there is none.
    if (!view.integrity.empty()) {
        text += '\n';
        text += view.integrity;
    }
    if (view.detail != ntfs::FileRecordDetail::None) {
        text += '\n';
        text += view.detailHeading;
        text += '\n';
        text += view.detailBody;
    }
    printBlock(text);
}

// Splits a block at its line ends (CR LF or LF CR).
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '\r' || c == '\n') && i + 1 < text.size() && text[i + 1] == (c == '\r' ? '\n' : '\r')) {
            lines.emplace_back();
            ++i;
        } else {
            lines.back() += c;
        }
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// A boot-sector table with its value and hex columns beside the field names, where the screen
// draws them over the table.
std::string bootSectorLines(const viewer::BootSectorText& table) {
    const std::vector<std::string> rows = splitLines(table.table);
    const std::vector<std::string> values = splitLines(table.values);
    const std::vector<std::string> hex = splitLines(table.hex);
    constexpr std::size_t kNameWidth = 31;
    constexpr std::size_t kOffsetColumn = 54;
    std::string heading = " THE NAME PARAMETER";
    heading.resize(kNameWidth, ' ');
    std::vector<std::string> lines{heading + "   CHARACTER  HEXADECIMAL       OFFSET LENGTH"};
    for (std::size_t i = 0; i + 1 < rows.size() && i < values.size() && i < hex.size(); ++i) {
        std::string name = rows[i + 1].substr(0, kNameWidth);
        lines.push_back(name + values[i] + "  " + hex[i] + "  " + rows[i + 1].substr(kOffsetColumn));
    }
    return joinLines(lines);
}

// The structure presentations as the screen lays their blocks out side by side. `bytes` begin
// with the viewed sector, of sectorBytes bytes.
void printStructure(viewer::Presentation presentation, viewer::ViewBytes bytes, std::size_t sectorBytes) {
    using viewer::Presentation;
    const viewer::SectorBytes sector = bytes.first<viewer::kViewSectorBytes>();
    switch (presentation) {
        case Presentation::PartitionTable: {
            const viewer::PartitionTableText table = viewer::partitionTableText(bytes, sectorBytes);
            const std::vector<std::string> heading = splitLines(table.heading);
            const std::vector<std::string> entries = splitLines(table.entries);
            std::vector<std::string> lines{heading[0], heading[1]};
            for (std::size_t i = 0; i < entries.size(); ++i) lines.push_back(heading[2 + i] + entries[i]);
            printBlock(joinLines(lines) + "\n" + table.gptHeading + "\r\n" + table.gptLines);
            break;
        }
        case Presentation::NtfsBoot:
            printBlock(bootSectorLines(viewer::ntfsBootText(sector)));
            break;
        case Presentation::FatBoot:
            printBlock(bootSectorLines(viewer::fatBootText(sector)));
            break;
        case Presentation::Fat16Table:
            printBlock(viewer::fat16TableText(sector));
            break;
        case Presentation::Fat32Table: {
            const std::vector<std::string> labels = splitLines(viewer::fat32RowLabels());
            const std::vector<std::string> rows = splitLines(viewer::fat32TableText(sector));
            std::vector<std::string> lines{labels[0]};
            for (std::size_t i = 0; i < rows.size(); ++i) lines.push_back(labels[i + 1] + " " + rows[i]);
            printBlock(joinLines(lines));
            break;
        }
        case Presentation::FatDirectory: {
            std::vector<std::string> lines{std::string(viewer::kFatDirectoryHeading)};
            for (const std::string& row : splitLines(viewer::fatDirectoryText(sector))) lines.push_back("   " + row);
            printBlock(joinLines(lines));
            break;
        }
        case Presentation::Hex:
        case Presentation::FileRecord:
            printHex(bytes.first(std::min(sectorBytes, bytes.size())));
            break;
    }
}

struct ViewRequest {
    char diskNumber = '0';
    std::optional<std::uint64_t> lba;
    viewer::Presentation presentation = viewer::Presentation::Hex;
    std::optional<ntfs::VirtualDiskDialog> dialog;
    std::uint64_t knownLba = 0;
    std::optional<std::string> recordNumber;
    text::Language language = text::Language::English;
};

// The record number has --record here, so the known record's LBA is --record-lba.
constexpr SharedOptionSet kViewOptions{.virtualDisk = true, .recordLbaOption = "--record-lba"};

// Parses the arguments; nothing when they are wrong.
std::optional<ViewRequest> parseRequest(const Arguments& args) {
    ViewRequest request;
    SharedOptions options;
    options.language = languageOfEnvironment();
    bool haveDisk = false;
    bool havePresentation = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (const OptionRead shared = readSharedOption(args, i, options, kViewOptions);
            shared != OptionRead::NotShared) {
            if (shared == OptionRead::Refused) return std::nullopt;
        } else if (arg == "--record" && hasValue && !request.recordNumber) {
            const std::string& number = args[++i];
            if (!parseUnsigned(number)) return std::nullopt;
            request.recordNumber = number;
        } else if (arg == "--as" && hasValue && !havePresentation) {
            const auto presentation = parsePresentation(args[++i]);
            if (!presentation) return std::nullopt;
            request.presentation = *presentation;
            havePresentation = true;
        } else if (!haveDisk) {
            const auto disk = parseDiskNumber(arg);
            if (!disk) return std::nullopt;
            request.diskNumber = *disk;
            haveDisk = true;
        } else if (!request.lba) {
            request.lba = parseUnsigned(arg);
            if (!request.lba) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!haveDisk) return std::nullopt;
    request.language = options.language;
    if (options.virtualStart) {
        request.dialog = options.virtualStart->dialog;
        request.knownLba = options.virtualStart->lba;
    }
    // Either a sector by its LBA, or a record by its number on a virtual disk.
    const bool sectorView = request.lba && !request.dialog && !request.recordNumber;
    const bool recordView = !request.lba && request.dialog && request.recordNumber && !havePresentation;
    if (!sectorView && !recordView) return std::nullopt;
    return request;
}

// Where record `number` begins on the disk, given the LBA of the sector it begins in: records
// smaller than the disk's sectors share one, in the order of their numbers.
std::uint64_t recordDiskByte(std::uint64_t lba, std::uint64_t number, const ntfs::NtfsVolumeParams& params) {
    const std::uint64_t recordBytes = params.fileRecordBytes();
    const std::uint64_t inSector = recordBytes < params.bytesPerSector ? number * recordBytes % params.bytesPerSector : 0;
    return lba * params.bytesPerSector + inSector;
}

// The records and clusters of a virtual disk's volume, for gathering a record's attributes from
// its extension records and its long attribute list.
ntfs::RecordReading recordReadingOf(const ntfs::SectorReader& read, const ntfs::NtfsVolumeParams& params,
                                    const ntfs::MftRunTable& table, std::uint64_t lastRecord) {
    ntfs::RecordReading reading;
    reading.record = [read, params, table, lastRecord](std::uint64_t number, std::vector<std::uint8_t>& bytes) {
        if (number > lastRecord) return false;
        const std::optional<std::uint64_t> lba = ntfs::recordLba(static_cast<std::uint32_t>(number), params, table);
        if (!lba) return false;
        bytes.assign(params.fileRecordBytes(), 0);
        if (read(recordDiskByte(*lba, number, params), bytes) != bytes.size()) return false;
        ntfs::FileRecordInfo header;
        ntfs::decodeFileRecord(bytes, header);
        return header.stage >= ntfs::DecodeStage::Flags;
    };
    const ntfs::VolumeBytesReader volumeBytes = [read, params](std::uint64_t volumeByte, std::span<std::uint8_t> buffer) {
        return read(params.bootLba * params.bytesPerSector + volumeByte, buffer) == buffer.size();
    };
    reading.clusters = [volumeBytes, params](std::span<const ntfs::DataRun> runs, std::uint64_t byteCount,
                                             std::vector<std::uint8_t>& bytes) {
        return ntfs::readRunBytes(volumeBytes, std::uint64_t{params.sectorsPerCluster} * params.bytesPerSector, runs, byteCount, bytes);
    };
    return reading;
}

int viewRecord(platform::DiskSystem& disks, const disk::InventoryState& inventory, const ViewRequest& request) {
    const disk::PhysicalDiskInfo& info = inventory.disk(request.diskNumber);
    ntfs::NtfsVolumeParams params;
    ntfs::chooseDisk(params, request.diskNumber, info);
    const ntfs::SectorReader read = ntfs::diskSectorReader(disks, inventory.masks, request.diskNumber);
    const std::string lbaText = std::to_string(request.knownLba);
    std::uint64_t storedRecordLba = 0;
    ntfs::VirtualDiskOutcome outcome;
    switch (*request.dialog) {
        case ntfs::VirtualDiskDialog::FromBootSector:
            outcome = ntfs::computeFromBootSector(params, lbaText, read, request.language);
            break;
        case ntfs::VirtualDiskDialog::FromMftPosition:
            outcome = ntfs::computeFromMftPosition(params, lbaText, read, request.language);
            break;
        case ntfs::VirtualDiskDialog::FromFileRecord:
            outcome = ntfs::computeFromFileRecord(params, storedRecordLba, lbaText, read, request.language);
            break;
    }
    // The record number dialog opens only from a dialog that found an NTFS volume.
    if (!outcome.buttons.noMft) {
        std::fputs(platform::cp1251ToUtf8("salvage view: no NTFS volume there (" + outcome.resultText + ")\n").c_str(),
                   stderr);
        return kExitFailed;
    }

    ntfs::MftLookupState lookup;
    ntfs::MftRunTable table;
    ntfs::applyRecordNumber(lookup, params, table, *request.recordNumber, read);
    const std::optional<std::uint64_t> lba = ntfs::recordLba(lookup.requestedRecord, params, table);
    if (!lba) {
        std::fprintf(stderr, "salvage view: the $MFT of this virtual disk has no records\n");
        return kExitFailed;
    }
    // The record-number dialog shows the last record for a number beyond the $MFT; asked by
    // number here, a record that does not exist is said to be missing instead of shown as another.
    const std::uint64_t lastRecord =
        std::min<std::uint64_t>(params.mftRecordLimit, table.rows[table.rowCount - 1].lastRecord);
    const std::optional<std::uint64_t> asked = parseUnsigned(*request.recordNumber);
    if (!asked || *asked > lastRecord) {
        std::fprintf(stderr, "salvage view: there is no record %s: the $MFT of this virtual disk holds records 0 to %llu\n",
                     request.recordNumber->c_str(), static_cast<unsigned long long>(lastRecord));
        return kExitFailed;
    }
    viewer::SectorPosition position = viewer::GoToSector(disks, inventory, params, request.diskNumber, *lba);
    printPanels(position);
    // A record whose attributes continue in extension records (an attribute list: many hard
    // links, many streams) is shown with what they hold, as the analysis decodes it.
    std::vector<std::uint8_t> bytes(params.fileRecordBytes(), 0);
    const bool recordArrived = read(recordDiskByte(*lba, *asked, params), bytes) == bytes.size();
    ntfs::FileRecordInfo record;
    ntfs::GatheredRecord gathered;
    std::vector<ntfs::DataRun> runs;
    ntfs::Gathering gathering = ntfs::Gathering::NotNeeded;
    ntfs::decodeWithExtensions(bytes, *asked, recordReadingOf(read, params, table, lastRecord), record, gathered, runs,
                               gathering);
    printRecord(ntfs::buildFileRecordView(record));
    return recordArrived ? kExitDone : kExitFailed;
}

int viewSector(platform::DiskSystem& disks, const disk::InventoryState& inventory, const ViewRequest& request) {
    const ntfs::NtfsVolumeParams noVirtualDisk;
    const viewer::SectorPosition position = viewer::GoToSector(disks, inventory, noVirtualDisk, request.diskNumber,
                                                           *request.lba);
    if (position.bytesArrived < position.sectorBytes || position.bytes.size() < position.sectorBytes) {
        std::fprintf(stderr, "salvage view: sector %llu of disk %c cannot be read\n",
                     static_cast<unsigned long long>(*request.lba), request.diskNumber);
        return kExitFailed;
    }
    printPanels(position);
    printStructure(request.presentation, position.bytes, position.sectorBytes);
    return kExitDone;
}

}  // namespace

int runView(platform::DiskSystem& disks, const Arguments& args) {
    const std::optional<ViewRequest> request = parseRequest(args);
    if (!request) {
        std::fputs(kViewUsage, stderr);
        return kExitUsage;
    }
    disk::InventoryState inventory;
    inventory.language = request->language;
    disk::BuildDiskInventory(inventory, disks);
    const disk::PhysicalDiskInfo& info = inventory.disk(request->diskNumber);
    if (!info.isPresent() || info.totalSectors == 0) {
        std::fprintf(stderr, "salvage view: disk %c cannot be read\n", request->diskNumber);
        return kExitFailed;
    }
    return request->dialog ? viewRecord(disks, inventory, *request) : viewSector(disks, inventory, *request);
}

}  // namespace quenzar::cli
