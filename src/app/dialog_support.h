// What every dialog of the program does the same way: its texts applied from its table in the
// program's language, its controls read and set with texts in code page 1251 (converted to UTF-16
// at the boundary, so Cyrillic shows on any Windows), and the object behind a dialog procedure.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/texts/dialog_texts.h"
#include "text/language.h"

namespace quenzar::app {

// Sets the caption and the text of every control of the table in the language.
void applyDialogTexts(HWND dialog, const texts::DialogTexts& table, text::Language language);

void setWindowText1251(HWND window, std::string_view text);
void setItemText(HWND dialog, int controlId, std::string_view text);
// The text of a control as code page 1251 ("?" for characters it has not got).
std::string itemText(HWND dialog, int controlId);

void setItemChecked(HWND dialog, int controlId, bool checked);
bool isItemChecked(HWND dialog, int controlId);
void enableItem(HWND dialog, int controlId, bool enabled);

// A fixed-pitch font ("Courier New") of the dialog's own font size, for texts that line up their
// columns with blanks. The caller deletes it once the dialog is gone.
HFONT createFixedPitchFont(HWND dialog);

// The object a dialog procedure works for: the parameter of WM_INITDIALOG, kept in the dialog's
// user data. Null for the few messages that arrive before WM_INITDIALOG.
template <typename T>
T* dialogObject(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return reinterpret_cast<T*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace quenzar::app
