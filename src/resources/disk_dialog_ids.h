// Control identifiers of HD_OFF, the dialog that hides a failing disk from Windows or gives it
// back, shared by disk_dialogs.rc and the code. Plain #defines, so the resource compiler can read
// this file too.
#pragma once

#define IDC_HDOFF_OK 6301
#define IDC_HDOFF_CANCEL 6302
#define IDC_HDOFF_FIRST_DISK 6303  // radio buttons "HD0" to "HD7": 6303 to 6310
#define IDC_HDOFF_LAST_DISK 6310
#define IDC_HDOFF_TEXT 6311
#define IDC_HDOFF_GROUP 6314
