#include "ntfs/lznt1.h"

#include <algorithm>

namespace quenzar::ntfs {

namespace {

// Decompresses one compressed chunk into `out` (at most one chunk's bytes); the bytes written, or
// nothing on a fault.
bool decompressChunk(std::span<const std::uint8_t> chunk, std::span<std::uint8_t> out, std::size_t& written) {
    written = 0;
    std::size_t in = 0;
    while (in < chunk.size()) {
        const std::uint8_t flags = chunk[in++];
        for (int bit = 0; bit < 8 && in < chunk.size(); ++bit) {
            if ((flags & (1u << bit)) == 0) {
                if (written >= out.size()) return false;
                out[written++] = chunk[in++];
                continue;
            }
            if (in + 2 > chunk.size()) return false;
            const unsigned token = chunk[in] | (chunk[in + 1] << 8);
            in += 2;
            // The further the chunk has come, the more bits the distance takes: 4 at its start,
            // up to 12 after 2,048 bytes.
            unsigned lengthBits = 12;
            for (std::size_t position = written - 1; written > 0 && position >= 0x10; position >>= 1) --lengthBits;
            const std::size_t distance = (token >> lengthBits) + 1;
            const std::size_t length = (token & ((1u << lengthBits) - 1)) + 3;
            if (distance > written || length > out.size() - written) return false;
            // The source may overlap what is being written: a run of repeated bytes.
            for (std::size_t k = 0; k < length; ++k, ++written) out[written] = out[written - distance];
        }
    }
    return true;
}

}  // namespace

Lznt1Result decompressLznt1(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    Lznt1Result result;
    std::size_t in = 0;
    while (result.produced < output.size()) {
        if (in + 2 > input.size()) {
            result.good = true;  // the unit's clusters end without a closing header
            return result;
        }
        const unsigned header = input[in] | (input[in + 1] << 8);
        if (header == 0) {
            result.good = true;
            return result;
        }
        const std::size_t size = (header & 0x0FFF) + 1;
        in += 2;
        if (size > input.size() - in) return result;
        const std::span<const std::uint8_t> chunk = input.subspan(in, size);
        in += size;
        const std::span<std::uint8_t> out =
            output.subspan(result.produced, std::min(kLznt1ChunkBytes, output.size() - result.produced));
        std::size_t written = 0;
        if ((header & 0x8000) != 0) {
            if (!decompressChunk(chunk, out, written)) return result;
        } else {
            // Stored as it is.
            if (chunk.size() > kLznt1ChunkBytes) return result;
            written = std::min(chunk.size(), out.size());
            std::copy_n(chunk.begin(), written, out.begin());
        }
        // A chunk that decompresses to less than a whole chunk is zeros to its end: the next
        // chunk begins at the next 4,096 bytes.
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(written), out.end(), 0);
        result.produced += out.size();
    }
    result.good = true;
    return result;
}

}  // namespace quenzar::ntfs
