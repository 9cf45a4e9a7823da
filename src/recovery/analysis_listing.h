// The analytical listing of one analysis, written on request after the file table is made.
#pragma once

#include <filesystem>

#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "text/language.h"

namespace quenzar::recovery {

// Writes "QuenzarSalvage.txt" (or `file`) for `result`: one line for every entry the extraction
// kept, in MFT order. A name that fills the table's 63 bytes is read whole from its FILE record on
// disk `diskNumber` again (unmasked as every read), so the listing shows names the table cuts.
// Returns None when everything was written, else the problem (a link in the file's place is
// refused, see writeListing); a listing cut short is removed.
platform::WriteProblem writeAnalysisListing(platform::DiskSystem& disks, char diskNumber, const AnalysisResult& result,
                                           const std::filesystem::path& file, text::Language language);

}  // namespace quenzar::recovery
