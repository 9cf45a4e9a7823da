#include "app/vdisk/mft_record_dialog.h"

#include <string>

#include "app/dialog_support.h"
#include "app/texts/viewer_dialog_texts.h"
#include "ntfs/virtual_disk.h"
#include "resources/viewer_dialog_ids.h"

namespace quenzar::app {
namespace {

BOOL onInit(HWND dialog, AppState& state) {
    applyDialogTexts(dialog, texts::mftRecordDialogTexts(), state.texts.uiLanguage);
    const ntfs::NtfsVolumeParams& params = state.volumeParams;
    setItemText(dialog, IDC_VNMFT_RECORD, std::to_string(state.mftLookup.requestedRecord));
    setItemText(dialog, IDC_VNMFT_DISK, std::string(1, params.diskDigit));
    setItemText(dialog, IDC_VNMFT_BOOT_LBA, std::to_string(params.bootLba));
    setItemText(dialog, IDC_VNMFT_MFT_CLUSTER, std::to_string(params.mftCluster));
    setItemText(dialog, IDC_VNMFT_CLUSTER_SIZE, std::to_string(params.sectorsPerCluster));
    return TRUE;
}

void onOk(HWND dialog, AppState& state) {
    ntfs::NtfsVolumeParams& params = state.volumeParams;
    const char disk = params.diskDigit == '?' ? '0' : params.diskDigit;
    ntfs::applyRecordNumber(state.mftLookup, params, state.analysis.virtualDisk.runTable,
                            itemText(dialog, IDC_VNMFT_RECORD),
                            ntfs::diskSectorReader(*state.disks, state.inventory.masks, disk));
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK mftRecordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    AppState* state = dialogObject<AppState>(dialog, message, lParam);
    if (state == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *state);
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (LOWORD(wParam) == IDC_VNMFT_OK || LOWORD(wParam) == IDOK) onOk(dialog, *state);
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);  // Escape: as the close box
            return TRUE;
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

void runMftRecordDialog(AppState& state) {
    DialogBoxParamW(state.instance, L"VNMFTV", state.mainWindow, mftRecordDialogProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace quenzar::app
