// The main window: a fixed-size window of class "Quenzar" whose title names the program in the
// user's language. Its window procedure (main_window.cpp) is the hub: it hands menu commands and
// the commands that dialogs post to main_commands.cpp and painting to screen_painting.cpp.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/app_state.h"

namespace quenzar::app {

inline constexpr wchar_t kMainWindowClass[] = L"Quenzar";
// Outer size in pixels, frame and title bar included.
inline constexpr int kMainWindowWidth = 995;
inline constexpr int kMainWindowHeight = 635;
// A title bar with system menu and minimise box; no maximise box and no sizing border.
inline constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The language the program starts in. A "/" anywhere in the command line forces English (the
// program's only option); otherwise a user whose default language is Russian (any sublanguage)
// gets Russian and everyone else English.
bool startsInEnglish(std::wstring_view commandLine, LANGID userDefaultLanguage);

// Registers the window class (the first time), loads and relabels the menu MENU1 for the current
// language, and creates the main window, hidden, on `state`. Returns null when any of it fails.
// Destroying the window ends the message loop with exit code 0.
HWND createMainWindow(AppState& state);

// createMainWindow, then shows the window and runs the message loop until the window is
// destroyed. Returns the loop's result.
int runMainWindow(AppState& state);

}  // namespace quenzar::app
