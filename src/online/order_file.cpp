#include "online/order_file.h"

#include <algorithm>
#include <cstdio>

#include "online/form_validation.h"
#include "platform/little_endian.h"

namespace quenzar::online {
namespace {

// The tariff rows of groups A and B, tariffs 1 to 4, in columns: plan and group (12), hours (29),
// price in dollars and roubles (17).
constexpr text::TextPair kTariffRows[2][kTariffCount] = {
    {
        {"Эконом  A - двадцать четыре рабочих часа $14 или  800 руб.",
         "Economy A - twenty-four working hours    $14  or  800 rub."},
        {"Обычный A - восемнадцать рабочих часов   $20 или 1200 руб.",
         "Normal  A - eighteen working hours       $20  or 1200 rub."},
        {"Срочный A - двенадцать рабочих часов     $26 или 1500 руб.",
         "Quick   A - twelve working hours         $26  or 1500 rub."},
        {"Экстра  A - два рабочих часа             $34 или 2000 руб.",
         "Extra   A - two working hours            $34  or 2000 rub."},
    },
    {
        {"Эконом  B - двадцать четыре рабочих часа $24 или 1400 руб.",
         "Economy B - twenty-four working hours    $24  or 1400 rub."},
        {"Обычный B - восемнадцать рабочих часов   $30 или 1800 руб.",
         "Normal  B - eighteen working hours       $30  or 1800 rub."},
        {"Срочный B - двенадцать рабочих часов     $36 или 2100 руб.",
         "Quick   B - twelve working hours         $36  or 2100 rub."},
        {"Экстра  B - два рабочих часа             $44 или 2600 руб.",
         "Extra   B - two working hours            $44  or 2600 rub."},
    },
};

constexpr bool allRowsFit() {
    for (const auto& group : kTariffRows) {
        for (const text::TextPair& row : group) {
            if (row.russian.size() != kTariffRowChars || row.english.size() != kTariffRowChars) return false;
        }
    }
    return true;
}
static_assert(allRowsFit(), "every tariff row is 58 characters");

constexpr std::string_view kCrLf = "\r\n";

// Writes `text` at `offset`, cut or padded with blanks to `width`; returns the offset after it.
std::size_t putField(OrderFile& file, std::size_t offset, std::string_view text, std::size_t width) {
    const std::size_t length = std::min(text.size(), width);
    std::copy_n(text.begin(), length, file.begin() + static_cast<std::ptrdiff_t>(offset));
    std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(offset + length), width - length, ' ');
    return offset + width;
}

std::size_t putText(OrderFile& file, std::size_t offset, std::string_view text) {
    return putField(file, offset, text, text.size());
}

// A labelled line: label, the value in its field, then `trailing` blanks and CR LF.
std::size_t putLine(OrderFile& file, std::size_t offset, std::string_view label, std::string_view value,
                    std::size_t width, std::size_t trailing) {
    offset = putText(file, offset, label);
    offset = putField(file, offset, value, width);
    offset = putField(file, offset, "", trailing);
    return putText(file, offset, kCrLf);
}

}  // namespace

TariffGroup tariffGroupOf(const disk::SectorMaskTable& masks, char diskNumber) {
    return masks.hasMask(diskNumber) ? TariffGroup::B : TariffGroup::A;
}

text::TextPair tariffRow(TariffGroup group, int tariff) {
    const int index = std::clamp(tariff, 1, kTariffCount) - 1;
    return kTariffRows[group == TariffGroup::B ? 1 : 0][index];
}

KeyBlock makeKeyBlock(std::uint32_t seed, TariffGroup group) {
    KeyBlock block{};
    std::uint32_t x = seed;
    for (std::size_t word = 0; word < kKeyBlockBytes / 4; ++word) {
        x = x * 0x64D54u + 0x846CBu;
        x = (x << 16) | (x >> 16);
        platform::putLe32(block.data() + 4 * word, x);
    }
    block[0] = static_cast<std::uint8_t>(group);
    return block;
}

OrderFile buildOrderFile(const OrderDetails& details) {
    OrderFile file{};
    std::size_t offset = putField(file, 0, "Запрос на восстановление данных NTFS", 60);
    offset = putText(file, offset, kCrLf);
    offset = putLine(file, offset, "Пользователь.......", details.name, kPersonFieldChars, 1);
    offset = putLine(file, offset, "Электронный адрес..", details.email, kPersonFieldChars, 1);
    offset = putLine(file, offset, "Тарифный план......", details.tariffRow, kTariffRowChars, 0);
    offset = putLine(file, offset, "Серийный номер.....", details.serialNumber, 20, 0);
    std::copy(details.keyBlock.begin(), details.keyBlock.end(), file.begin() + kKeyBlockOffset);

    const recovery::AnalysisGeometry& geometry = details.geometry;
    std::uint8_t* area = file.data() + kGeometryOffset;
    platform::putLe32(area, geometry.lastRecordIndex);
    platform::putLe32(area + 4, geometry.sectorsPerCluster);
    platform::putLe32(area + 8, geometry.volumeStartLba);
    std::uint8_t* row = area + 12;
    for (const recovery::GeometryRunRow& run : geometry.runTable) {
        platform::putLe32(row, run.firstRecord);
        platform::putLe32(row + 4, run.lastRecord);
        platform::putLe32(row + 8, run.startLba);
        row += 12;
    }

    const LocalTime& t = details.created;
    // Each value is clamped to its field's width, so the 18 characters are exact whatever the
    // clock says.
    char date[32];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d  %02d:%02d ", std::clamp(t.year, 0, 9999),
                  std::clamp(t.month, 0, 99), std::clamp(t.day, 0, 99), std::clamp(t.hour, 0, 99),
                  std::clamp(t.minute, 0, 99));
    offset = putText(file, kDateLineOffset, "Дата и время создания файла: ");
    offset = putField(file, offset, date, 18);
    file[offset++] = 0;
    offset = putText(file, offset, "\r\n\r\n");

    scrambleGeometry(file);
    return file;
}

void scrambleGeometry(std::span<std::uint8_t, kOrderFileBytes> file) {
    const std::uint8_t* key = file.data() + kKeyBlockOffset;
    for (std::size_t i = 0; i < kScrambledBytes; ++i) file[kScrambledOffset + i] ^= key[i % kKeyBlockBytes];
}

recovery::AnalysisGeometry readOrderGeometry(std::span<const std::uint8_t, kOrderFileBytes> file) {
    OrderFile copy;
    std::copy(file.begin(), file.end(), copy.begin());
    scrambleGeometry(copy);
    const std::uint8_t* area = copy.data() + kGeometryOffset;
    recovery::AnalysisGeometry geometry;
    geometry.lastRecordIndex = platform::le32(area);
    geometry.sectorsPerCluster = platform::le32(area + 4);
    geometry.volumeStartLba = platform::le32(area + 8);
    const std::uint8_t* row = area + 12;
    for (recovery::GeometryRunRow& run : geometry.runTable) {
        run = {platform::le32(row), platform::le32(row + 4), platform::le32(row + 8)};
        row += 12;
    }
    return geometry;
}

}  // namespace quenzar::online
