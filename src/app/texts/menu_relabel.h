// Relabelling the main menu for the current language, and the greyed item of that language.
#pragma once

#include <windows.h>

#include "app/texts/shell_texts.h"

namespace quenzar::app::texts {

// Replaces the texts of the menu with those of the current language: items by command, popup
// titles by position, each keeping its submenu. Points the title slot at the language's title.
void relabelMenu(HMENU menu, ShellTexts& texts);

// Greys the item of the current language and enables the other one.
void markCurrentLanguage(HMENU menu, text::Language language);

}  // namespace quenzar::app::texts
