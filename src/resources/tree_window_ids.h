// Identifiers of the tree window PROS and of its two progress dialogs, WAITP (filling the tree,
// marking) and WAITR (the test restore), shared by recovery_dialogs.rc and the code. Plain
// #defines, so the resource compiler can read this file too.
#pragma once

// PROS
#define IDC_TREE_ORDER 8000          // "REQUEST SERVICE RECOVERY"
#define IDC_TREE_RESTORE 8001        // "CHECK EXTRACT"
#define IDC_TREE_SELECT_ALL 8002
#define IDC_TREE_CLEAR_ALL 8003      // also posted by the restore when it has ended
#define IDC_TREE_FOLDERS 8004        // the folder tree
#define IDC_TREE_LIST 8005           // the selected folder's files and sub-folders
// The statistics, in use / deleted side by side: files found, their megabytes, files selected by
// the filter, their megabytes, files marked, their megabytes.
#define IDC_TREE_FOUND_IN_USE 8006
#define IDC_TREE_FOUND_DELETED 8007
#define IDC_TREE_FOUND_MB_IN_USE 8008
#define IDC_TREE_FOUND_MB_DELETED 8009
#define IDC_TREE_SELECTED_IN_USE 8010
#define IDC_TREE_SELECTED_DELETED 8011
#define IDC_TREE_SELECTED_MB_IN_USE 8012
#define IDC_TREE_SELECTED_MB_DELETED 8013
#define IDC_TREE_MARKED_IN_USE 8014
#define IDC_TREE_MARKED_DELETED 8015
#define IDC_TREE_MARKED_MB_IN_USE 8016
#define IDC_TREE_MARKED_MB_DELETED 8017
// The clusters the files' data occupy.
#define IDC_TREE_FIRST_CLUSTER 8020
#define IDC_TREE_LAST_CLUSTER 8021
// Labels.
#define IDC_TREE_EXISTING_LABEL 8030
#define IDC_TREE_DELETED_LABEL 8031
#define IDC_TREE_FOUND_LABEL 8032
#define IDC_TREE_FOUND_MB_LABEL 8033
#define IDC_TREE_SELECTED_LABEL 8034
#define IDC_TREE_SELECTED_MB_LABEL 8035
#define IDC_TREE_MARKED_LABEL 8036
#define IDC_TREE_MARKED_MB_LABEL 8037
#define IDC_TREE_AREA_GROUP 8038
#define IDC_TREE_FIRST_CLUSTER_LABEL 8039
#define IDC_TREE_LAST_CLUSTER_LABEL 8040

// The pictures of the tree window's image lists (make-tree-window-pictures.sh): the tree's
// folders, the list's check boxes, the list's file kinds.
#define QUENZAR_TREE_ICONS 1302
#define QUENZAR_CHECK_STATES 1303
#define QUENZAR_FILE_TYPE_ICONS 1304

// WAITP
#define IDC_WAITP_PROGRESS 1622
#define IDC_WAITP_STOP 1623
#define IDC_WAITP_HEADING 1624
#define IDC_WAITP_NOTE1 1625
#define IDC_WAITP_NOTE2 1626

// WAITR
#define IDC_WAITR_STOP 9800
#define IDC_WAITR_PROGRESS 9809
#define IDC_WAITR_RECORDED_MB 9810
#define IDC_WAITR_SPEED 9811
#define IDC_WAITR_LEFT_MB 9812
#define IDC_WAITR_FOLDER 9813
#define IDC_WAITR_FILE 9814
#define IDC_WAITR_HEADING 9815
#define IDC_WAITR_RECORDED_LABEL 9816
#define IDC_WAITR_SPEED_LABEL 9817
#define IDC_WAITR_LEFT_LABEL 9818
#define IDC_WAITR_CURRENT_GROUP 9819
#define IDC_WAITR_FOLDER_LABEL 9820
#define IDC_WAITR_FILE_LABEL 9821
#define IDC_WAITR_TIME_GROUP 9822
