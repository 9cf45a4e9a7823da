#include "app/viewer/sector_viewer.h"

#include <algorithm>
#include <optional>

#include "app/vdisk/mft_record_dialog.h"
#include "app/viewer/cluster_dialog.h"
#include "ntfs/mft_lookup.h"
#include "viewer/adjustment.h"
#include "viewer/cluster_navigation.h"
#include "viewer/position_panels.h"

namespace quenzar::app {
namespace {

const disk::PhysicalDiskInfo& diskOf(const AppState& state, char diskDigit) {
    return state.inventory.disk(diskDigit >= '0' && diskDigit <= '7' ? diskDigit : '0');
}

// The virtual-disk panel names the MFT record of the page shown: records smaller than a sector
// share one, so it follows a page step as well as a read.
void showVirtualPanel(AppState& state) {
    const viewer::ViewerState& shown = state.viewer;
    state.viewerPanels.virtualDisk = viewer::virtualPanel(state.volumeParams, shown.position.diskDigit,
                                                          shown.position.lba, shown.page * viewer::kViewPageBytes);
}

// The record the MFT lookup shows: the one asked for, limited as the lookup limits it (to the
// $MFT's last record and to the last record of its table).
std::uint64_t lookedUpRecord(const AppState& state) {
    const ntfs::MftRunTable& table = state.analysis.virtualDisk.runTable;
    std::uint64_t number = std::min(state.mftLookup.requestedRecord, state.volumeParams.mftRecordLimit);
    if (table.rowCount != 0) number = std::min<std::uint64_t>(number, table.rows[table.rowCount - 1].lastRecord);
    return number;
}

}  // namespace

void readViewerSector(AppState& state) {
    viewer::ViewerState& shown = state.viewer;
    const viewer::SectorPosition read = viewer::GoToSector(*state.disks, state.inventory, state.volumeParams,
                                                           shown.position.diskDigit, shown.position.lba);
    shown.viewBytes.fill(0);
    std::copy_n(read.bytes.begin(), std::min(read.bytes.size(), shown.viewBytes.size()), shown.viewBytes.begin());
    shown.sectorBytes = read.sectorBytes;
    shown.page = std::min(shown.page, shown.pageCount() - 1);
    const auto page = shown.shownPage();
    std::copy(page.begin(), page.end(), shown.editSector.begin());
    state.viewerPanels = {read.physical, read.logical, read.virtualDisk};
    showVirtualPanel(state);
}

void enterSectorView(AppState& state, viewer::ViewKind kind) {
    viewer::ViewerState& shown = state.viewer;
    const viewer::InitialDrive initial =
        viewer::initialDrive(state.inventory, shown.position.diskDigit, shown.position.lba);
    const disk::LogicalDriveInfo* volume = initial.letter == '?' ? nullptr : &state.inventory.drive(initial.letter);
    viewer::beginSectorView(shown, kind, volume);
    const std::optional<viewer::NavigationChoice> choice = runClusterDialog(state, initial);
    const disk::PhysicalDiskInfo& disk = diskOf(state, choice ? choice->diskDigit : shown.position.diskDigit);
    if (viewer::finishSectorView(shown, kind, choice, disk.sectorsPerTrack, disk.tracksPerCylinder)) {
        readViewerSector(state);
    } else if (state.viewerPanels.physical.empty()) {
        readViewerSector(state);  // the first visit shows where the viewer stands
    }
}

void enterRecordView(AppState& state) {
    runMftRecordDialog(state);
    const ntfs::NtfsVolumeParams& params = state.volumeParams;
    const char diskDigit = params.diskDigit == '?' ? '0' : params.diskDigit;
    const std::optional<std::uint64_t> lba =
        ntfs::recordLba(state.mftLookup.requestedRecord, params, state.analysis.virtualDisk.runTable);
    const disk::PhysicalDiskInfo& disk = diskOf(state, diskDigit);
    const std::uint32_t page = viewer::recordPage(lookedUpRecord(state), params.fileRecordBytes(),
                                                  viewer::viewerSectorBytes(disk.bytesPerSector));
    if (viewer::enterRecordView(state.viewer, lba, diskDigit, disk.sectorsPerTrack, disk.tracksPerCylinder, page)) {
        readViewerSector(state);
    }
    state.viewer.screenMode = static_cast<char>(viewer::Presentation::FileRecord);
}

void onViewerKeyUp(AppState& state, WPARAM virtualKey) {
    viewer::adjustmentKeyUp(state.viewerAdjustment, static_cast<std::uint8_t>(virtualKey));
}

ScreenMode viewerScreenMode(const AppState& state) {
    return state.viewer.screenMode == static_cast<char>(viewer::Presentation::FileRecord) ? ScreenMode::RecordViewer
                                                                                       : ScreenMode::HexViewer;
}

bool onViewerKey(AppState& state, WPARAM virtualKey) {
    viewer::ViewerState& shown = state.viewer;
    if (shown.adjustmentOn) {
        // Saving (F12) is not offered: the changes live in the working copy only.
        if (virtualKey == VK_ESCAPE) viewer::cancelAdjustment(shown, state.viewerAdjustment);
        if (virtualKey == VK_ESCAPE || virtualKey == VK_F12) return true;
        return viewer::applyAdjustmentKey(shown, state.viewerAdjustment, static_cast<std::uint8_t>(virtualKey));
    }
    if (virtualKey == VK_F9) {
        if (shown.screenMode != static_cast<char>(viewer::Presentation::Hex)) return false;
        viewer::startAdjustment(shown, state.viewerAdjustment);
        return true;
    }
    struct Binding {
        WPARAM virtualKey;
        viewer::ViewerKey key;
    };
    constexpr Binding kBindings[] = {
        {VK_F2, viewer::ViewerKey::F2},       {VK_F3, viewer::ViewerKey::F3},     {VK_F4, viewer::ViewerKey::F4},
        {VK_F5, viewer::ViewerKey::F5},       {VK_F6, viewer::ViewerKey::F6},     {VK_F7, viewer::ViewerKey::F7},
        {VK_F8, viewer::ViewerKey::F8},       {VK_UP, viewer::ViewerKey::Up},     {VK_DOWN, viewer::ViewerKey::Down},
        {VK_PRIOR, viewer::ViewerKey::PageUp}, {VK_NEXT, viewer::ViewerKey::PageDown},
        {VK_HOME, viewer::ViewerKey::Home},   {VK_END, viewer::ViewerKey::End},
    };
    const auto binding = std::find_if(std::begin(kBindings), std::end(kBindings),
                                      [&](const Binding& entry) { return entry.virtualKey == virtualKey; });
    if (binding == std::end(kBindings)) return false;
    const disk::PhysicalDiskInfo& disk = diskOf(state, state.viewer.position.diskDigit);
    const std::uint32_t pageBefore = shown.page;
    if (viewer::applyViewerKey(state.viewer, binding->key, disk.sectorsPerTrack, disk.tracksPerCylinder)) {
        readViewerSector(state);
    } else if (shown.page != pageBefore) {
        const auto page = shown.shownPage();
        std::copy(page.begin(), page.end(), shown.editSector.begin());
        showVirtualPanel(state);
    }
    state.screenMode = viewerScreenMode(state);
    return true;
}

}  // namespace quenzar::app
