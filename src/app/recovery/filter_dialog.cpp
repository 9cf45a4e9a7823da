#include "app/recovery/filter_dialog.h"

#include <optional>

#include "app/dialog_support.h"
#include "app/texts/filter_dialog_texts.h"
#include "recovery/analysis_texts.h"
#include "resources/filter_dialog_ids.h"

namespace quenzar::app {
namespace {

using recovery::FilterBox;
using recovery::FilterBoxKind;
using recovery::FilterEdit;

constexpr int kUserExtensionBoxes[] = {IDC_FILTER_USER_EXT1, IDC_FILTER_USER_EXT2, IDC_FILTER_USER_EXT3,
                                       IDC_FILTER_USER_EXT4};
constexpr int kPrefixBoxes[] = {IDC_FILTER_PREFIX1, IDC_FILTER_PREFIX2, IDC_FILTER_PREFIX3};
// Every edit sits just after its box.
constexpr int editOf(int boxId) { return boxId + 1; }

struct NamedBox {
    int controlId;
    FilterBoxKind kind;
};
constexpr NamedBox kSingleBoxes[] = {
    {IDC_FILTER_ALL_EXTENSIONS, FilterBoxKind::AllExtensions}, {IDC_FILTER_NO_SYSTEM_FILES, FilterBoxKind::NoSystemFiles},
    {IDC_FILTER_ALL_NAMES, FilterBoxKind::AllNames},           {IDC_FILTER_EXISTING, FilterBoxKind::SearchExisting},
    {IDC_FILTER_DELETED, FilterBoxKind::SearchDeleted},        {IDC_FILTER_LISTING, FilterBoxKind::WriteListing},
};

std::optional<FilterBox> boxOf(int controlId) {
    if (controlId >= IDC_FILTER_FIRST_CATALOGUE && controlId <= IDC_FILTER_LAST_CATALOGUE) {
        return FilterBox{FilterBoxKind::Catalogue, static_cast<std::size_t>(controlId - IDC_FILTER_FIRST_CATALOGUE)};
    }
    for (std::size_t i = 0; i < std::size(kUserExtensionBoxes); ++i) {
        if (kUserExtensionBoxes[i] == controlId) return FilterBox{FilterBoxKind::UserExtension, i};
    }
    for (std::size_t i = 0; i < std::size(kPrefixBoxes); ++i) {
        if (kPrefixBoxes[i] == controlId) return FilterBox{FilterBoxKind::NamePrefix, i};
    }
    for (const NamedBox& box : kSingleBoxes) {
        if (box.controlId == controlId) return FilterBox{box.kind, 0};
    }
    return std::nullopt;
}

std::optional<FilterEdit> editOfControl(int controlId) {
    for (std::size_t i = 0; i < std::size(kUserExtensionBoxes); ++i) {
        if (editOf(kUserExtensionBoxes[i]) == controlId) return FilterEdit{FilterBoxKind::UserExtension, i};
    }
    for (std::size_t i = 0; i < std::size(kPrefixBoxes); ++i) {
        if (editOf(kPrefixBoxes[i]) == controlId) return FilterEdit{FilterBoxKind::NamePrefix, i};
    }
    return std::nullopt;
}

int controlOfEdit(const FilterEdit& edit) {
    return editOf(edit.kind == FilterBoxKind::UserExtension ? kUserExtensionBoxes[edit.index]
                                                             : kPrefixBoxes[edit.index]);
}

struct FilterDialog {
    AppState& state;
    recovery::FilterChoices choices;
    // The catalogue boxes line their extensions up with blanks, which needs a fixed-pitch font.
    HFONT catalogueFont = nullptr;
    // Set while the dialog writes its own edits, whose change notices are then not the person's.
    bool showing = false;
};

// Shows the choices: every box, the edits' texts and states, and Apply.
void showChoices(HWND dialog, FilterDialog& self) {
    const recovery::FilterChoices& choices = self.choices;
    self.showing = true;
    for (int id = IDC_FILTER_FIRST_CATALOGUE; id <= IDC_FILTER_LAST_CATALOGUE; ++id) {
        setItemChecked(dialog, id, choices.checked(*boxOf(id)));
    }
    for (const NamedBox& box : kSingleBoxes) setItemChecked(dialog, box.controlId, choices.checked({box.kind, 0}));
    for (std::size_t i = 0; i < std::size(kUserExtensionBoxes); ++i) {
        const int box = kUserExtensionBoxes[i];
        setItemChecked(dialog, box, choices.userExtensionOn[i]);
        if (itemText(dialog, editOf(box)) != choices.userExtensionText[i]) {
            setItemText(dialog, editOf(box), choices.userExtensionText[i]);
        }
        enableItem(dialog, editOf(box), choices.userExtensionEditEnabled[i]);
    }
    for (std::size_t i = 0; i < std::size(kPrefixBoxes); ++i) {
        const int box = kPrefixBoxes[i];
        setItemChecked(dialog, box, choices.prefixOn[i]);
        if (itemText(dialog, editOf(box)) != choices.prefixText[i]) setItemText(dialog, editOf(box), choices.prefixText[i]);
        enableItem(dialog, editOf(box), choices.prefixEditEnabled[i]);
    }
    enableItem(dialog, IDC_FILTER_APPLY, choices.applyEnabled);
    self.showing = false;
}

bool isLogicalDrive(const FilterDialog& self) {
    return self.choices.kind == recovery::FilterDialogKind::LogicalDrive;
}

INT_PTR onInit(HWND dialog, FilterDialog& self) {
    applyDialogTexts(dialog, texts::filterDialogTexts(self.choices.kind), self.state.texts.uiLanguage);
    self.catalogueFont = createFixedPitchFont(dialog);
    for (int id = IDC_FILTER_FIRST_CATALOGUE; id <= IDC_FILTER_LAST_CATALOGUE; ++id) {
        SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(self.catalogueFont), FALSE);
    }
    for (const int box : kUserExtensionBoxes) SendDlgItemMessageW(dialog, editOf(box), EM_LIMITTEXT, 3, 0);
    for (const int box : kPrefixBoxes) {
        SendDlgItemMessageW(dialog, editOf(box), EM_LIMITTEXT, recovery::kNamePrefixMaxChars, 0);
    }
    showChoices(dialog, self);
    if (!isLogicalDrive(self)) return TRUE;  // the system focuses the first control
    SendDlgItemMessageW(dialog, IDC_FILTER_DRIVE_LETTER, EM_LIMITTEXT, 1, 0);
    SetFocus(GetDlgItem(dialog, IDC_FILTER_DRIVE_LETTER));
    return FALSE;  // the focus is set
}

void onBoxClicked(HWND dialog, FilterDialog& self, FilterBox box, int controlId) {
    const std::optional<FilterEdit> focus = recovery::clickFilterBox(self.choices, box, isItemChecked(dialog, controlId));
    showChoices(dialog, self);
    if (focus) SetFocus(GetDlgItem(dialog, controlOfEdit(*focus)));
}

// The letter field changed: an NTFS drive is taken, any other letter refused with the message.
void onDriveLetterChanged(HWND dialog, FilterDialog& self) {
    AppState& state = self.state;
    const recovery::DriveLetterVerdict verdict =
        recovery::changeDriveLetter(self.choices, itemText(dialog, IDC_FILTER_DRIVE_LETTER), state.inventory);
    enableItem(dialog, IDC_FILTER_APPLY, self.choices.applyEnabled);
    if (verdict == recovery::DriveLetterVerdict::NotNtfs) {
        const recovery::MessageText message =
            recovery::analysisMessage(recovery::AnalysisOutcome::DriveNotNtfs, state.texts.uiLanguage);
        state.seams.showMessage(message.text, message.title, MB_ICONERROR);
    }
}

void onApply(HWND dialog, FilterDialog& self) {
    if (!self.choices.applyEnabled) return;  // Enter while no drive is named
    self.state.analysis.filter = recovery::appliedFilter(self.choices);
    EndDialog(dialog, 1);
}

INT_PTR onCommand(HWND dialog, FilterDialog& self, int controlId, int notification) {
    if (notification == EN_CHANGE) {
        if (self.showing) return TRUE;
        if (controlId == IDC_FILTER_DRIVE_LETTER) {
            onDriveLetterChanged(dialog, self);
        } else if (const std::optional<FilterEdit> edit = editOfControl(controlId)) {
            recovery::setFilterEditText(self.choices, *edit, itemText(dialog, controlId));
        }
        return TRUE;
    }
    if (notification != BN_CLICKED) return FALSE;
    if (controlId == IDC_FILTER_APPLY || controlId == IDOK) {
        onApply(dialog, self);
    } else if (controlId == IDCANCEL) {
        EndDialog(dialog, 0);  // Escape: as the close box
    } else if (const std::optional<FilterBox> box = boxOf(controlId)) {
        onBoxClicked(dialog, self, *box, controlId);
    }
    return TRUE;
}

INT_PTR CALLBACK filterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    FilterDialog* self = dialogObject<FilterDialog>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND: return onCommand(dialog, *self, LOWORD(wParam), HIWORD(wParam));
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

bool runFilterDialog(AppState& state, recovery::FilterDialogKind kind) {
    FilterDialog self{state, recovery::openFilterChoices(state.analysis.filter, kind)};
    const wchar_t* name = kind == recovery::FilterDialogKind::LogicalDrive ? L"FILTR" : L"FILTV";
    const bool applied = DialogBoxParamW(state.instance, name, state.mainWindow, filterDialogProc,
                                         reinterpret_cast<LPARAM>(&self)) == 1;
    if (self.catalogueFont != nullptr) DeleteObject(self.catalogueFont);
    return applied;
}

}  // namespace quenzar::app
