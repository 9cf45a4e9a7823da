#include "recovery/generations.h"

namespace quenzar::recovery {

bool noteMftRecord(GenerationState& state, const ntfs::FileRecordInfo& record) {
    if (record.ownNumber != 0 && record.ownNumber != ntfs::kNoOwnNumber) return false;
    if (record.created == state.lastMftCreated) return false;
    state.lastMftCreated = record.created;
    if (state.generation < '9') ++state.generation;
    return true;
}

}  // namespace quenzar::recovery
