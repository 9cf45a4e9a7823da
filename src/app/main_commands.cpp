#include "app/main_commands.h"

#include <commctrl.h>

#include "app/dialog_commands.h"
#include "app/texts/menu_relabel.h"
#include "app/vdisk/lost_volumes_dialog.h"
#include "app/vdisk/virtual_disk_dialog.h"
#include "app/viewer/sector_viewer.h"
#include "app/web_pages.h"
#include "app/wide_text.h"
#include "resources/menu_ids.h"
#include "resources/posted_command_ids.h"

namespace quenzar::app {
namespace {

// Gives the window the size of `mode` with its top left corner where it is, shows the current title
// and repaints everything in the new mode. The corner is taken from the window itself rather than
// worked back from the client area with fixed frame widths, which would move the window a few
// pixels on every change wherever the frames are wider than the classic ones.
void placeWindowFor(AppState& state, ScreenMode mode) {
    HWND window = state.mainWindow;
    RECT outer{};
    GetWindowRect(window, &outer);
    SetWindowTextW(window, wideFrom1251(state.texts.titleText).c_str());
    const WindowSize size = windowSizeOf(mode);
    MoveWindow(window, outer.left, outer.top, size.width, size.height, TRUE);
    InvalidateRect(window, nullptr, TRUE);
    state.screenMode = mode;
}

void resetToDiskScreen(AppState& state) { placeWindowFor(state, ScreenMode::Disks); }

void showDiskInventory(AppState& state, int) {
    rebuildInventory(state);
    state.screenMode = ScreenMode::Disks;
    resetToDiskScreen(state);
}

void disconnectDrives(AppState& state, int) {
    resetToDiskScreen(state);
    runDisconnectDialog(state);
}

void reconnectPartitions(AppState& state, int) {
    resetToDiskScreen(state);
    runReconnectDialog(state);
}

void restartComputer(AppState& state, int) { state.seams.runPowerAction(disk::PowerAction::Restart); }
void turnOffComputer(AppState& state, int) { state.seams.runPowerAction(disk::PowerAction::ShutDown); }

void recoverFromLogicalDrive(AppState& state, int) {
    resetToDiskScreen(state);
    startLogicalDriveAnalysis(state);
}

void recoverFromVirtualDisk(AppState& state, int commandId) {
    resetToDiskScreen(state);
    const ntfs::VirtualDiskDialog dialog = commandId == CMD_VIRTUAL_FROM_BOOT  ? ntfs::VirtualDiskDialog::FromBootSector
                                           : commandId == CMD_VIRTUAL_FROM_MFT ? ntfs::VirtualDiskDialog::FromMftPosition
                                                                               : ntfs::VirtualDiskDialog::FromFileRecord;
    state.virtualDiskHeading = ntfs::treeWindowTitle(dialog, state.texts.uiLanguage);
    runVirtualDiskDialog(state, dialog);
}

// The search for lost volumes: a volume opened from its list goes on in the virtual-disk dialog of
// the starting point that gives it back, with its numbers filled in.
void findLostVolumes(AppState& state, int) {
    resetToDiskScreen(state);
    const std::optional<ntfs::VirtualDiskDialog> dialog = runLostVolumesDialog(state);
    if (!dialog) return;
    state.virtualDiskHeading = ntfs::treeWindowTitle(*dialog, state.texts.uiLanguage);
    runVirtualDiskDialog(state, *dialog);
}

void analyseVirtualDisk(AppState& state, int) { startVirtualDiskAnalysis(state); }
void showRecoveryWindow(AppState& state, int) { openRecoveryWindow(state); }

void viewSectorOrCluster(AppState& state, int commandId) {
    state.viewSource = commandId == CMD_VIEW_SECTOR ? std::array<char, 2>{'V', 'S'} : std::array<char, 2>{'V', 'C'};
    enterSectorView(state, commandId == CMD_VIEW_SECTOR ? viewer::ViewKind::Sector : viewer::ViewKind::Cluster);
    placeWindowFor(state, ScreenMode::HexViewer);
}

void viewMftRecord(AppState& state, int) {
    enterRecordView(state);
    state.viewSource = {'R', 'M'};
    placeWindowFor(state, ScreenMode::RecordViewer);
}

void freeConsultation(AppState& state, int) { runConsultationRequest(state); }
void recoveryOrder(AppState& state, int) { sendRecoveryOrder(state); }

void showAbout(AppState& state, int) {
    placeWindowFor(state, ScreenMode::About);
    DrawMenuBar(state.mainWindow);
}

void openWebPage(AppState& state, int commandId) {
    if (auto address = pageAddress(commandId, state.texts.uiLanguage, state.webServer)) {
        state.seams.openPage(*address);
    }
}

// The language switch: texts, menu, title, a full repaint, the greyed item, the menu bar drawn.
void switchLanguage(AppState& state, int commandId) {
    texts::selectTexts(state.texts, commandId == CMD_RUSSIAN ? text::Language::Russian : text::Language::English);
    texts::relabelMenu(state.mainMenu, state.texts);
    SetWindowTextW(state.mainWindow, wideFrom1251(state.texts.titleText).c_str());
    InvalidateRect(state.mainWindow, nullptr, TRUE);
    texts::markCurrentLanguage(state.mainMenu, state.texts.uiLanguage);
    DrawMenuBar(state.mainWindow);
    // The status bar shows the folder label of the new language at once when it is there.
    if (state.statusBar != nullptr && IsWindow(state.statusBar)) {
        const std::string label = std::string(state.texts.folderLabelText()) + state.statusFolder;
        SendMessageW(state.statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(wideFrom1251(label).c_str()));
    }
}

using CommandHandler = void (*)(AppState&, int);
struct CommandEntry {
    int commandId;
    CommandHandler handler;
};

constexpr CommandEntry kCommands[] = {
    {CMD_DISK_INVENTORY, showDiskInventory},
    {CMD_DISCONNECT_DRIVES, disconnectDrives},
    {CMD_RECONNECT_PARTITIONS, reconnectPartitions},
    {CMD_RESTART_COMPUTER, restartComputer},
    {CMD_TURN_OFF_COMPUTER, turnOffComputer},
    {CMD_RECOVER_LOGICAL_DRIVE, recoverFromLogicalDrive},
    {CMD_VIRTUAL_FROM_BOOT, recoverFromVirtualDisk},
    {CMD_VIRTUAL_FROM_MFT, recoverFromVirtualDisk},
    {CMD_VIRTUAL_FROM_FILE_RECORD, recoverFromVirtualDisk},
    {CMD_FIND_LOST_VOLUMES, findLostVolumes},
    {CMD_ANALYSE_VIRTUAL_DISK, analyseVirtualDisk},
    {CMD_ANALYSIS_ENDED, showRecoveryWindow},
    {CMD_VIEW_SECTOR, viewSectorOrCluster},
    {CMD_VIEW_CLUSTER, viewSectorOrCluster},
    {CMD_VIEW_MFT_RECORD, viewMftRecord},
    {CMD_FREE_CONSULTATION, freeConsultation},
    {CMD_SEND_RECOVERY_ORDER, recoveryOrder},
    {CMD_REMOTE_RECOVERY_PAGE, openWebPage},
    {CMD_ABOUT, showAbout},
    {CMD_SUPPORT_MAIL_PAGE, openWebPage},
    {CMD_PROGRAM_PAGE, openWebPage},
    {CMD_LIBRARY_PAGE, openWebPage},
    {CMD_ENGLISH, switchLanguage},
    {CMD_RUSSIAN, switchLanguage},
};

}  // namespace

WindowSize windowSizeOf(ScreenMode mode) {
    switch (mode) {
    case ScreenMode::About: return {995, 635};
    case ScreenMode::Disks: return {897, 506};
    case ScreenMode::HexViewer:
    case ScreenMode::RecordViewer: return {735, 605};
    }
    return {995, 635};
}

void onCommand(AppState& state, int commandId) {
    if (!state.inventoryRefreshed) {
        rebuildInventory(state);
        InvalidateRect(state.mainWindow, nullptr, TRUE);
        state.inventoryRefreshed = true;
    }
    for (const CommandEntry& entry : kCommands) {
        if (entry.commandId == commandId) {
            entry.handler(state, commandId);
            return;
        }
    }
}

}  // namespace quenzar::app
