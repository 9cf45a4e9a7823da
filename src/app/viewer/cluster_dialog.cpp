#include "app/viewer/cluster_dialog.h"

#include "app/dialog_support.h"
#include "app/texts/viewer_dialog_texts.h"
#include "resources/viewer_dialog_ids.h"

namespace quenzar::app {
namespace {

struct ClusterDialog {
    AppState& state;
    viewer::InitialDrive initial;
    viewer::NavigationState navigation;
    bool okPressed = false;
    bool showing = false;  // the dialog writes its own fields: no change notice is the person's

    text::Language language() const { return state.texts.uiLanguage; }
};

void showNavigation(HWND dialog, ClusterDialog& self) {
    self.showing = true;
    const viewer::NavigationState& navigation = self.navigation;
    setWindowText1251(dialog, navigation.title);
    for (int row = 0; row < static_cast<int>(navigation.rows.size()); ++row) {
        setItemText(dialog, IDC_LSC_FIRST_REGION_LABEL + row, navigation.rows[static_cast<std::size_t>(row)].label);
        setItemText(dialog, IDC_LSC_FIRST_REGION_VALUE + row, navigation.rows[static_cast<std::size_t>(row)].value);
    }
    enableItem(dialog, IDC_LSC_OK, navigation.okEnabled);
    enableItem(dialog, IDC_LSC_NUMBER, navigation.okEnabled);
    if (navigation.okEnabled) {
        setItemText(dialog, IDC_LSC_NUMBER, navigation.numberText);
        SetFocus(GetDlgItem(dialog, IDC_LSC_NUMBER));
    }
    self.showing = false;
}

void onLetterTyped(HWND dialog, ClusterDialog& self) {
    const std::string typed = itemText(dialog, IDC_LSC_LETTER);
    const char letter = typed.empty() ? ' ' : typed[0];
    const std::uint32_t number = letter == self.initial.letter ? self.initial.number : 0;
    const auto refused = viewer::acceptLetter(self.navigation, self.state.inventory, letter, false, number,
                                              self.language());
    showNavigation(dialog, self);
    if (!refused) return;
    self.state.seams.showMessage(refused->text, refused->caption, MB_ICONWARNING);
    self.showing = true;
    setItemText(dialog, IDC_LSC_LETTER, "");
    self.showing = false;
    SetFocus(GetDlgItem(dialog, IDC_LSC_LETTER));
}

BOOL onInit(HWND dialog, ClusterDialog& self) {
    applyDialogTexts(dialog, texts::clusterDialogTexts(), self.language());
    SendDlgItemMessageW(dialog, IDC_LSC_LETTER, EM_LIMITTEXT, 1, 0);
    self.showing = true;
    if (self.initial.letter != '?') setItemText(dialog, IDC_LSC_LETTER, std::string(1, self.initial.letter));
    self.showing = false;
    self.navigation.title = viewer::navigationTitle('?', '?', self.language());
    viewer::acceptLetter(self.navigation, self.state.inventory, self.initial.letter, true, self.initial.number,
                         self.language());
    showNavigation(dialog, self);
    if (!self.navigation.okEnabled) SetFocus(GetDlgItem(dialog, IDC_LSC_LETTER));
    return FALSE;  // the focus is set
}

INT_PTR onCommand(HWND dialog, ClusterDialog& self, int controlId, int notification) {
    if (controlId == IDC_LSC_LETTER && notification == EN_CHANGE) {
        if (!self.showing) onLetterTyped(dialog, self);
        return TRUE;
    }
    if (notification != BN_CLICKED) return FALSE;
    if (controlId == IDC_LSC_OK || controlId == IDOK) {
        if (!self.navigation.okEnabled) return TRUE;  // Enter before a drive is accepted
        self.navigation.numberText = itemText(dialog, IDC_LSC_NUMBER);
        self.okPressed = true;
        EndDialog(dialog, 1);
    } else if (controlId == IDCANCEL) {
        EndDialog(dialog, 0);  // Escape: as the close box
    }
    return TRUE;
}

INT_PTR CALLBACK clusterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    ClusterDialog* self = dialogObject<ClusterDialog>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND: return onCommand(dialog, *self, LOWORD(wParam), HIWORD(wParam));
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

std::optional<viewer::NavigationChoice> runClusterDialog(AppState& state, viewer::InitialDrive initial) {
    ClusterDialog self{state, initial, {}};
    DialogBoxParamW(state.instance, L"L_SC", state.mainWindow, clusterDialogProc, reinterpret_cast<LPARAM>(&self));
    return viewer::navigationChoice(self.navigation, self.okPressed);
}

}  // namespace quenzar::app
