// The paired texts of the application shell and the text slots of the current language.
//
// Every text exists in Russian and in English, as code page 1251 bytes. The slots below always
// hold the texts of the current language; the screens, the window title and the status bar read
// them when they are drawn. Portable: no operating-system header.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/language.h"

namespace quenzar::app::texts {

enum class TextId {
    Title,
    Slogan,
    About,
    Service,
    Contact,
    FolderLabel,
    // Start-up refusals: a Windows that is not NT, and the four messages of missing rights (short
    // for the older Windows, long with the "Run as administrator" steps for major version 6).
    WrongSystemCaption,
    WrongSystemText,
    RightsShortCaption,
    RightsShortText,
    RightsLongCaption,
    RightsLongText,
};

struct PairedText {
    TextId id;
    text::TextPair text;
};

// The text of an identifier in a language.
std::string_view pairedText(TextId id, text::Language language);

// Every pair, for checks that walk them all.
const PairedText* pairedTextsBegin();
const PairedText* pairedTextsEnd();

// The folder label is exactly 20 characters; the program folder follows it directly.
inline constexpr std::size_t kFolderLabelChars = 20;
// The disk screen heading: three lines of 124, 124 and 123 characters joined by CR LF.
inline constexpr std::size_t kDiskHeaderChars = 375;

// The shared slots of the current language.
struct ShellTexts {
    text::Language uiLanguage = text::Language::English;
    std::string_view titleText;
    std::string_view sloganText;
    std::string_view aboutText;
    std::string_view serviceText;
    std::string_view contactText;
    std::array<char, kFolderLabelChars> folderLabel{};
    std::array<char, kDiskHeaderChars> diskHeaderText{};

    std::string_view folderLabelText() const { return {folderLabel.data(), folderLabel.size()}; }
    std::string_view diskHeader() const { return {diskHeaderText.data(), diskHeaderText.size()}; }
};

// Make the language current: the marker, the screen texts, the folder label and the heading.
// The title follows with selectTitle.
void selectRussianTexts(ShellTexts& texts);
void selectEnglishTexts(ShellTexts& texts);
void selectTexts(ShellTexts& texts, text::Language language);
void selectTitle(ShellTexts& texts);

// The rights message for a language and a Windows class ("7" for major version 6, "X" else):
// caption and text.
struct MessageText {
    std::string_view caption;
    std::string_view text;
};
MessageText rightsMessage(text::Language language, char osClass);
// The refusal of a Windows that is not NT, English whatever the language.
MessageText wrongSystemMessage();

// The note on the disk screen beside a disk whose sectors are not of 512 bytes ("Sector 4096 B"),
// for the blank columns of its block's second line between the serial number and the partition
// cells: the LBAs and capacities of the block count those sectors. Empty for a disk of 512-byte
// sectors and for one that tells no size.
inline constexpr std::size_t kDiskSectorNoteColumn = 36;
std::string diskSectorSizeNote(std::uint32_t bytesPerSector, text::Language language);

}  // namespace quenzar::app::texts
