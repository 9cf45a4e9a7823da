#include "disk/sector_mask.h"

#include <algorithm>
#include <cstring>

namespace quenzar::disk {
namespace {

std::uint32_t wordAt(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

bool isZeroBlock(const std::uint8_t* block) {
    return std::all_of(block, block + kSectorMaskSize, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

std::optional<std::size_t> SectorMaskTable::slotIndex(char diskNumber) {
    if (diskNumber < '0' || diskNumber > '8') return std::nullopt;
    return static_cast<std::size_t>(diskNumber - '0');
}

void SectorMaskTable::store(char diskNumber, std::span<const std::uint8_t, kSectorMaskSize> lba57) {
    if (const auto slot = slotIndex(diskNumber)) std::copy(lba57.begin(), lba57.end(), slots_[*slot].begin());
}

void SectorMaskTable::clear(char diskNumber) {
    if (const auto slot = slotIndex(diskNumber)) slots_[*slot].fill(0);
}

bool SectorMaskTable::hasMask(char diskNumber) const { return maskOf(diskNumber) != nullptr; }

const SectorMaskTable::Mask* SectorMaskTable::maskOf(char diskNumber) const {
    const auto slot = slotIndex(diskNumber);
    if (!slot) return nullptr;
    const Mask& mask = slots_[*slot];
    // Only the first word decides: a mask sector may legitimately hold zeros further on.
    return wordAt(mask.data()) == 0 ? nullptr : &mask;
}

void ApplySectorMask(const SectorMaskTable& masks, std::span<std::uint8_t> buffer, char diskNumber) {
    const SectorMaskTable::Mask* mask = masks.maskOf(diskNumber);
    if (mask == nullptr) return;
    const std::size_t blockCount = buffer.size() / kSectorMaskSize;
    for (std::size_t block = 0; block < blockCount; ++block) {
        std::uint8_t* data = buffer.data() + block * kSectorMaskSize;
        if (isZeroBlock(data)) continue;  // empty sectors were never masked
        for (std::size_t i = 0; i < kSectorMaskSize; ++i) data[i] ^= (*mask)[i];
    }
}

}  // namespace quenzar::disk
