// The recovery order file "QuenzarSalvage.bin": who orders, which tariff, which disk, and the
// geometry of the last analysis scrambled with a key block of pseudo-random words. The laboratory
// descrambles the geometry with the key block the file carries.
//
//   offset  length  content
//        0      62  heading line, CR LF
//       62      62  "Пользователь......." + name (40) + blank, CR LF
//      124      62  "Электронный адрес.." + e-mail (40) + blank, CR LF
//      186      79  "Тарифный план......" + tariff row (58), CR LF
//      265      41  "Серийный номер....." + serial number of the disk (20), CR LF
//      306     512  order key block: "A" (disk without a sector mask) or "B", then key words
//      818    1548  geometry: last record index, then from 822 (scrambled, 1,536 bytes)
//                   sectors per cluster, volume start LBA, the 1,200-byte run table, zeros
//     2366      52  "Дата и время создания файла: " + date (18) + zero byte, CR LF CR LF
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "disk/sector_mask.h"
#include "recovery/mft_runs.h"
#include "text/language.h"

namespace quenzar::online {

inline constexpr std::size_t kOrderFileBytes = 2418;
inline constexpr std::size_t kKeyBlockOffset = 306;
inline constexpr std::size_t kKeyBlockBytes = 512;
inline constexpr std::size_t kGeometryOffset = 818;
inline constexpr std::size_t kScrambledOffset = 822;
inline constexpr std::size_t kScrambledBytes = 3 * kKeyBlockBytes;
inline constexpr std::size_t kDateLineOffset = 2366;
inline constexpr std::size_t kTariffRowChars = 58;
inline constexpr std::size_t kPersonFieldChars = 40;  // name and e-mail in the text lines

inline constexpr std::string_view kOrderFileName = "QuenzarSalvage.bin";

using OrderFile = std::array<std::uint8_t, kOrderFileBytes>;
using KeyBlock = std::array<std::uint8_t, kKeyBlockBytes>;

// Group A tariffs for disks without a sector mask, group B (dearer) for masked disks.
enum class TariffGroup : char { A = 'A', B = 'B' };

// The group of the disk being recovered: B when it carries a sector mask.
TariffGroup tariffGroupOf(const disk::SectorMaskTable& masks, char diskNumber);

// The row of tariff 1..4 of a group (58 characters), as the form lists it and the file stores it.
text::TextPair tariffRow(TariffGroup group, int tariff);

// The key block: 128 words of the generator x = x * 0x64D54 + 0x846CB (mod 2^32) with the two
// 16-bit halves of x swapped after each step, stored little-endian; then the first byte becomes
// the group letter.
KeyBlock makeKeyBlock(std::uint32_t seed, TariffGroup group);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// What the order file is built from; texts in code page 1251.
struct OrderDetails {
    std::string_view name;
    std::string_view email;
    std::string_view tariffRow;         // 58 characters, in the interface language
    std::string_view serialNumber;      // 20 characters of the disk being recovered
    KeyBlock keyBlock{};
    LocalTime created;
    recovery::AnalysisGeometry geometry;
};

// The whole file, its geometry already scrambled.
OrderFile buildOrderFile(const OrderDetails& details);

// XOR of the 1,536 bytes from offset 822 with the key block, three times over; applying it twice
// gives back the original, so it both scrambles and descrambles.
void scrambleGeometry(std::span<std::uint8_t, kOrderFileBytes> file);

// The geometry of an order file, descrambled (the file itself is left as it is).
recovery::AnalysisGeometry readOrderGeometry(std::span<const std::uint8_t, kOrderFileBytes> file);

}  // namespace quenzar::online
