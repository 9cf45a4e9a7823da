#include "app/disk/hide_disk_dialog.h"

#include "app/dialog_support.h"
#include "disk/hide_disk.h"
#include "resources/disk_dialog_ids.h"

namespace quenzar::app {
namespace {

struct HideDiskDialog {
    AppState& state;
    HideDialogMode mode;

    text::Language language() const { return state.texts.uiLanguage; }
};

BOOL onInit(HWND dialog, HideDiskDialog& self) {
    disk::HideExclusions exclusions;
    if (self.mode == HideDialogMode::Hide) {
        exclusions = disk::findHideExclusions(self.state.inventory, *self.state.disks,
                                              {self.state.windowsFolder, self.state.programFolder});
    }
    applyDialogTexts(dialog, texts::hideDiskDialogTexts(self.mode), self.language());
    for (int disk = 0; disk <= IDC_HDOFF_LAST_DISK - IDC_HDOFF_FIRST_DISK; ++disk) {
        const char digit = static_cast<char>('0' + disk);
        const disk::HideCheck check =
            self.mode == HideDialogMode::Hide
                ? disk::CanHideDisk(self.state.inventory, *self.state.disks, digit, exclusions)
                : disk::CanRestoreDisk(self.state.inventory, *self.state.disks, digit);
        enableItem(dialog, IDC_HDOFF_FIRST_DISK + disk, check == disk::HideCheck::Eligible);
    }
    return TRUE;
}

void onOk(HWND dialog, HideDiskDialog& self) {
    int chosen = -1;
    for (int disk = 0; disk <= IDC_HDOFF_LAST_DISK - IDC_HDOFF_FIRST_DISK && chosen < 0; ++disk) {
        if (isItemChecked(dialog, IDC_HDOFF_FIRST_DISK + disk)) chosen = disk;
    }
    EndDialog(dialog, 1);
    if (chosen < 0) return;
    AppState& state = self.state;
    const char digit = static_cast<char>('0' + chosen);
    const disk::DiskWriteResult result = self.mode == HideDialogMode::Hide
                                             ? disk::HideDisk(state.inventory, *state.disks, digit)
                                             : disk::RestoreDisk(state.inventory, *state.disks, digit);
    const text::Language language = self.language();
    if (result.outcome != disk::DiskWriteOutcome::Done) {
        state.seams.showMessage(texts::kDiskNotChanged.text.in(language), texts::kDiskNotChanged.title.in(language),
                                MB_ICONERROR);
        return;
    }
    if (state.seams.showMessage(texts::kRestartQuestion.text.in(language), texts::kRestartQuestion.title.in(language),
                                MB_YESNO | MB_ICONEXCLAMATION) != IDNO) {
        state.seams.runPowerAction(disk::PowerAction::Restart);
    }
}

INT_PTR CALLBACK hideDiskDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HideDiskDialog* self = dialogObject<HideDiskDialog>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (LOWORD(wParam) == IDC_HDOFF_OK || LOWORD(wParam) == IDOK) onOk(dialog, *self);
            if (LOWORD(wParam) == IDC_HDOFF_CANCEL || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
            return TRUE;
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

void runHideDiskDialog(AppState& state, HideDialogMode mode) {
    HideDiskDialog self{state, mode};
    DialogBoxParamW(state.instance, L"HD_OFF", state.mainWindow, hideDiskDialogProc, reinterpret_cast<LPARAM>(&self));
}

}  // namespace quenzar::app
