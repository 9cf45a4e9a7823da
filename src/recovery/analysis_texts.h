// The texts an analysis shows: the stage line of its progress window and its message boxes,
// each in Russian (code page 1251) and English.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/language.h"
#include "disk/inventory_records.h"
#include "recovery/file_statistics.h"

namespace quenzar::recovery {

enum class AnalysisStage : unsigned { Idle, Reading, Extraction, Tree, Finished };

// How an analysis ended.
enum class AnalysisOutcome : unsigned {
    Completed,
    DriveNotNtfs,          // the letter names no NTFS volume of the inventory
    VolumeNotOpened,       // the volume could not be opened for reading
    MftRecordUnreadable,   // the $MFT's own record did not arrive or failed the decoder's checks
    AttributeListInMft,    // the $MFT's own record holds an ATTRIBUTE_LIST
    BeyondLbaLimit,        // the MFT lies beyond the 32-bit sector numbers of the file table
    WorkFileFailed,        // the work file could not be created or written
    NoFileMatched,         // no file passed the filter
    TableTooLarge,         // the file table did not fit in the memory the analysis may take
    Stopped,               // the person stopped it; nothing is left behind and nothing is shown
};

struct MessageText {
    std::string_view title;
    std::string_view text;
};

// The 34-character stage line; blanks for the stages without one.
std::string_view stageText(AnalysisStage stage, text::Language language);

// The message box of an outcome other than Completed (empty texts for Completed).
MessageText analysisMessage(AnalysisOutcome outcome, text::Language language);

// The note on a $MFT record that claims more records than its allocated size, its runs and the
// volume hold: how many it claims and how many were read. Empty when it claims no more.
std::string mftClaimText(std::uint64_t claimedRecords, std::uint64_t recordsRead, text::Language language);
// The title of the warning box that shows that note before the tree window.
std::string_view mftClaimTitle(text::Language language);

// The line that names a FILE record the analysis could not read: its number, its LBA where a run
// of the MFT holds it, and its path where a folder's index still names it ("FILE record 1234 (LBA
// 567890) could not be read: Documents/report.doc"). Code page 1251, without a line end.
std::string unreadableRecordText(const UnreadableRecord& record, text::Language language);

}  // namespace quenzar::recovery
