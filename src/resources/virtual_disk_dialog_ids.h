// Control identifiers of the virtual-disk dialogs V_BOOT (from the boot sector), V_MFT (from the
// first record of the $MFT) and V_FR (from any FILE record), shared by virtual_disk_dialogs.rc and
// the code. The three dialogs share most numbers; each has only the controls it shows. Plain
// #defines, so the resource compiler can read this file too.
#pragma once

// Common to the three dialogs.
#define IDC_VDISK_INPUT_GROUP 9601       // "INITIAL DATA FOR CALCULATION OF"
#define IDC_VDISK_DISK_GROUP 9532        // "2. Source physical disk"
#define IDC_VDISK_DISK_HEADING 9533      // "Disk type       Capacity       Total sectors"
#define IDC_VDISK_FIRST_DISK 9534        // radio buttons of disks 0 to 7: 9534 to 9541
#define IDC_VDISK_LAST_DISK 9541
#define IDC_VDISK_OUTPUT_GROUP 9603      // "CALCULATED PARAMETERS OF VIRTUAL DISK" (V_MFT, V_FR)
#define IDC_VDISK_RESULT_GROUP 9701      // "COMPLIANCE"
#define IDC_VDISK_RESULT 9553            // the result word
#define IDC_VDISK_RUN_GROUP 9702         // "TO RECONSTRUCT THE DIRECTORY TREE"
#define IDC_VDISK_RUN 9500               // "RUN RECONSTRUCTION"
#define IDC_VDISK_SECTOR 9572            // posts 832
#define IDC_VDISK_CLUSTER 9570           // posts 831
#define IDC_VDISK_MFT_NUMBER 9560        // posts 830

// The number fields, by what they show.
#define IDC_VDISK_BOOT_LBA 9511
#define IDC_VDISK_CLUSTER_SIZE 9517
#define IDC_VDISK_MFT_CLUSTER 9531
#define IDC_VDISK_MFT_LBA 9551
#define IDC_VDISK_RECORD_LBA 9563
#define IDC_VDISK_FAT32_CLUSTER_SIZE 9518
#define IDC_VDISK_FAT32_RESERVED 9521
#define IDC_VDISK_FAT32_FAT_SIZE 9524
#define IDC_VDISK_FAT32_ROOT_CLUSTER 9527
#define IDC_VDISK_FAT16_CLUSTER_SIZE 9519
#define IDC_VDISK_FAT16_RESERVED 9522
#define IDC_VDISK_FAT16_FAT_SIZE 9525
#define IDC_VDISK_FAT16_ROOT_ENTRIES 9529

// V_BOOT.
#define IDC_VBOOT_GROUP 9602             // "1. Beginning of a virtual disk (BOOT sector)"
#define IDC_VDISK_BOOT_LBA_LABEL 9510
#define IDC_VBOOT_APPLY 9503
#define IDC_VBOOT_NTFS 9513              // file-system radio buttons, set by the program
#define IDC_VBOOT_FAT32 9514
#define IDC_VBOOT_FAT16 9515
#define IDC_VBOOT_CLUSTER_SIZE_LABEL 9516
#define IDC_VBOOT_RESERVED_LABEL 9520
#define IDC_VBOOT_FAT_SIZE_LABEL 9523
#define IDC_VBOOT_ROOT_CLUSTER_LABEL 9526
#define IDC_VBOOT_ROOT_ENTRIES_LABEL 9528
#define IDC_VDISK_MFT_CLUSTER_LABEL 9530
#define IDC_VBOOT_MFT_GROUP 9550         // "CALCULATED POSITION OF BEGINNING OF MFT"

// V_MFT.
#define IDC_VMFT_GROUP 9604
#define IDC_VMFT_LBA_LABEL 9613
#define IDC_VMFT_APPLY 9543
#define IDC_VMFT_CLUSTER_SIZE_LABEL 9607
#define IDC_VMFT_MFT_CLUSTER_LABEL 9608

// V_FR.
#define IDC_VFR_LBA_LABEL 9614
#define IDC_VFR_APPLY 9555
#define IDC_VFR_BOOT_LABEL 9616
#define IDC_VFR_MFT_LABEL 9615
#define IDC_VFR_CLUSTER_SIZE_LABEL 9612
#define IDC_VFR_DIAGNOSTICS_GROUP 9611
#define IDC_VFR_DIAGNOSTIC1 9565         // the six lines: 9565 to 9569, then 9571
#define IDC_VFR_DIAGNOSTIC6 9571

// V_SCAN: the search for lost volumes. The disk choice is the one of the three dialogs above.
#define IDC_VSCAN_GROUP 9620             // "1. Reading the disk"
#define IDC_VSCAN_SEARCH 9621            // "SEARCH"
#define IDC_VSCAN_PROGRESS 9622
#define IDC_VSCAN_STATUS 9623
#define IDC_VSCAN_LIST_GROUP 9624        // "3. Volumes found"
#define IDC_VSCAN_LIST_HEADING 9625
#define IDC_VSCAN_LIST 9626
#define IDC_VSCAN_OPEN 9627              // opens V_BOOT or V_MFT with the chosen volume
