// A sector's place in a disk's cylinder/head/sector geometry.
#pragma once

#include <cstdint>

namespace quenzar::disk {

// Cylinder, head and sector of an LBA in a disk's geometry.
struct ChsAddress {
    std::uint32_t cylinder = 0;
    std::uint32_t head = 0;
    std::uint32_t sector = 0;

    friend bool operator==(const ChsAddress&, const ChsAddress&) = default;
};

}  // namespace quenzar::disk
