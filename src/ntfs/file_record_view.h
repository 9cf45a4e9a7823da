// The text blocks of the FILE record view: a column of 17 labels with their values, the rest of a
// long name, the integrity text of a broken record and, below, the table of the file's fragments
// or a character dump of its resident data. All texts are English in both interface languages and
// 8-bit (code page 1251); lines are separated by LF CR, in this order.
//
// The blocks are built from a decoded record only when the view is painted, so that decoding the
// records of a whole MFT pays nothing for texts it never shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ntfs/file_record.h"

namespace quenzar::ntfs {

inline constexpr std::string_view kViewLineEnd = "\n\r";

inline constexpr std::size_t kLabelWidth = 24;
inline constexpr std::size_t kValueLineCount = 17;
inline constexpr std::size_t kValueWidth = 24;
inline constexpr std::size_t kLongNameValueWidth = 70;      // the last value line
inline constexpr std::size_t kLongNameRestWidth = 103;      // two lines of 100 name characters
inline constexpr std::size_t kLongNameRestChars = 100;
inline constexpr std::size_t kDetailWidth = 87;             // fragment table and resident dump
inline constexpr std::size_t kDetailLineCount = 6;
inline constexpr std::size_t kFragmentCellsPerLine = 4;
inline constexpr std::size_t kFragmentsShown = kFragmentCellsPerLine * kDetailLineCount;  // 24
inline constexpr std::size_t kResidentBytesShown = 522;

// The integrity texts stand in 15 slots of 49 bytes: the text, blanks up to 48 characters, NUL.
inline constexpr std::size_t kIntegritySlotBytes = 49;
using IntegrityTextSlots = std::array<std::array<char, kIntegritySlotBytes>, kIntegrityCodeCount>;
const IntegrityTextSlots& integrityTextSlots();

// The text of an integrity code as it stands, without the slot's padding; empty for 0 and for
// numbers that are no code.
std::string_view integrityText(std::uint32_t code);
// The 48 characters of a code's slot (the text and its padding); empty for 0 and non-codes.
std::string_view integritySlot(std::uint32_t code);

// What stands below the value column.
enum class FileRecordDetail {
    None,          // a broken record, a folder, or a file of allocated size 0
    Fragments,     // non-resident $DATA: fragment heading and table
    ResidentData,  // resident $DATA: resident heading and dump
};

struct FileRecordView {
    std::string labels;            // 17 lines of 24 characters
    std::string values;            // 16 lines of 24 characters, then one of 70
    std::string longNameRest;      // 2 lines of 103 characters: long name characters 70..269
    std::string_view integrity;    // the slot of the integrity code; empty for a good record
    FileRecordDetail detail = FileRecordDetail::None;
    std::string_view detailHeading;  // 2 lines for fragments, 1 line for resident data
    std::string detailBody;          // 6 lines of 87 characters
};

// Builds the view of the last decode. The resident dump reads the caller's record buffer through
// info.residentData, so that buffer must still hold the decoded record.
FileRecordView buildFileRecordView(const FileRecordInfo& info);

}  // namespace quenzar::ntfs
