#include "app/texts/menu_relabel.h"

#include "app/texts/menu_labels.h"
#include "app/wide_text.h"
#include "resources/menu_ids.h"

namespace quenzar::app::texts {
namespace {

void relabelPopupTitle(HMENU bar, const MenuLabel& label, const std::wstring& text) {
    HMENU parent = bar;
    int position = label.barPosition;
    if (label.entryPosition >= 0) {
        parent = GetSubMenu(bar, label.barPosition);
        position = label.entryPosition;
    }
    HMENU popup = GetSubMenu(parent, position);
    if (parent == nullptr || popup == nullptr) return;
    ModifyMenuW(parent, static_cast<UINT>(position), MF_BYPOSITION | MF_POPUP | MF_STRING,
                reinterpret_cast<UINT_PTR>(popup), text.c_str());
}

}  // namespace

void relabelMenu(HMENU menu, ShellTexts& texts) {
    for (const MenuLabel& label : menuLabels()) {
        const std::wstring text = wideFrom1251(label.text.in(texts.uiLanguage));
        if (label.commandId == 0) {
            relabelPopupTitle(menu, label, text);
        } else {
            // Modifying an item resets its state to enabled; the language items are not in the
            // table, so the one greyed item of the menu keeps its state.
            ModifyMenuW(menu, static_cast<UINT>(label.commandId), MF_BYCOMMAND | MF_STRING,
                        static_cast<UINT_PTR>(label.commandId), text.c_str());
        }
    }
    selectTitle(texts);
}

void markCurrentLanguage(HMENU menu, text::Language language) {
    const bool russian = text::isRussian(language);
    EnableMenuItem(menu, CMD_RUSSIAN, MF_BYCOMMAND | (russian ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(menu, CMD_ENGLISH, MF_BYCOMMAND | (russian ? MF_ENABLED : MF_GRAYED));
}

}  // namespace quenzar::app::texts
