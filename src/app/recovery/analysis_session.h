// Everything the desktop program keeps about analyses: the filter the dialogs open with, the
// volume generations of the run, the progress the worker shares with the progress dialog, the
// volume being analysed and the last result.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "disk/inventory_records.h"
#include "recovery/analysis.h"
#include "recovery/generations.h"
#include "recovery/search_filter.h"
#include "text/language.h"

namespace quenzar::app {

// Where an analysis reads the MFT from: a lettered drive of the inventory, or a virtual disk
// modelled from one known sector.
enum class AnalysisMode : char { LogicalDrive = 'R', VirtualDisk = 'V' };

struct AnalysisSession {
    // Kept for the whole run: a second analysis starts from the previous choices and goes on
    // counting generations from the first.
    recovery::SearchFilter filter;
    recovery::GenerationState generations;
    // Written by the worker, read by the progress dialog on its timer.
    recovery::AnalysisProgress progress;

    AnalysisMode mode = AnalysisMode::LogicalDrive;
    char driveLetter = 0;     // the logical drive of mode R
    char diskNumber = '0';    // the disk that holds the volume, for the listing and the restore
    // The volume's first sector, in the disk's own sectors. Its sector, cluster and record sizes
    // are the analysis' own findings (result.units): the restore reads with those.
    std::uint64_t volumeStartLba = 0;
    recovery::VirtualDiskVolume virtualDisk;  // mode V: set by the virtual-disk dialogs
    std::string treeTitle;    // the tree window's title for this analysis, code page 1251

    // The work file and the listing go here; empty: the current folder.
    std::filesystem::path workFolder;
    // The MFT's piece size; tests take small pieces to watch an analysis half way.
    std::size_t mftPieceBytes = recovery::kMftPieceBytes;

    // The worker's own copies, taken when it starts: the window thread may not change them under it.
    disk::InventoryState inventory;
    text::Language language = text::Language::English;

    recovery::AnalysisResult result;
    HANDLE worker = nullptr;
    HWND progressDialog = nullptr;
};

}  // namespace quenzar::app
