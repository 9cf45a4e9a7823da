// The state of the desktop program for its whole run, owned by the start-up code and handed to
// the main window, its commands and its painting. Nothing here is a hidden global: a test builds
// its own state, with its own disks and its own answers to the outside world.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/recovery/analysis_session.h"
#include "app/texts/shell_texts.h"
#include "disk/inventory_records.h"
#include "disk/power_commands.h"
#include "ntfs/mft_lookup.h"
#include "online/http_request.h"
#include "ntfs/volume_params.h"
#include "viewer/adjustment.h"
#include "viewer/structure_views.h"
#include "viewer/viewer_model.h"
#include "platform/disk_system.h"

namespace quenzar::app {

// Where the program reaches the outside world beyond its own windows: message boxes, the folder
// chooser, web pages, restarting or turning off the computer, ending the process. The program
// runs with systemSeams(); tests answer these themselves, so no box waits for a click, no browser
// opens, no computer restarts and the test program is not ended.
struct ShellSeams {
    // A message box without an owner window; texts in code page 1251. Returns the button chosen.
    std::function<int(std::string_view text, std::string_view caption, UINT flags)> showMessage;
    std::function<void(const std::string& address)> openPage;
    std::function<void(disk::PowerAction action)> runPowerAction;
    // The folder chooser, owned by `owner`, with its window title and instruction (1251); the
    // chosen folder in 1251, or nothing when the person cancelled.
    std::function<std::optional<std::string>(HWND owner, std::string_view title, std::string_view instruction)>
        chooseFolder;
    // Ends the program at once with the exit code (the stop buttons of the progress dialogs).
    std::function<void(int exitCode)> endProcess;
};
ShellSeams systemSeams();

// What the client area shows.
enum class ScreenMode : char {
    About = 'Z',
    Disks = 0,
    HexViewer = 'H',
    RecordViewer = 'M',
};

struct AppState {
    texts::ShellTexts texts;
    char osClass = 'X';  // "7": Windows major version 6; "X": any other NT version

    HINSTANCE instance = nullptr;
    std::string windowsFolder;
    std::string programFolder;  // the current folder at start, 1251

    HWND mainWindow = nullptr;
    HMENU mainMenu = nullptr;
    HWND statusBar = nullptr;
    HBITMAP aboutPicture = nullptr;
    std::string statusFolder;  // the current folder read again at window creation

    ScreenMode screenMode = ScreenMode::About;
    std::array<char, 2> viewSource{' ', ' '};  // "VS", "VC" or "RM": how the viewer was entered
    std::string_view virtualDiskHeading;  // the tree window title of the next virtual-disk analysis
    // The virtual disk as the virtual-disk dialogs last modelled it, and the FILE record LBA the
    // record dialog last took; kept for the whole run and shown again when a dialog reopens.
    ntfs::NtfsVolumeParams volumeParams;
    std::uint64_t storedRecordLba = 0;
    // The record number dialog's last number and its copies of the virtual disk's values.
    ntfs::MftLookupState mftLookup;
    // The sector viewer: its position, the sectors read there, the presentation shown, and the
    // position panels of the last read. Kept when the viewer is left, as the start of the next visit.
    viewer::ViewerState viewer;
    viewer::AdjustmentState viewerAdjustment;
    viewer::PanelTexts viewerPanels;
    bool inventoryRefreshed = false;
    int inventoryBuilds = 0;  // how often the inventory was built in this run
    std::array<std::uint8_t, 8> highestDiskFlags{};
    // The local time of the start, "YYYY.MM.DD  hh:mm " with its trailing blank, for the header of
    // the analytical listing.
    std::array<char, 18> startTimeText{};

    std::unique_ptr<platform::DiskSystem> disks;
    disk::InventoryState inventory;
    AnalysisSession analysis;

    std::string webServer;  // host[:port] of the maker's web server
    online::TransportLimits sendLimits;  // how long a request to it may take
    ShellSeams seams = systemSeams();
};

// Rebuilds the disk inventory from the state's disks in the current language.
void rebuildInventory(AppState& state);

}  // namespace quenzar::app
