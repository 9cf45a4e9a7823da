// The per-disk sector mask: 512 bytes kept at LBA 57 by whatever tool masked the disk, XOR-ed over
// every non-empty 512-byte block read beyond the disk's first 63 sectors.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quenzar::disk {

inline constexpr std::uint64_t kSectorMaskLba = 57;
inline constexpr std::uint64_t kSectorMaskByteOffset = kSectorMaskLba * 512;  // 29,184
inline constexpr std::size_t kSectorMaskSize = 512;
// Reads starting here or later are unmasked; the first 63 sectors (the partition gap) never are.
inline constexpr std::uint64_t kMaskGapEndByte = 63 * 512;  // 32,256

// Nine slots, for disk numbers "0" to "8". A slot whose first 32-bit word is zero means "no mask".
class SectorMaskTable {
public:
    using Mask = std::array<std::uint8_t, kSectorMaskSize>;

    // The slot of a disk number, or nothing for a character outside "0".."8".
    static std::optional<std::size_t> slotIndex(char diskNumber);

    // Keeps the contents of a disk's LBA 57 (as read at its identification).
    void store(char diskNumber, std::span<const std::uint8_t, kSectorMaskSize> lba57);
    void clear(char diskNumber);

    bool hasMask(char diskNumber) const;
    // The mask of a disk that has one, else null.
    const Mask* maskOf(char diskNumber) const;

private:
    std::array<Mask, 9> slots_{};
};

// True when a read starting at this byte offset must be unmasked.
constexpr bool startsBeyondMaskGap(std::uint64_t startByteOffset) {
    return startByteOffset >= kMaskGapEndByte;
}

// Unmasks data read from a disk: each 512-byte block that is not all zeros is XOR-ed with the
// disk's mask. Leaves the buffer unchanged when the disk has no mask or the buffer is shorter
// than one block; a trailing part shorter than a block is left as it is.
void ApplySectorMask(const SectorMaskTable& masks, std::span<std::uint8_t> buffer, char diskNumber);

}  // namespace quenzar::disk
