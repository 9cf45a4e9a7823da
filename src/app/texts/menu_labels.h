// The texts of the main menu in both languages, as one table. Portable: no operating-system
// header; texts are code page 1251.
#pragma once

#include <span>
#include <string_view>

#include "text/language.h"

namespace quenzar::app::texts {

// One relabelled place of the menu: an item found by its command identifier, or (command 0) a
// popup's title found by position: `barPosition` on the menu bar and, inside that popup,
// `entryPosition` (-1: the bar popup's own title).
struct MenuLabel {
    int commandId;
    int barPosition;
    int entryPosition;
    text::TextPair text;
};

// Every relabelled place, in the order of the menu. The Language popup and its two items are not
// in the table: they read the same in both languages and are never relabelled.
std::span<const MenuLabel> menuLabels();

}  // namespace quenzar::app::texts
