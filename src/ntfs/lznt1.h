// LZNT1, the compression of NTFS compressed files. A compressed attribute is cut into compression
// units of 16 clusters (2^4, the unit size its header gives at 22h). A unit whose clusters are all
// on the disk is stored as it is; a unit with no clusters is zeros; a unit of which only the first
// clusters are on the disk (the rest sparse) holds LZNT1 data in them, which decompresses to the
// whole unit.
//
// LZNT1 data is a sequence of chunks, each decompressing to at most 4,096 bytes:
//   header (16 bits): bits 0-11 the chunk's size after the header minus 1, bits 12-14 the
//                     signature 3, bit 15 set when the chunk is compressed; a header 0 ends the data
//   uncompressed chunk: its bytes as they are
//   compressed chunk:   groups of a flag byte and eight items; flag bit 0 (lowest first) a literal
//                       byte, bit 1 a 16-bit copy token: a distance back and a length of 3 or more,
//                       the distance taking the more bits the further the chunk has come
// A chunk that gives less than 4,096 bytes is zeros to its end; the next one starts 4,096 bytes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quenzar::ntfs {

inline constexpr std::size_t kLznt1ChunkBytes = 4096;

struct Lznt1Result {
    bool good = false;         // the data decoded to its end without a fault
    std::size_t produced = 0;  // bytes written into the output
};

// Decompresses LZNT1 data into `output`, never writing past it nor reading past `input`. Stops at
// the closing header, at the input's end, or when the output is full; `produced` counts whole
// chunks (a short one with its zeros). A fault (a chunk that runs
// past the input, a copy from before the chunk's start, a chunk of more than 4,096 bytes) ends
// the decoding with good = false; what was produced before it stays.
Lznt1Result decompressLznt1(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

}  // namespace quenzar::ntfs
