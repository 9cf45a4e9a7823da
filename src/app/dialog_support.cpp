#include "app/dialog_support.h"

#include "app/wide_text.h"

namespace quenzar::app {

void applyDialogTexts(HWND dialog, const texts::DialogTexts& table, text::Language language) {
    setWindowText1251(dialog, table.caption.in(language));
    for (const texts::ControlText& control : table.controls) {
        setItemText(dialog, control.controlId, control.text.in(language));
    }
}

void setWindowText1251(HWND window, std::string_view text) { SetWindowTextW(window, wideFrom1251(text).c_str()); }

void setItemText(HWND dialog, int controlId, std::string_view text) {
    SetDlgItemTextW(dialog, controlId, wideFrom1251(text).c_str());
}

std::string itemText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) return {};
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text1251FromWide(text);
}

void setItemChecked(HWND dialog, int controlId, bool checked) {
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool isItemChecked(HWND dialog, int controlId) { return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED; }

void enableItem(HWND dialog, int controlId, bool enabled) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control != nullptr && (IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

HFONT createFixedPitchFont(HWND dialog) {
    LOGFONTW font{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof font, &font) == 0) font.lfHeight = -11;
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(font.lfFaceName, L"Courier New", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

}  // namespace quenzar::app
