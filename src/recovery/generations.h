// Volume generations: every formatting of an area leaves a $MFT record of its own, and the
// records that follow one belong to that formatting. The generation character tells them apart,
// so folders and parents of two formattings are never mixed.
#pragma once

#include <cstdint>

#include "ntfs/file_record.h"

namespace quenzar::recovery {

// Lives for the whole program run: a second analysis goes on counting from the first.
struct GenerationState {
    char generation = '0';
    std::uint64_t lastMftCreated = 0;  // creation time of the last $MFT that opened a generation
};

// Called for every decoded file record named exactly "$MFT". It opens a new generation when the
// record is the $MFT's own (own number 0, or none in the older layout) and its creation time
// differs from the one remembered; a creation time of 0, as some formatters write it, therefore
// opens none at a program start. The generation stays at "9" once there. Returns whether a
// generation was opened.
bool noteMftRecord(GenerationState& state, const ntfs::FileRecordInfo& record);

}  // namespace quenzar::recovery
