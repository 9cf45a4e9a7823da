// Control identifiers of the progress dialog WAIT of an analysis, shared by recovery_dialogs.rc
// and the code. Plain #defines, so the resource compiler can read this file too.
#pragma once

// The one timer of the progress dialogs.
#define IDT_PROGRESS 4000

#define IDC_WAIT_STOP 1600
#define IDC_WAIT_PROGRESS 1602
// The counters, in use / deleted side by side: every file found, the files that passed the
// filter, the folders, every file's megabytes, the passed files' megabytes.
#define IDC_WAIT_FILES_IN_USE 1603
#define IDC_WAIT_FILES_DELETED 1604
#define IDC_WAIT_MATCHED_IN_USE 1605
#define IDC_WAIT_MATCHED_DELETED 1606
#define IDC_WAIT_FOLDERS_IN_USE 1607
#define IDC_WAIT_FOLDERS_DELETED 1608
#define IDC_WAIT_MB_IN_USE 1609
#define IDC_WAIT_MB_DELETED 1610
#define IDC_WAIT_MATCHED_MB_IN_USE 1611
#define IDC_WAIT_MATCHED_MB_DELETED 1612

// Labels.
#define IDC_WAIT_HEADING 1630
#define IDC_WAIT_EXISTING_LABEL 1631
#define IDC_WAIT_DELETED_LABEL 1632
#define IDC_WAIT_FILES_LABEL 1633
#define IDC_WAIT_MATCHED_LABEL 1634
#define IDC_WAIT_FOLDERS_LABEL 1635
#define IDC_WAIT_MB_LABEL 1636
#define IDC_WAIT_MATCHED_MB_LABEL 1637
#define IDC_WAIT_NOTE 1638
