// Resource identifiers shared by quenzar.rc and the code. Plain #defines, so the resource
// compiler can read this file too. Command identifiers have headers of their own (menu_ids.h,
// posted_command_ids.h).
#pragma once

// The program icon: one group holding the 16, 32 and 48 px images, used for the window class's
// large and small icon.
#define QUENZAR_ICON_GROUP 500

// The picture behind the about screen.
#define QUENZAR_ABOUT_PICTURE 1301

// The main window's status bar (a child control, not a resource, numbered with them).
#define QUENZAR_STATUS_BAR 999
