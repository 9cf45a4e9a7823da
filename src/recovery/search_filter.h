// Which files an analysis keeps: by extension (a fixed catalogue plus four extensions of the
// user's own), by the first characters of the name, or all files without the system ones; in use,
// deleted, or both. The filter dialogs fill one SearchFilter; the analysis asks fileMatchesFilter
// for every decoded file record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ntfs/file_record.h"

namespace quenzar::recovery {

// Three characters, capitals, a two-letter extension ending in a blank.
using Extension = std::array<char, 3>;

inline constexpr std::size_t kCatalogueExtensionCount = 25;
inline constexpr std::size_t kUserExtensionCount = 4;
inline constexpr std::size_t kNamePrefixCount = 3;
inline constexpr std::size_t kNamePrefixMaxChars = 255;
inline constexpr std::size_t kSystemExtensionCount = 112;

// The catalogue in the order the filter compares it; the boxes 1501 to 1525 of the filter
// dialogs follow the same order.
extern const std::array<Extension, kCatalogueExtensionCount> kCatalogueExtensions;
// System and program files, left out when all extensions are searched and noSystemFiles is on.
extern const std::array<Extension, kSystemExtensionCount> kSystemExtensions;

struct UserExtension {
    std::uint8_t on = 0;
    Extension ext{' ', ' ', ' '};
};

struct NamePrefix {
    std::uint8_t on = 0;
    char text[kNamePrefixMaxChars + 1] = {};  // zero-terminated
};

// Each flag is one byte, 1 = on. The defaults are those of a fresh program start.
struct SearchFilter {
    // DOC RTF XLS MDB PPT, ARJ RAR ZIP and JPG on; the rest off.
    std::array<std::uint8_t, kCatalogueExtensionCount> extensionOn{
        1, 1, 1, 1, 1,           // DOC RTF XLS MDB PPT
        1, 1, 1,                 // ARJ RAR ZIP
        0, 0,                    // DBX PST
        0, 0, 0, 0, 0, 0, 0,     // PSD AI CDR DWG PLA PDF PGD
        0, 0,                    // GIF TIF
        1,                       // JPG
        0, 0, 0,                 // AVI MP3 WAW
        0, 0};                   // NEF CR2
    std::array<UserExtension, kUserExtensionCount> userExt{};
    std::uint8_t allExtensions = 0;  // the extension filter is off
    std::uint8_t noSystemFiles = 1;
    std::array<NamePrefix, kNamePrefixCount> prefix{};
    std::uint8_t allNames = 1;       // the name filter is off
    std::uint8_t searchExisting = 1;
    std::uint8_t searchDeleted = 0;
    std::uint8_t writeListing = 0;
    char driveLetter = 0;            // the filter dialog of a logical drive only; 0 while none
};

// The filter that keeps every file, in use and deleted, the system's own ones too: what an
// analysis for a restore of files chosen by path, folder or name takes.
SearchFilter everyFileFilter();

// A user extension as typed: the first three characters, each from ":" upwards with bit 5
// cleared (capitals, also for the Cyrillic letters of code page 1251), missing ones as blanks.
Extension normaliseUserExtension(std::string_view typed);

// Keeps the first 255 characters of the typed prefix.
void setNamePrefix(NamePrefix& prefix, std::string_view typed);

bool isSystemExtension(const Extension& ext);

// Whether the file record just decoded is kept; the first rule that applies decides:
// the $MFT record itself, the in-use/deleted choice, the extension filter, the name filter,
// the system-files rule. Folders are never passed here.
bool fileMatchesFilter(const SearchFilter& filter, const ntfs::FileRecordInfo& record);

}  // namespace quenzar::recovery
