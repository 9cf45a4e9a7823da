// Adjustment: editing the viewer's working copy of the page shown (the viewed sector, or one 512-byte
// page of a larger one), byte by byte in the hex grid or character by character in the character
// column, with the keyboard read through the program's own Russian and English key tables. Only
// the working copy changes; the sector on the disk and the sector as read stay as they are.
#pragma once

#include <cstdint>

#include "viewer/viewer_model.h"

namespace quenzar::viewer {

struct AdjustmentState {
    bool charColumnActive = false;  // typing into the character column instead of the hex grid
    int cursor = 0;                 // 0..511, the byte being edited
    bool pendingNibble = false;     // the first hex digit of a byte has been typed
    char firstNibble = 0;           // ... and this is it
    bool shiftDown = false;
    bool ctrlDown = false;
    bool russianKeyboard = false;   // Ctrl with Shift switches between the two key tables
};

inline constexpr int kLastSectorOffset = 511;

// The code page 1251 character a key gives in the character column: Russian or English layout,
// with or without Shift; 0 for keys that give none.
char keyboardChar(std::uint8_t virtualKey, bool russian, bool shifted);

// Adjustment on: the working copy starts as the sector read, the cursor at its first byte.
void startAdjustment(ViewerState& viewer, AdjustmentState& adjustment);
// Adjustment off, the changes dropped: the working copy is the sector read again.
void cancelAdjustment(ViewerState& viewer, AdjustmentState& adjustment);

// A key pressed while adjustment is on: Tab switches the column; in the hex grid the arrows move
// the cursor and hex digits fill a byte two at a time; in the character column the key's
// character is written. Shift and Ctrl are followed for the key tables. Returns true when the key
// was used.
bool applyAdjustmentKey(ViewerState& viewer, AdjustmentState& adjustment, std::uint8_t virtualKey);
// Shift or Ctrl released.
void adjustmentKeyUp(AdjustmentState& adjustment, std::uint8_t virtualKey);

// Whether the working copy's byte differs from the page as read.
bool byteChanged(const ViewerState& viewer, int offset);

}  // namespace quenzar::viewer
