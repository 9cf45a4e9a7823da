// Start-up of the desktop program: the language, the folders, the checks that the program can
// work here (an NT Windows, the rights to open a disk for reading and writing), the inventory,
// the texts, the folder-list work area, the main window and its message loop, and the clean-up
// when the loop ends.
#pragma once

#include <windows.h>

#include "app/app_state.h"

namespace quenzar::app {

// The current folder as code page 1251 text, "" when it cannot be read.
std::string currentFolder1251();

// The Windows class for the rights message: "7" for major version 6, "X" for any other.
char osClassOf(DWORD majorVersion);

// The version check: false, after the message, when the platform is not NT.
bool checkWindowsVersion(AppState& state, DWORD platformId, DWORD majorVersion);

// The rights check: disk 0 must open for reading and writing (nothing is written; it is closed at
// once). False, after the rights message of the language and Windows class, when it does not.
bool checkDiskRights(AppState& state);

// The whole start-up on `state` (whose disks and seams are set): returns the process's exit code,
// 0 both after a refusal and after a normal end.
int startUp(AppState& state, std::wstring_view commandLine, LANGID userLanguage);

}  // namespace quenzar::app
