#include "recovery/filter_choices.h"

#include <cstring>

namespace quenzar::recovery {
namespace {

std::string extensionText(const Extension& ext) {
    std::string text(ext.begin(), ext.end());
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void clearUserExtension(FilterChoices& choices, std::size_t i) {
    choices.userExtensionOn[i] = false;
    choices.userExtensionText[i].clear();
    choices.userExtensionEditEnabled[i] = false;
}

void clearPrefix(FilterChoices& choices, std::size_t i) {
    choices.prefixOn[i] = false;
    choices.prefixText[i].clear();
    choices.prefixEditEnabled[i] = false;
}

bool isNtfsDrive(const disk::LogicalDriveInfo& drive) {
    return drive.fileSystem() == disk::FileSystem::Ntfs && drive.sectorsPerCluster != 0;
}

}  // namespace

bool FilterChoices::checked(FilterBox box) const {
    switch (box.kind) {
        case FilterBoxKind::Catalogue: return catalogue[box.index];
        case FilterBoxKind::UserExtension: return userExtensionOn[box.index];
        case FilterBoxKind::NamePrefix: return prefixOn[box.index];
        case FilterBoxKind::AllExtensions: return allExtensions;
        case FilterBoxKind::NoSystemFiles: return noSystemFiles;
        case FilterBoxKind::AllNames: return allNames;
        case FilterBoxKind::SearchExisting: return searchExisting;
        case FilterBoxKind::SearchDeleted: return searchDeleted;
        case FilterBoxKind::WriteListing: return writeListing;
    }
    return false;
}

FilterChoices openFilterChoices(const SearchFilter& filter, FilterDialogKind kind) {
    FilterChoices choices;
    choices.kind = kind;
    for (std::size_t i = 0; i < kCatalogueExtensionCount; ++i) choices.catalogue[i] = filter.extensionOn[i] != 0;
    for (std::size_t i = 0; i < kUserExtensionCount; ++i) {
        choices.userExtensionOn[i] = filter.userExt[i].on != 0;
        choices.userExtensionText[i] = extensionText(filter.userExt[i].ext);
    }
    choices.allExtensions = filter.allExtensions != 0;
    choices.noSystemFiles = filter.noSystemFiles != 0;
    for (std::size_t i = 0; i < kNamePrefixCount; ++i) {
        choices.prefixOn[i] = filter.prefix[i].on != 0;
        choices.prefixText[i] = std::string(filter.prefix[i].text, strnlen(filter.prefix[i].text, kNamePrefixMaxChars));
    }
    choices.allNames = filter.allNames != 0;
    choices.searchExisting = filter.searchExisting != 0;
    choices.searchDeleted = filter.searchDeleted != 0;
    choices.writeListing = filter.writeListing != 0;
    // The letter is asked anew every time: the drives may have changed since the last analysis.
    choices.driveLetter = 0;
    choices.applyEnabled = kind == FilterDialogKind::VirtualDisk;
    return choices;
}

std::optional<FilterEdit> clickFilterBox(FilterChoices& choices, FilterBox box, bool nowChecked) {
    const std::size_t i = box.index;
    switch (box.kind) {
        case FilterBoxKind::Catalogue:
            choices.catalogue[i] = nowChecked;
            if (nowChecked) choices.allExtensions = false;
            return std::nullopt;
        case FilterBoxKind::UserExtension:
            if (!nowChecked) {
                clearUserExtension(choices, i);
                return std::nullopt;
            }
            choices.userExtensionOn[i] = true;
            choices.allExtensions = false;
            choices.userExtensionEditEnabled[i] = true;
            return FilterEdit{FilterBoxKind::UserExtension, i};
        case FilterBoxKind::NamePrefix:
            if (!nowChecked) {
                clearPrefix(choices, i);
                return std::nullopt;
            }
            choices.prefixOn[i] = true;
            choices.allNames = false;
            choices.prefixEditEnabled[i] = true;
            return FilterEdit{FilterBoxKind::NamePrefix, i};
        case FilterBoxKind::AllExtensions:
            choices.allExtensions = nowChecked;
            if (nowChecked) {
                choices.noSystemFiles = true;
                choices.catalogue.fill(false);
                for (std::size_t u = 0; u < kUserExtensionCount; ++u) clearUserExtension(choices, u);
            }
            return std::nullopt;
        case FilterBoxKind::AllNames:
            choices.allNames = nowChecked;
            if (nowChecked) {
                for (std::size_t p = 0; p < kNamePrefixCount; ++p) clearPrefix(choices, p);
            }
            return std::nullopt;
        case FilterBoxKind::NoSystemFiles: choices.noSystemFiles = nowChecked; return std::nullopt;
        case FilterBoxKind::SearchExisting: choices.searchExisting = nowChecked; return std::nullopt;
        case FilterBoxKind::SearchDeleted: choices.searchDeleted = nowChecked; return std::nullopt;
        case FilterBoxKind::WriteListing: choices.writeListing = nowChecked; return std::nullopt;
    }
    return std::nullopt;
}

void setFilterEditText(FilterChoices& choices, FilterEdit edit, std::string_view text) {
    if (edit.kind == FilterBoxKind::UserExtension && edit.index < kUserExtensionCount) {
        choices.userExtensionText[edit.index] = std::string(text);
    } else if (edit.kind == FilterBoxKind::NamePrefix && edit.index < kNamePrefixCount) {
        choices.prefixText[edit.index] = std::string(text);
    }
}

DriveLetterVerdict changeDriveLetter(FilterChoices& choices, std::string_view text,
                                     const disk::InventoryState& inventory) {
    choices.driveLetter = 0;
    choices.applyEnabled = false;
    if (text.empty()) return DriveLetterVerdict::NoLetter;
    // Only the letters C to Z name drives. The rule "low five bits minus 3" alone would also take
    // "#" or "[" for a letter and analyse a drive the person never typed.
    const char typed = text[0];
    const char letter = typed >= 'a' && typed <= 'z' ? static_cast<char>(typed - 'a' + 'A') : typed;
    if (letter < disk::kFirstDriveLetter || letter > 'Z') return DriveLetterVerdict::NoLetter;
    if (!isNtfsDrive(inventory.drive(letter))) return DriveLetterVerdict::NotNtfs;
    choices.driveLetter = letter;
    choices.applyEnabled = true;
    return DriveLetterVerdict::Accepted;
}

SearchFilter appliedFilter(const FilterChoices& choices) {
    SearchFilter filter;
    for (std::size_t i = 0; i < kCatalogueExtensionCount; ++i) filter.extensionOn[i] = choices.catalogue[i] ? 1 : 0;
    for (std::size_t i = 0; i < kUserExtensionCount; ++i) {
        filter.userExt[i].on = choices.userExtensionOn[i] ? 1 : 0;
        filter.userExt[i].ext = normaliseUserExtension(choices.userExtensionText[i]);
    }
    filter.allExtensions = choices.allExtensions ? 1 : 0;
    filter.noSystemFiles = choices.noSystemFiles ? 1 : 0;
    for (std::size_t i = 0; i < kNamePrefixCount; ++i) {
        filter.prefix[i].on = choices.prefixOn[i] ? 1 : 0;
        setNamePrefix(filter.prefix[i], choices.prefixText[i]);
    }
    filter.allNames = choices.allNames ? 1 : 0;
    filter.searchExisting = choices.searchExisting ? 1 : 0;
    filter.searchDeleted = choices.searchDeleted ? 1 : 0;
    filter.writeListing = choices.writeListing ? 1 : 0;
    filter.driveLetter = choices.driveLetter;
    return filter;
}

std::string logicalDriveTreeTitle(char driveLetter, text::Language language) {
    constexpr text::TextPair kTitle{"Дерево каталогов логического диска  :", "The directory tree logical disk  :"};
    std::string title(kTitle.in(language));
    title[title.size() - 2] = driveLetter;
    return title;
}

}  // namespace quenzar::recovery
