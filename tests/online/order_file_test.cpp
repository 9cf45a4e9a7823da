// The order file byte for byte: its text lines, the key block, the scrambled geometry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "online/order_file.h"
#include "platform/little_endian.h"

namespace quenzar::online {
namespace {

std::string_view bytesAt(const OrderFile& file, std::size_t offset, std::size_t length) {
    return {reinterpret_cast<const char*>(file.data()) + offset, length};
}

recovery::AnalysisGeometry sampleGeometry() {
    recovery::AnalysisGeometry geometry;
    geometry.lastRecordIndex = 106399;
    geometry.sectorsPerCluster = 8;
    geometry.volumeStartLba = 63;
    geometry.runTable[0] = {0, 102399, 6291519};
    geometry.runTable[1] = {102400, 106399, 16000063};
    geometry.runTable[99] = {0xFFFFFFF0u, 0xFFFFFFFEu, 0xFFFFFFFFu};  // the last row reaches its place
    return geometry;
}

OrderDetails sampleDetails(TariffGroup group) {
    OrderDetails details;
    details.name = "Ivan";
    details.email = "ivan@example.com";
    details.tariffRow = tariffRow(group, 2).in(text::Language::Russian);
    details.serialNumber = "  WD-12345678901234";  // 19: the field pads it
    details.keyBlock = makeKeyBlock(0x12345678, group);
    details.created = {2026, 3, 7, 9, 5};
    details.geometry = sampleGeometry();
    return details;
}

TEST(OrderFile, KeyBlockFollowsTheGenerator) {
    // Words worked out by hand from x = x * 0x64D54 + 0x846CB, halves swapped, seed 12345678h.
    const KeyBlock a = makeKeyBlock(0x12345678, TariffGroup::A);
    EXPECT_EQ(platform::le32(a.data()) & 0xFFFFFF00u, 0xBE2BBE00u);  // its first byte is the group
    EXPECT_EQ(a[0], 'A');
    EXPECT_EQ(platform::le32(a.data() + 4), 0x6EC302AEu);
    EXPECT_EQ(platform::le32(a.data() + 8), 0x7DE30FE7u);
    EXPECT_EQ(platform::le32(a.data() + 12), 0xF997F9BBu);
    EXPECT_EQ(platform::le32(a.data() + 508), 0xE2472B95u);
    const KeyBlock b = makeKeyBlock(0x12345678, TariffGroup::B);
    EXPECT_EQ(b[0], 'B');
    EXPECT_TRUE(std::equal(a.begin() + 1, a.end(), b.begin() + 1));
}

TEST(OrderFile, LinesAtTheirOffsets) {
    const OrderFile file = buildOrderFile(sampleDetails(TariffGroup::A));
    EXPECT_EQ(bytesAt(file, 0, 62), "Запрос на восстановление данных NTFS" + std::string(24, ' ') + "\r\n");
    EXPECT_EQ(bytesAt(file, 62, 62), "Пользователь.......Ivan" + std::string(37, ' ') + "\r\n");
    EXPECT_EQ(bytesAt(file, 124, 62), "Электронный адрес..ivan@example.com" + std::string(25, ' ') + "\r\n");
    EXPECT_EQ(bytesAt(file, 186, 79),
              "Тарифный план......Обычный A - восемнадцать рабочих часов   $20 или 1200 руб.\r\n");
    EXPECT_EQ(bytesAt(file, 265, 41), "Серийный номер.....  WD-12345678901234 \r\n");
    EXPECT_EQ(file[306], 'A');
    EXPECT_EQ(bytesAt(file, 2366, 52), std::string_view("Дата и время создания файла: 2026.03.07  09:05 \0\r\n\r\n", 52));
    // The last record index stays readable; everything after it is scrambled.
    EXPECT_EQ(platform::le32(file.data() + 818), 106399u);
    EXPECT_EQ(platform::le32(file.data() + 822), 8u ^ platform::le32(file.data() + 306));
}

TEST(OrderFile, DescramblingGivesTheGeometryBack) {
    for (TariffGroup group : {TariffGroup::A, TariffGroup::B}) {
        OrderFile file = buildOrderFile(sampleDetails(group));
        EXPECT_EQ(file[306], static_cast<std::uint8_t>(group));
        const recovery::AnalysisGeometry geometry = readOrderGeometry(file);
        EXPECT_EQ(geometry.lastRecordIndex, 106399u);
        EXPECT_EQ(geometry.sectorsPerCluster, 8u);
        EXPECT_EQ(geometry.volumeStartLba, 63u);
        EXPECT_EQ(geometry.runTable[1].startLba, 16000063u);
        EXPECT_EQ(geometry.runTable[99].startLba, 0xFFFFFFFFu);
        EXPECT_EQ(geometry.runTable[2].startLba, 0u);
        // Unscrambled, bytes 2,030 to 2,365 are zero: scrambled, they are the key block's tail.
        scrambleGeometry(file);
        EXPECT_TRUE(std::all_of(file.begin() + 2030, file.begin() + 2366, [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(platform::le32(file.data() + 830 + 12), 102400u);
    }
}

TEST(OrderFile, MaskedDiskOrdersGroupB) {
    disk::SectorMaskTable masks;
    std::array<std::uint8_t, disk::kSectorMaskSize> mask{};
    mask[0] = 0x5A;
    masks.store('1', mask);
    EXPECT_EQ(tariffGroupOf(masks, '1'), TariffGroup::B);
    EXPECT_EQ(tariffGroupOf(masks, '0'), TariffGroup::A);
}

TEST(OrderFile, TariffRowsOfBothGroupsAndLanguages) {
    EXPECT_EQ(tariffRow(TariffGroup::A, 1).english, "Economy A - twenty-four working hours    $14  or  800 rub.");
    EXPECT_EQ(tariffRow(TariffGroup::A, 1).russian, "Эконом  A - двадцать четыре рабочих часа $14 или  800 руб.");
    EXPECT_EQ(tariffRow(TariffGroup::B, 4).english, "Extra   B - two working hours            $44  or 2600 rub.");
    EXPECT_EQ(tariffRow(TariffGroup::B, 3).english, "Quick   B - twelve working hours         $36  or 2100 rub.");
}

}  // namespace
}  // namespace quenzar::online
