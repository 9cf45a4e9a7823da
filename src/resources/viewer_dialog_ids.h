// Control identifiers of the sector viewer's position dialogs: L_SC (a cluster of a lettered
// drive) and VNMFTV (an MFT record of the virtual disk by its number), shared by
// viewer_dialogs.rc and the code. Plain #defines, so the resource compiler can read this file too.
#pragma once

// L_SC.
#define IDC_LSC_OK 6100
#define IDC_LSC_NUMBER 6101
#define IDC_LSC_DISK_GROUP 6102
#define IDC_LSC_LETTER_LABEL 6103
#define IDC_LSC_LETTER 6106
#define IDC_LSC_REGION_GROUP 6107
#define IDC_LSC_FIRST_REGION_LABEL 6108   // 6108 to 6111
#define IDC_LSC_FIRST_REGION_VALUE 6112   // 6112 to 6115
#define IDC_LSC_NUMBER_LABEL 6116

// VNMFTV.
#define IDC_VNMFT_RECORD 7201
#define IDC_VNMFT_OK 7202
#define IDC_VNMFT_DISK 7203
#define IDC_VNMFT_BOOT_LBA 7207
#define IDC_VNMFT_MFT_CLUSTER 7208
#define IDC_VNMFT_CLUSTER_SIZE 7209
#define IDC_VNMFT_BOOT_LBA_LABEL 7210
#define IDC_VNMFT_RECORD_LABEL 7211
#define IDC_VNMFT_MFT_CLUSTER_LABEL 7212
#define IDC_VNMFT_CLUSTER_SIZE_LABEL 7213
#define IDC_VNMFT_DISK_LABEL 7214
#define IDC_VNMFT_VOLUME_GROUP 9501
