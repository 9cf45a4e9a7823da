// The choices of the filter dialogs while a person makes them: every box and edit of the dialog,
// the rules that link the boxes (checking a catalogue box clears "all extensions", checking a
// prefix box clears "all names", ...), the drive letter of the logical-drive dialog, and the
// SearchFilter that Apply makes of them. The dialog window only mirrors this state on screen.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "disk/inventory_records.h"
#include "recovery/search_filter.h"

namespace quenzar::recovery {

// Which of the two dialogs: the logical drive asks for its letter, the virtual disk does not.
enum class FilterDialogKind { LogicalDrive, VirtualDisk };

// A box of the dialog; `index` tells catalogue entries, user extensions and prefixes apart.
enum class FilterBoxKind {
    Catalogue,      // 0..24, in the catalogue's order
    UserExtension,  // 0..3
    NamePrefix,     // 0..2
    AllExtensions,
    NoSystemFiles,
    AllNames,
    SearchExisting,
    SearchDeleted,
    WriteListing,
};
struct FilterBox {
    FilterBoxKind kind;
    std::size_t index = 0;
};

// An edit that the last click asks to be focused.
struct FilterEdit {
    FilterBoxKind kind;  // UserExtension or NamePrefix
    std::size_t index = 0;
};

// What the dialog shows. Texts are code page 1251.
struct FilterChoices {
    FilterDialogKind kind = FilterDialogKind::LogicalDrive;
    std::array<bool, kCatalogueExtensionCount> catalogue{};
    std::array<bool, kUserExtensionCount> userExtensionOn{};
    std::array<std::string, kUserExtensionCount> userExtensionText;
    std::array<bool, kUserExtensionCount> userExtensionEditEnabled{};
    bool allExtensions = false;
    bool noSystemFiles = false;
    std::array<bool, kNamePrefixCount> prefixOn{};
    std::array<std::string, kNamePrefixCount> prefixText;
    std::array<bool, kNamePrefixCount> prefixEditEnabled{};
    bool allNames = false;
    bool searchExisting = false;
    bool searchDeleted = false;
    bool writeListing = false;
    // The logical-drive dialog: the letter accepted (a capital), 0 while none is.
    char driveLetter = 0;
    bool applyEnabled = false;

    bool checked(FilterBox box) const;
};

// The dialog as it opens: every box and edit from the filter, the edits disabled; Apply disabled
// until a drive is named in the logical-drive dialog, enabled from the start in the other.
FilterChoices openFilterChoices(const SearchFilter& filter, FilterDialogKind kind);

// A click that left `box` checked or not, with the rules that follow from it. Returns the edit to
// focus, if the click enabled one.
std::optional<FilterEdit> clickFilterBox(FilterChoices& choices, FilterBox box, bool nowChecked);

// Typed text of an edit, kept as the dialog shows it (the edits limit their own lengths).
void setFilterEditText(FilterChoices& choices, FilterEdit edit, std::string_view text);

// The drive letter field changed. Its first character decides: a letter C to Z of an NTFS drive
// of the inventory is accepted and enables Apply; a letter without such a drive is refused (the
// caller shows the wrong-drive message) and disables Apply; anything else (an empty field, a
// digit, a sign, A or B) names no drive and disables Apply without a message.
enum class DriveLetterVerdict { Accepted, NotNtfs, NoLetter };
DriveLetterVerdict changeDriveLetter(FilterChoices& choices, std::string_view text,
                                     const disk::InventoryState& inventory);

// Apply: the filter the choices make, the drive letter included. User extensions are kept as
// three capitals or blanks, prefixes as at most 255 characters.
SearchFilter appliedFilter(const FilterChoices& choices);

// The tree window's title for a logical drive: "The directory tree logical disk  :" with the
// letter in place of the blank before the colon, in the language.
std::string logicalDriveTreeTitle(char driveLetter, text::Language language);

}  // namespace quenzar::recovery
