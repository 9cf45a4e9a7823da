#include "app/vdisk/lost_volumes_dialog.h"

#include <atomic>
#include <commctrl.h>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/dialog_support.h"
#include "app/texts/virtual_disk_dialog_texts.h"
#include "app/wide_text.h"
#include "disk/inventory_screen.h"
#include "ntfs/lost_volumes.h"
#include "resources/virtual_disk_dialog_ids.h"

namespace quenzar::app {
namespace {

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressTickMs = 200;

struct LostVolumesWindow {
    explicit LostVolumesWindow(AppState& appState) : state(appState) {}

    AppState& state;
    HFONT linesFont = nullptr;
    char diskDigit = '?';
    // The search on its worker; the dialog reads its progress on the timer.
    ntfs::ScanProgress progress;
    ntfs::ScanReport report;
    std::atomic<bool> finished{false};
    std::thread worker;
    std::optional<ntfs::VirtualDiskDialog> opened;

    text::Language language() const { return state.texts.uiLanguage; }
    bool searching() const { return worker.joinable() && !finished.load(); }
};

// A search still running is asked to stop and waited for: it ends at its next piece.
void endSearch(LostVolumesWindow& self) {
    if (!self.worker.joinable()) return;
    self.progress.stopRequested.store(true);
    self.worker.join();
}

// The search counts the disk's own sectors; the dialog says how far it is in MiB.
unsigned long long mebibytesOf(const LostVolumesWindow& self, std::uint64_t sectors) {
    const std::uint32_t sectorBytes = self.state.inventory.disk(self.diskDigit).bytesPerSector;
    return static_cast<unsigned long long>(sectors * (sectorBytes != 0 ? sectorBytes : 512) / (1024 * 1024));
}

void showStatus(HWND dialog, LostVolumesWindow& self) {
    char line[200];
    const text::Language language = self.language();
    if (!self.finished.load()) {
        std::snprintf(line, sizeof line, texts::kScanReading.in(language).data(),
                      mebibytesOf(self, self.progress.sectorsDone.load()),
                      mebibytesOf(self, self.progress.sectorsTotal.load()));
    } else if (self.report.stopped) {
        std::snprintf(line, sizeof line, texts::kScanStopped.in(language).data(),
                      mebibytesOf(self, self.report.sectorsRead), mebibytesOf(self, self.progress.sectorsTotal.load()),
                      self.report.candidates.size());
    } else {
        std::snprintf(line, sizeof line, texts::kScanDone.in(language).data(),
                      static_cast<unsigned long long>(self.report.sectorsRead),
                      static_cast<unsigned long long>(self.report.unreadableSectors), self.report.candidates.size());
    }
    setItemText(dialog, IDC_VSCAN_STATUS, line);
    const std::uint64_t total = self.progress.sectorsTotal.load();
    const std::uint64_t done = self.progress.sectorsDone.load();
    SendDlgItemMessageW(dialog, IDC_VSCAN_PROGRESS, PBM_SETPOS, total == 0 ? 0 : static_cast<WPARAM>(done * 100 / total),
                        0);
}

void showVolumes(HWND dialog, const LostVolumesWindow& self) {
    SendDlgItemMessageW(dialog, IDC_VSCAN_LIST, LB_RESETCONTENT, 0, 0);
    for (const ntfs::VolumeCandidate& candidate : self.report.candidates) {
        const std::wstring line = wideFrom1251(ntfs::volumeLine(candidate, self.language()));
        SendDlgItemMessageW(dialog, IDC_VSCAN_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
}

// The chosen volume, when one is chosen that a starting point opens.
const ntfs::VolumeCandidate* chosenVolume(HWND dialog, const LostVolumesWindow& self) {
    const LRESULT row = SendDlgItemMessageW(dialog, IDC_VSCAN_LIST, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR || static_cast<std::size_t>(row) >= self.report.candidates.size()) return nullptr;
    const ntfs::VolumeCandidate& candidate = self.report.candidates[static_cast<std::size_t>(row)];
    return ntfs::openingPointOf(candidate) == ntfs::OpeningPoint::None ? nullptr : &candidate;
}

void onSearch(HWND dialog, LostVolumesWindow& self) {
    if (self.diskDigit == '?' || self.searching()) return;
    endSearch(self);
    self.progress.stopRequested.store(false);
    self.progress.sectorsDone.store(0);
    self.progress.sectorsTotal.store(self.state.inventory.disk(self.diskDigit).totalSectors);
    self.finished.store(false);
    SendDlgItemMessageW(dialog, IDC_VSCAN_LIST, LB_RESETCONTENT, 0, 0);
    enableItem(dialog, IDC_VSCAN_OPEN, false);
    // While it reads, the button stops the search: a whole disk can take hours, and what the part
    // read holds is still listed.
    setItemText(dialog, IDC_VSCAN_SEARCH, texts::kScanStop.in(self.language()));
    const char digit = self.diskDigit;
    self.worker = std::thread([&self, digit] {
        self.report = ntfs::scanForVolumes(*self.state.disks, self.state.inventory, digit, 0, 0, self.progress);
        self.finished.store(true);
    });
    SetTimer(dialog, kProgressTimer, kProgressTickMs, nullptr);
    showStatus(dialog, self);
}

void onTimer(HWND dialog, LostVolumesWindow& self) {
    showStatus(dialog, self);
    if (!self.finished.load()) return;
    KillTimer(dialog, kProgressTimer);
    self.worker.join();
    showVolumes(dialog, self);
    setItemText(dialog, IDC_VSCAN_SEARCH, texts::kScanSearch.in(self.language()));
    enableItem(dialog, IDC_VSCAN_SEARCH, true);
}

// The stop asked for once; the button waits for the worker to end at its next piece.
void onStop(HWND dialog, LostVolumesWindow& self) {
    self.progress.stopRequested.store(true);
    enableItem(dialog, IDC_VSCAN_SEARCH, false);
}

// Opening a volume: the virtual-disk parameters take its disk and the LBA of the starting point
// that gives it back, and the dialog of that starting point opens next with them.
void onOpen(HWND dialog, LostVolumesWindow& self) {
    const ntfs::VolumeCandidate* candidate = chosenVolume(dialog, self);
    if (candidate == nullptr) return;
    ntfs::NtfsVolumeParams& params = self.state.volumeParams;
    ntfs::chooseDisk(params, self.diskDigit, self.state.inventory.disk(self.diskDigit));
    if (ntfs::openingPointOf(*candidate) == ntfs::OpeningPoint::BootSector) {
        params.bootLba = *candidate->feedsBoot;
        self.opened = ntfs::VirtualDiskDialog::FromBootSector;
    } else {
        params.mftLba = *candidate->feedsMft;
        self.opened = ntfs::VirtualDiskDialog::FromMftPosition;
    }
    EndDialog(dialog, 1);
}

BOOL onInit(HWND dialog, LostVolumesWindow& self) {
    applyDialogTexts(dialog, texts::lostVolumesDialogTexts(), self.language());
    setUpProgressBar(dialog, IDC_VSCAN_PROGRESS);
    self.linesFont = createFixedPitchFont(dialog);
    for (const int controlId : {IDC_VDISK_DISK_HEADING, IDC_VSCAN_LIST_HEADING, IDC_VSCAN_LIST}) {
        SendDlgItemMessageW(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(self.linesFont), FALSE);
    }
    setItemText(dialog, IDC_VSCAN_LIST_HEADING, ntfs::volumeLineHeading().in(self.language()));
    for (int disk = 0; disk <= IDC_VDISK_LAST_DISK - IDC_VDISK_FIRST_DISK; ++disk) {
        const int controlId = IDC_VDISK_FIRST_DISK + disk;
        const disk::PhysicalDiskInfo& info = self.state.inventory.disk(static_cast<char>('0' + disk));
        SendDlgItemMessageW(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(self.linesFont), FALSE);
        setItemText(dialog, controlId, disk::diskChoiceLine(info));
        enableItem(dialog, controlId, info.isPresent());
    }
    return TRUE;
}

INT_PTR onCommand(HWND dialog, LostVolumesWindow& self, int controlId, int notification) {
    if (controlId == IDC_VSCAN_LIST) {
        if (notification == LBN_SELCHANGE) enableItem(dialog, IDC_VSCAN_OPEN, chosenVolume(dialog, self) != nullptr);
        if (notification == LBN_DBLCLK) onOpen(dialog, self);
        return TRUE;
    }
    if (notification != BN_CLICKED) return FALSE;
    if (controlId >= IDC_VDISK_FIRST_DISK && controlId <= IDC_VDISK_LAST_DISK && !self.searching()) {
        CheckRadioButton(dialog, IDC_VDISK_FIRST_DISK, IDC_VDISK_LAST_DISK, controlId);
        self.diskDigit = static_cast<char>('0' + controlId - IDC_VDISK_FIRST_DISK);
        enableItem(dialog, IDC_VSCAN_SEARCH, true);
    } else if (controlId == IDC_VSCAN_SEARCH && self.searching()) {
        onStop(dialog, self);
    } else if (controlId == IDC_VSCAN_SEARCH || controlId == IDOK) {
        onSearch(dialog, self);
    } else if (controlId == IDC_VSCAN_OPEN) {
        onOpen(dialog, self);
    } else if (controlId == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

INT_PTR CALLBACK lostVolumesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LostVolumesWindow* self = dialogObject<LostVolumesWindow>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND: return onCommand(dialog, *self, LOWORD(wParam), HIWORD(wParam));
        case WM_TIMER: onTimer(dialog, *self); return TRUE;
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

std::optional<ntfs::VirtualDiskDialog> runLostVolumesDialog(AppState& state) {
    LostVolumesWindow self(state);
    DialogBoxParamW(state.instance, L"V_SCAN", state.mainWindow, lostVolumesDialogProc, reinterpret_cast<LPARAM>(&self));
    endSearch(self);
    if (self.linesFont != nullptr) DeleteObject(self.linesFont);
    return self.opened;
}

}  // namespace quenzar::app
