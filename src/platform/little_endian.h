// Little-endian values at byte offsets of on-disk records (partition tables, boot sectors, FILE
// records). Records are read field by field at named offsets, never by casting structs onto
// buffers, so alignment and the host's byte order never matter.
#pragma once

#include <cstdint>

namespace quenzar::platform {

inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

inline std::uint64_t le64(const std::uint8_t* p) { return le32(p) | std::uint64_t{le32(p + 4)} << 32; }

inline void putLe16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putLe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace quenzar::platform
