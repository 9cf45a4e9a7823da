#include "app/vdisk/virtual_disk_dialog.h"

#include <iterator>

#include "app/dialog_support.h"
#include "app/texts/virtual_disk_dialog_texts.h"
#include "disk/inventory_screen.h"
#include "resources/posted_command_ids.h"
#include "resources/virtual_disk_dialog_ids.h"

namespace quenzar::app {
namespace {

using ntfs::VirtualDiskDialog;

struct VirtualDiskWindow {
    AppState& state;
    VirtualDiskDialog kind;
    HFONT linesFont = nullptr;

    text::Language language() const { return state.texts.uiLanguage; }
    bool diskChosen() const { return state.volumeParams.diskDigit != '?'; }
    ntfs::SectorReader reader() const {
        return ntfs::diskSectorReader(*state.disks, state.inventory.masks, state.volumeParams.diskDigit);
    }
};

// The edit the person types the known sector's LBA into, and the button that computes from it.
int inputOf(VirtualDiskDialog kind) {
    switch (kind) {
        case VirtualDiskDialog::FromBootSector: return IDC_VDISK_BOOT_LBA;
        case VirtualDiskDialog::FromMftPosition: return IDC_VDISK_MFT_LBA;
        case VirtualDiskDialog::FromFileRecord: return IDC_VDISK_RECORD_LBA;
    }
    return IDC_VDISK_BOOT_LBA;
}

int applyOf(VirtualDiskDialog kind) {
    switch (kind) {
        case VirtualDiskDialog::FromBootSector: return IDC_VBOOT_APPLY;
        case VirtualDiskDialog::FromMftPosition: return IDC_VMFT_APPLY;
        case VirtualDiskDialog::FromFileRecord: return IDC_VFR_APPLY;
    }
    return IDC_VBOOT_APPLY;
}

const wchar_t* templateOf(VirtualDiskDialog kind) {
    switch (kind) {
        case VirtualDiskDialog::FromBootSector: return L"V_BOOT";
        case VirtualDiskDialog::FromMftPosition: return L"V_MFT";
        case VirtualDiskDialog::FromFileRecord: return L"V_FR";
    }
    return L"V_BOOT";
}

constexpr int kDiagnosticLines[ntfs::kDiagnosticLineCount] = {9565, 9566, 9567, 9568, 9569, IDC_VFR_DIAGNOSTIC6};

// Writes a field the dialog has; a dialog without that control leaves it.
void showField(HWND dialog, int controlId, const ntfs::FieldValue& value) {
    if (GetDlgItem(dialog, controlId) != nullptr) setItemText(dialog, controlId, ntfs::fieldText(value));
}

void showOutcome(HWND dialog, const VirtualDiskWindow& self, const ntfs::VirtualDiskOutcome& outcome) {
    const ntfs::VirtualDiskFields& fields = outcome.fields;
    const struct {
        int controlId;
        const ntfs::FieldValue& value;
    } shown[] = {
        {IDC_VDISK_BOOT_LBA, fields.bootLba},
        {IDC_VDISK_CLUSTER_SIZE, fields.sectorsPerCluster},
        {IDC_VDISK_MFT_CLUSTER, fields.mftCluster},
        {IDC_VDISK_MFT_LBA, fields.mftLba},
        {IDC_VDISK_RECORD_LBA, fields.recordLba},
        {IDC_VDISK_FAT32_CLUSTER_SIZE, fields.fat32SectorsPerCluster},
        {IDC_VDISK_FAT32_RESERVED, fields.fat32ReservedSectors},
        {IDC_VDISK_FAT32_FAT_SIZE, fields.fat32SectorsPerFat},
        {IDC_VDISK_FAT32_ROOT_CLUSTER, fields.fat32RootCluster},
        {IDC_VDISK_FAT16_CLUSTER_SIZE, fields.fat16SectorsPerCluster},
        {IDC_VDISK_FAT16_RESERVED, fields.fat16ReservedSectors},
        {IDC_VDISK_FAT16_FAT_SIZE, fields.fat16SectorsPerFat},
        {IDC_VDISK_FAT16_ROOT_ENTRIES, fields.fat16RootEntries},
    };
    const int input = inputOf(self.kind);
    for (const auto& field : shown) {
        // The typed LBA stays as written unless the computation wrote back its limited value.
        if (field.controlId == input && !field.value) continue;
        showField(dialog, field.controlId, field.value);
    }
    setItemText(dialog, IDC_VDISK_RESULT, outcome.resultText);
    if (self.kind == VirtualDiskDialog::FromBootSector) {
        setItemChecked(dialog, IDC_VBOOT_NTFS, outcome.radio == ntfs::FileSystemRadio::Ntfs);
        setItemChecked(dialog, IDC_VBOOT_FAT32, outcome.radio == ntfs::FileSystemRadio::Fat32);
        setItemChecked(dialog, IDC_VBOOT_FAT16, outcome.radio == ntfs::FileSystemRadio::Fat16);
    }
    if (self.kind == VirtualDiskDialog::FromFileRecord) {
        for (std::size_t line = 0; line < ntfs::kDiagnosticLineCount; ++line) {
            setItemText(dialog, kDiagnosticLines[line], outcome.diagnostics[line]);
        }
    }
    enableItem(dialog, IDC_VDISK_SECTOR, outcome.buttons.sector);
    enableItem(dialog, IDC_VDISK_CLUSTER, outcome.buttons.cluster);
    enableItem(dialog, IDC_VDISK_MFT_NUMBER, outcome.buttons.noMft);
    enableItem(dialog, IDC_VDISK_RUN, outcome.buttons.run);
}

// The input fields work once a disk is chosen; until then every field is empty.
void enableInput(HWND dialog, const VirtualDiskWindow& self) {
    enableItem(dialog, inputOf(self.kind), self.diskChosen());
    enableItem(dialog, applyOf(self.kind), self.diskChosen());
}

void recompute(HWND dialog, VirtualDiskWindow& self) {
    showOutcome(dialog, self,
                ntfs::recomputeFromStoredInput(self.kind, self.state.volumeParams, self.state.storedRecordLba,
                                               self.reader(), self.language()));
}

void onApply(HWND dialog, VirtualDiskWindow& self) {
    if (!self.diskChosen()) return;
    showOutcome(dialog, self,
                ntfs::computeFromInput(self.kind, self.state.volumeParams, self.state.storedRecordLba,
                                       itemText(dialog, inputOf(self.kind)), self.reader(), self.language()));
}

void onDiskChosen(HWND dialog, VirtualDiskWindow& self, int disk) {
    const char digit = static_cast<char>('0' + disk);
    CheckRadioButton(dialog, IDC_VDISK_FIRST_DISK, IDC_VDISK_LAST_DISK, IDC_VDISK_FIRST_DISK + disk);
    ntfs::chooseDisk(self.state.volumeParams, digit, self.state.inventory.disk(digit));
    enableInput(dialog, self);
    recompute(dialog, self);
}

// "RUN RECONSTRUCTION": record 0 of the $MFT read, the run table built, the analysis of the
// virtual disk asked for with the tree window's title of this dialog.
void onRun(HWND dialog, VirtualDiskWindow& self) {
    if (!self.diskChosen()) return;
    ntfs::NtfsVolumeParams& params = self.state.volumeParams;
    if (self.kind == VirtualDiskDialog::FromBootSector) {
        const ntfs::VirtualDiskOutcome outcome =
            ntfs::computeFromInput(self.kind, params, self.state.storedRecordLba,
                                   itemText(dialog, inputOf(self.kind)), self.reader(), self.language());
        showOutcome(dialog, self, outcome);
        if (!outcome.buttons.run) return;
    }
    recovery::VirtualDiskVolume& volume = self.state.analysis.virtualDisk;
    if (!ntfs::startReconstruction(params, volume.runTable, self.reader()).ready) {
        // Record 0 did not decode after all: nothing to analyse, and the dialog says so.
        showOutcome(dialog, self, ntfs::VirtualDiskOutcome{ntfs::ResultWord::NoMft,
                                                           std::string(ntfs::resultWordText(ntfs::ResultWord::NoMft,
                                                                                            self.language())),
                                                           {}, {}, {}, {}});
        return;
    }
    volume.diskNumber = params.diskDigit;
    volume.bootLba = params.bootLba;
    volume.sectorsPerCluster = params.sectorsPerCluster;
    volume.sectorBytes = params.bytesPerSector;
    volume.recordBytes = params.recordBytes;
    self.state.analysis.treeTitle = std::string(ntfs::treeWindowTitle(self.kind, self.language()));
    PostMessageW(self.state.mainWindow, WM_COMMAND, CMD_ANALYSE_VIRTUAL_DISK, 0);
    EndDialog(dialog, 1);
}

void postAndClose(HWND dialog, const VirtualDiskWindow& self, int commandId) {
    PostMessageW(self.state.mainWindow, WM_COMMAND, static_cast<WPARAM>(commandId), 0);
    EndDialog(dialog, 0);
}

BOOL onInit(HWND dialog, VirtualDiskWindow& self) {
    applyDialogTexts(dialog, texts::virtualDiskDialogTexts(self.kind), self.language());
    setWindowText1251(dialog, ntfs::dialogTitle(self.kind, self.language()));
    ntfs::NtfsVolumeParams& params = self.state.volumeParams;
    if (self.kind == VirtualDiskDialog::FromBootSector) params.entryMode = 'L';
    if (self.kind == VirtualDiskDialog::FromMftPosition) params.entryMode = 'l';

    // The disk lines and their heading in columns of a fixed-pitch font.
    self.linesFont = createFixedPitchFont(dialog);
    SendDlgItemMessageW(dialog, IDC_VDISK_DISK_HEADING, WM_SETFONT, reinterpret_cast<WPARAM>(self.linesFont), FALSE);
    for (int disk = 0; disk <= IDC_VDISK_LAST_DISK - IDC_VDISK_FIRST_DISK; ++disk) {
        const int controlId = IDC_VDISK_FIRST_DISK + disk;
        const disk::PhysicalDiskInfo& info = self.state.inventory.disk(static_cast<char>('0' + disk));
        SendDlgItemMessageW(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(self.linesFont), FALSE);
        setItemText(dialog, controlId, disk::diskChoiceLine(info));
        enableItem(dialog, controlId, info.isPresent());
    }
    if (self.kind == VirtualDiskDialog::FromFileRecord) {
        for (const int line : kDiagnosticLines) {
            SendDlgItemMessageW(dialog, line, WM_SETFONT, reinterpret_cast<WPARAM>(self.linesFont), FALSE);
        }
    }
    SendDlgItemMessageW(dialog, inputOf(self.kind), EM_LIMITTEXT, 13, 0);
    enableInput(dialog, self);
    if (self.diskChosen()) {
        const int disk = params.diskDigit - '0';
        CheckRadioButton(dialog, IDC_VDISK_FIRST_DISK, IDC_VDISK_LAST_DISK, IDC_VDISK_FIRST_DISK + disk);
        recompute(dialog, self);
        if (self.kind == VirtualDiskDialog::FromBootSector) {
            const ntfs::FileSystemRadio radio = ntfs::radioOfFileSystem(params.fsType);
            setItemChecked(dialog, IDC_VBOOT_NTFS, radio == ntfs::FileSystemRadio::Ntfs);
            setItemChecked(dialog, IDC_VBOOT_FAT32, radio == ntfs::FileSystemRadio::Fat32);
            setItemChecked(dialog, IDC_VBOOT_FAT16, radio == ntfs::FileSystemRadio::Fat16);
        }
    }
    return TRUE;
}

INT_PTR onCommand(HWND dialog, VirtualDiskWindow& self, int controlId, int notification) {
    if (notification != BN_CLICKED) return FALSE;
    if (controlId >= IDC_VDISK_FIRST_DISK && controlId <= IDC_VDISK_LAST_DISK) {
        onDiskChosen(dialog, self, controlId - IDC_VDISK_FIRST_DISK);
    } else if (controlId == applyOf(self.kind) || controlId == IDOK) {
        onApply(dialog, self);  // Enter computes, as the default button does
    } else if (controlId == IDC_VDISK_RUN) {
        onRun(dialog, self);
    } else if (controlId == IDC_VDISK_SECTOR) {
        postAndClose(dialog, self, CMD_VIEW_SECTOR);
    } else if (controlId == IDC_VDISK_CLUSTER) {
        postAndClose(dialog, self, CMD_VIEW_CLUSTER);
    } else if (controlId == IDC_VDISK_MFT_NUMBER) {
        postAndClose(dialog, self, CMD_VIEW_MFT_RECORD);
    } else if (controlId == IDCANCEL) {
        EndDialog(dialog, 0);  // Escape: as the close box
    }
    return TRUE;
}

INT_PTR CALLBACK virtualDiskDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    VirtualDiskWindow* self = dialogObject<VirtualDiskWindow>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND: return onCommand(dialog, *self, LOWORD(wParam), HIWORD(wParam));
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

void runVirtualDiskDialog(AppState& state, VirtualDiskDialog dialog) {
    VirtualDiskWindow self{state, dialog};
    DialogBoxParamW(state.instance, templateOf(dialog), state.mainWindow, virtualDiskDialogProc,
                    reinterpret_cast<LPARAM>(&self));
    if (self.linesFont != nullptr) DeleteObject(self.linesFont);
}

}  // namespace quenzar::app
