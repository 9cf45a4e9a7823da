#include "viewer/adjustment.h"

#include <algorithm>
#include <string_view>

namespace quenzar::viewer {
namespace {

// Virtual-key codes as the keyboard sends them (the values are fixed by the keyboard interface).
constexpr std::uint8_t kBackspace = 0x08;
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kShift = 0x10;
constexpr std::uint8_t kControl = 0x11;
constexpr std::uint8_t kLeft = 0x25;
constexpr std::uint8_t kUp = 0x26;
constexpr std::uint8_t kRight = 0x27;
constexpr std::uint8_t kDown = 0x28;

// The characters of the keys 0-9, A-Z, BAh-C0h and DBh-DEh in one layout.
struct KeyLayout {
    std::string_view digits;       // keys 0 to 9
    std::string_view letters;      // keys A to Z
    std::string_view punctuation;  // keys BAh to C0h
    std::string_view brackets;     // keys DBh to DEh
};

constexpr KeyLayout kRussian{"0123456789", "фисвуапршолдьтщзйкыегмцчня", "ж=б-ю.ё", "х\\ъэ"};
constexpr KeyLayout kRussianShifted{")!\"№$%^?*(", "ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ", "Ж+Б_Ю,Ё", "Х/ЪЭ"};
constexpr KeyLayout kEnglish{"0123456789", "abcdefghijklmnopqrstuvwxyz", ";=,-./`", "[\\]'"};
constexpr KeyLayout kEnglishShifted{")!@#$%^&*(", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", ":+<_>?~", "{|}\""};

char hexDigitOf(std::uint8_t virtualKey) {
    if (virtualKey >= '0' && virtualKey <= '9') return static_cast<char>(virtualKey);
    if (virtualKey >= 'A' && virtualKey <= 'F') return static_cast<char>(virtualKey);
    return 0;
}

std::uint8_t nibble(char digit) {
    return static_cast<std::uint8_t>(digit <= '9' ? digit - '0' : digit - 'A' + 10);
}

void advance(AdjustmentState& adjustment) {
    if (adjustment.cursor < kLastSectorOffset) ++adjustment.cursor;
}

bool hexGridKey(ViewerState& viewer, AdjustmentState& adjustment, std::uint8_t virtualKey) {
    int& cursor = adjustment.cursor;
    switch (virtualKey) {
        case kLeft: if (cursor > 0) --cursor; adjustment.pendingNibble = false; return true;
        case kRight: if (cursor < kLastSectorOffset) ++cursor; adjustment.pendingNibble = false; return true;
        case kUp: if (cursor >= 16) cursor -= 16; adjustment.pendingNibble = false; return true;
        case kDown: if (cursor + 16 <= kLastSectorOffset) cursor += 16; adjustment.pendingNibble = false; return true;
        case kBackspace: adjustment.pendingNibble = false; return true;
        default: break;
    }
    const char digit = hexDigitOf(virtualKey);
    if (digit == 0) return false;
    if (!adjustment.pendingNibble) {
        adjustment.firstNibble = digit;
        adjustment.pendingNibble = true;
        return true;
    }
    viewer.editSector[static_cast<std::size_t>(cursor)] =
        static_cast<std::uint8_t>(nibble(adjustment.firstNibble) << 4 | nibble(digit));
    adjustment.pendingNibble = false;
    advance(adjustment);
    return true;
}

}  // namespace

char keyboardChar(std::uint8_t virtualKey, bool russian, bool shifted) {
    const KeyLayout& layout = russian ? (shifted ? kRussianShifted : kRussian) : (shifted ? kEnglishShifted : kEnglish);
    if (virtualKey == 0x20) return ' ';
    if (virtualKey >= 0x30 && virtualKey <= 0x39) return layout.digits[virtualKey - 0x30u];
    if (virtualKey >= 0x41 && virtualKey <= 0x5A) return layout.letters[virtualKey - 0x41u];
    if (virtualKey >= 0xBA && virtualKey <= 0xC0) return layout.punctuation[virtualKey - 0xBAu];
    if (virtualKey >= 0xDB && virtualKey <= 0xDE) return layout.brackets[virtualKey - 0xDBu];
    return 0;
}

void startAdjustment(ViewerState& viewer, AdjustmentState& adjustment) {
    const auto sector = viewer.shownPage();
    std::copy(sector.begin(), sector.end(), viewer.editSector.begin());
    adjustment = AdjustmentState{};
    viewer.adjustmentOn = true;
}

void cancelAdjustment(ViewerState& viewer, AdjustmentState& adjustment) {
    const auto sector = viewer.shownPage();
    std::copy(sector.begin(), sector.end(), viewer.editSector.begin());
    adjustment.pendingNibble = false;
    viewer.adjustmentOn = false;
}

bool applyAdjustmentKey(ViewerState& viewer, AdjustmentState& adjustment, std::uint8_t virtualKey) {
    if (!viewer.adjustmentOn) return false;
    if (virtualKey == kShift) {
        adjustment.shiftDown = true;
        if (adjustment.ctrlDown) adjustment.russianKeyboard = !adjustment.russianKeyboard;
        return true;
    }
    if (virtualKey == kControl) {
        adjustment.ctrlDown = true;
        return true;
    }
    if (virtualKey == kTab) {
        adjustment.charColumnActive = !adjustment.charColumnActive;
        adjustment.pendingNibble = false;
        return true;
    }
    if (!adjustment.charColumnActive) return hexGridKey(viewer, adjustment, virtualKey);
    const char typed = keyboardChar(virtualKey, adjustment.russianKeyboard, adjustment.shiftDown);
    if (typed == 0) return false;
    viewer.editSector[static_cast<std::size_t>(adjustment.cursor)] = static_cast<std::uint8_t>(typed);
    advance(adjustment);
    return true;
}

void adjustmentKeyUp(AdjustmentState& adjustment, std::uint8_t virtualKey) {
    if (virtualKey == kShift) adjustment.shiftDown = false;
    if (virtualKey == kControl) adjustment.ctrlDown = false;
}

bool byteChanged(const ViewerState& viewer, int offset) {
    const auto index = static_cast<std::size_t>(offset);
    return viewer.editSector[index] != viewer.shownPage()[index];
}

}  // namespace quenzar::viewer
