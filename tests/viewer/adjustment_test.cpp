// Editing the viewer's working copy: the key tables of both layouts, hex digits taken in pairs
// with the cursor kept inside the sector, the character column with Shift and the Ctrl+Shift
// layout switch, and the sector as read never touched.
#include <gtest/gtest.h>

#include <string>

#include "viewer/adjustment.h"

namespace quenzar::viewer {
namespace {

struct KeyCase {
    std::uint8_t key;
    bool russian;
    bool shifted;
    char expected;
};

TEST(AdjustmentTest, KeyTablesOfBothLayouts) {
    const KeyCase cases[] = {
        {'A', true, false, 'ф'}, {'Z', true, true, 'Я'},   {0xBA, true, false, 'ж'}, {0xC0, true, true, 'Ё'},
        {0xDC, true, false, '\\'}, {'3', true, true, '№'}, {'6', true, true, '^'},  {'A', false, false, 'a'},
        {'2', false, true, '@'}, {0xDE, false, true, '"'}, {0x20, true, true, ' '},  {0x70, false, false, 0},
        {0xC1, true, false, 0},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(keyboardChar(c.key, c.russian, c.shifted), c.expected)
            << "key " << int(c.key) << (c.russian ? " ru" : " en") << (c.shifted ? " shifted" : "");
    }
}

TEST(AdjustmentTest, HexDigitsFillBytesInPairsWithinTheSector) {
    ViewerState viewer;
    viewer.viewBytes[0] = 0x11;
    AdjustmentState adjustment;
    EXPECT_FALSE(applyAdjustmentKey(viewer, adjustment, 'A'));  // adjustment is off
    startAdjustment(viewer, adjustment);
    EXPECT_EQ(viewer.editSector[0], 0x11);

    for (std::uint8_t key : {'4', 'F'}) applyAdjustmentKey(viewer, adjustment, key);
    EXPECT_EQ(viewer.editSector[0], 0x4F);
    EXPECT_EQ(adjustment.cursor, 1);
    EXPECT_TRUE(byteChanged(viewer, 0));
    EXPECT_EQ(viewer.viewBytes[0], 0x11);  // the sector as read stays

    // A half-typed byte is forgotten when the cursor moves; keys that are no hex digit do nothing.
    applyAdjustmentKey(viewer, adjustment, '7');
    applyAdjustmentKey(viewer, adjustment, 0x25);  // Left
    EXPECT_FALSE(adjustment.pendingNibble);
    EXPECT_EQ(adjustment.cursor, 0);
    EXPECT_FALSE(applyAdjustmentKey(viewer, adjustment, 'G'));
    applyAdjustmentKey(viewer, adjustment, 0x26);  // Up from the first line stays
    EXPECT_EQ(adjustment.cursor, 0);

    adjustment.cursor = 511;
    for (std::uint8_t key : {'0', '1'}) applyAdjustmentKey(viewer, adjustment, key);
    EXPECT_EQ(viewer.editSector[511], 0x01);
    EXPECT_EQ(adjustment.cursor, 511);  // the last byte keeps the cursor
    applyAdjustmentKey(viewer, adjustment, 0x28);  // Down from the last line stays
    EXPECT_EQ(adjustment.cursor, 511);

    cancelAdjustment(viewer, adjustment);
    EXPECT_FALSE(viewer.adjustmentOn);
    EXPECT_FALSE(byteChanged(viewer, 0));
    EXPECT_FALSE(byteChanged(viewer, 511));
}

TEST(AdjustmentTest, CharacterColumnTypesThroughTheLayoutInUse) {
    ViewerState viewer;
    AdjustmentState adjustment;
    startAdjustment(viewer, adjustment);
    applyAdjustmentKey(viewer, adjustment, 0x09);  // Tab: the character column
    applyAdjustmentKey(viewer, adjustment, 'Q');
    applyAdjustmentKey(viewer, adjustment, 0x10);  // Shift held
    applyAdjustmentKey(viewer, adjustment, 'Q');
    adjustmentKeyUp(adjustment, 0x10);
    applyAdjustmentKey(viewer, adjustment, 0x11);  // Ctrl, then Shift: Russian
    applyAdjustmentKey(viewer, adjustment, 0x10);
    adjustmentKeyUp(adjustment, 0x10);
    adjustmentKeyUp(adjustment, 0x11);
    applyAdjustmentKey(viewer, adjustment, 'Q');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(viewer.editSector.data()), 3), "qQй");
    EXPECT_EQ(adjustment.cursor, 3);
}

}  // namespace
}  // namespace quenzar::viewer
