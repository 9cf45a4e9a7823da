#include "disk/inventory_screen.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace quenzar::disk {
namespace {

constexpr std::array<const char*, kScreenHeadingLines> kHeadingLines = {
    "    ТИП КАНАЛА ПОДКЛЮЧЕНИЯ ДИСКА И ПАРТИЦИЙ            ФАЙЛОВАЯ СИСТЕМА ЛОГИЧЕСКИХ ДИСКОВ ИЛИ  ОТКЛЮЧЕННЫХ ПАРТИЦИЙ         ",
    "        Номер - Емкость - Серийный номер                   Буква логического диска или номер партиции / Емкость             ",
    "         Наименование модели винчестера               LBA адрес начала логического диска или партиции на жестком диске      ",
    "     CONNECTION TYPE DISK AND  PARTITIONS                   FILE SYSTEM LOGICAL DRIVES OR  DISABLED PARTITIONS              ",
    "       Number - Capacity - Serial numer                   Logical drive letter or number is partition / Capacity            ",
    "       The model name of the hard drive           LBA of the beginning of a logical drive or partition on the hard drive    ",
    "                                                                                                                            ",
    "          Номер-Емкость-Серийный номер                               Буквенный идентификатор - Емкость                      ",
    "         Наименование модели винчестера                   Физический адрес начала логического диска на винчестере           ",
};

constexpr std::size_t kFirstCellColumn = 52;
constexpr std::size_t kCellPitch = 13;
constexpr std::size_t kTightCellPitch = 12;
constexpr std::size_t kSummaryCellsFrom = 45;
constexpr std::size_t kSummaryCellsChars = kScreenLineChars - kSummaryCellsFrom;  // 79

template <typename Field>
void put(std::string& line, std::size_t column, const Field& field) {
    std::copy(field.begin(), field.end(), line.begin() + static_cast<std::ptrdiff_t>(column));
}

void put(std::string& line, std::size_t column, std::string_view text) {
    std::copy(text.begin(), text.end(), line.begin() + static_cast<std::ptrdiff_t>(column));
}

std::array<std::string, 3> diskLines(const PhysicalDiskInfo& disk) {
    std::array<std::string, 3> lines;
    for (std::string& line : lines) line.assign(kScreenLineChars, ' ');
    if (!disk.isPresent()) return lines;

    put(lines[0], 1, disk.connectionType);
    put(lines[0], 37, disk.hiddenTag);
    put(lines[0], 42, disk.schemeTag);

    lines[1][3] = disk.diskNumber;
    put(lines[1], 5, disk.capacityText);
    put(lines[1], 15, disk.serialNumber);

    put(lines[2], 5, disk.model);

    for (int p = 0; p < disk.partitionCount(); ++p) {
        const PartitionCell& cell = disk.cells[static_cast<std::size_t>(p)];
        const std::size_t column = partitionCellColumn(disk, p);
        put(lines[0], column, cell.fileSystemName);
        lines[1][column] = cell.label;
        lines[1][column + 1] = ':';
        put(lines[1], column + 3, cell.capacity);
        put(lines[2], column, startLbaText(disk.partitions[static_cast<std::size_t>(p)].startLba));
    }
    return lines;
}

}  // namespace

std::string_view screenHeadingLine(std::size_t line) { return kHeadingLines.at(line); }

std::size_t partitionCellColumn(const PhysicalDiskInfo& disk, int partition) {
    const std::size_t pitch = disk.partitionCount() == kPartitionsPerDisk ? kTightCellPitch : kCellPitch;
    return kFirstCellColumn + pitch * static_cast<std::size_t>(partition);
}

Text<11> startLbaText(std::uint64_t lba) {
    Text<11> text{};
    text.fill('*');
    if (lba <= 99'999'999'999ull) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%11llu", static_cast<unsigned long long>(lba));
        std::copy_n(digits, text.size(), text.begin());
    }
    return text;
}

std::string diskBlockText(const PhysicalDiskInfo& disk) {
    const auto lines = diskLines(disk);
    return lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2];
}

std::string diskSummaryLine(const PhysicalDiskInfo& disk) {
    std::string summary(kDiskSummaryChars, ' ');
    summary[0] = disk.diskNumber;
    if (disk.isPresent()) {
        // The serial number from its second character on (its first is a blank in the usual
        // right-aligned ATA serial numbers); the twentieth position stays blank.
        std::copy(disk.serialNumber.begin() + 1, disk.serialNumber.end(), summary.begin() + 2);
        put(summary, 23, disk.model);
        put(summary, 64, disk.capacityText);
        summary[73] = disk.connectionType[4];
        put(summary, 75, disk.schemeTag);
    }
    summary[83] = '\r';
    summary[84] = '\n';
    const auto lines = diskLines(disk);
    for (std::size_t row = 0; row < lines.size(); ++row) {
        put(summary, 85 + row * kSummaryCellsChars, std::string_view(lines[row]).substr(kSummaryCellsFrom));
    }
    return summary;
}

std::string diskChoiceLine(const PhysicalDiskInfo& disk) {
    std::string line(1, disk.diskNumber);
    if (!disk.isPresent()) return line;
    line += ' ';
    line.append(disk.mediaLabel.begin(), disk.mediaLabel.end());
    line.resize(16, ' ');
    line.append(disk.capacityText.begin(), disk.capacityText.end());
    line.resize(31, ' ');
    line += std::to_string(disk.totalSectors);
    std::string_view model(disk.model.data(), disk.model.size());
    model = model.substr(0, model.find_last_not_of(' ') + 1);
    if (!model.empty()) line += "  " + std::string(model);
    return line;
}

void renderInventoryScreen(InventoryState& state) {
    std::string& screen = state.screen;
    screen.clear();
    screen.reserve(kScreenLineCount * kScreenLineBytes);
    for (const char* line : kHeadingLines) {
        screen += line;
        screen += "\r\n";
    }
    for (std::size_t index = 0; index < state.disks.size(); ++index) {
        for (const std::string& line : diskLines(state.disks[index])) {
            screen += line;
            screen += "\r\n";
        }
        state.summaryLines[index] = diskSummaryLine(state.disks[index]);
    }
}

std::string_view screenLine(const InventoryState& state, std::size_t line) {
    return std::string_view(state.screen).substr(line * kScreenLineBytes, kScreenLineChars);
}

std::string inventoryScreenText(const InventoryState& state, text::Language language) {
    const std::size_t firstHeading = text::isRussian(language) ? 0 : 3;
    std::string text;
    for (std::size_t line = firstHeading; line < firstHeading + 3; ++line) {
        text += screenLine(state, line);
        text += "\r\n";
    }
    for (std::size_t line = kScreenHeadingLines; line < kScreenLineCount; ++line) {
        text += screenLine(state, line);
        text += "\r\n";
    }
    return text;
}

std::string pastDiskEndNotes(const InventoryState& state, text::Language language) {
    const bool russian = text::isRussian(language);
    std::string notes;
    for (const PhysicalDiskInfo& disk : state.disks) {
        if (!disk.isPresent()) continue;
        for (int p = 0; p < disk.partitionCount(); ++p) {
            const PartitionEntry& entry = disk.partitions[static_cast<std::size_t>(p)];
            if (!entry.pastDiskEnd) continue;
            notes += russian ? "Диск " : "Disk ";
            notes += disk.diskNumber;
            notes += russian ? ": партиция с LBA " : ": the partition from LBA ";
            notes += std::to_string(entry.firstSector());
            notes += russian ? " выходит за конец диска, её последние секторы прочитать нельзя.\r\n"
                             : " reaches past the end of the disk; its last sectors cannot be read.\r\n";
        }
    }
    return notes;
}

}  // namespace quenzar::disk
