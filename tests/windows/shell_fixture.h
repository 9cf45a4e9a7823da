// A main window made for a test as the program makes it: its own state with the fixture disk
// images attached, and the outside world (message boxes, web pages, restart and shutdown)
// answered by the test. Optionally shown, for checks of painting and for screenshots.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "disk/power_commands.h"

namespace quenzar::wintest {

// A fixture image's path as the program sees it ("Z:\...\mbr.img").
std::string fixtureImage(const char* name);

inline constexpr text::Language kEnglish = text::Language::English;
inline constexpr text::Language kRussian = text::Language::Russian;
inline const char* languageName(text::Language language) {
    return language == kRussian ? "Russian" : "English";
}
// The text a window shows in the language, for comparisons with what it shows.
inline const wchar_t* inLanguage(text::Language language, const wchar_t* russian, const wchar_t* english) {
    return language == kRussian ? russian : english;
}

// The images the window tests attach: two partitioned disks, a disk whose LBA 0 is an NTFS boot
// sector, a disk with a sector mask and a disk hidden from Windows.
std::vector<std::string> shellTestImages();

struct SeamRecord {
    struct Message {
        std::string text;
        std::string caption;
        UINT flags;
    };
    std::vector<Message> messages;
    std::vector<std::string> pages;
    std::vector<disk::PowerAction> powerActions;
    std::vector<std::string> folderChooserTitles;
    std::vector<std::string> folderChooserInstructions;
    std::optional<std::string> folderAnswer;  // what the folder chooser answers (1251)
    // What the message boxes answer, in turn; IDOK once these are used up.
    std::vector<int> answers;
    std::vector<int> exitCodes;               // the program asked to end with these
};

// A state in `language` whose seams write into `record`.
void prepareState(app::AppState& state, text::Language language, SeamRecord& record,
                  const std::vector<std::string>& images);

// The main window of a prepared state; destroyed with the object.
class ShellWindow {
public:
    // `disks`, when given, stands in for the fixture images.
    ShellWindow(text::Language language, bool shown, std::unique_ptr<platform::DiskSystem> disks = nullptr);
    ~ShellWindow();
    ShellWindow(const ShellWindow&) = delete;
    ShellWindow& operator=(const ShellWindow&) = delete;

    HWND window() const { return state.mainWindow; }
    // Sends WM_COMMAND and lets the window repaint. A dialog that the command opens and no
    // script of the test drives (dialog_driver.h) is closed, as a person who cancels it would.
    void command(int commandId);
    // Dispatches the pending messages (painting among them).
    void settle();

    app::AppState state;
    SeamRecord record;
};

// The window's text (title) and menu texts as UTF-16.
std::wstring windowTitle(HWND window);
std::wstring utf16(std::string_view text1251);

// A folder of its own for one test, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Copies the window as it is on the screen into FOLDER\name.bmp when QUENZAR_SCREENSHOT_DIR names
// a folder; the test run turns the pictures into PNG files.
void saveScreenshot(HWND window, const char* name);

}  // namespace quenzar::wintest

namespace quenzar::text {
// Languages in failure messages, found by argument-dependent lookup.
inline std::string describe(Language language) { return language == Language::Russian ? "Russian" : "English"; }
}  // namespace quenzar::text
