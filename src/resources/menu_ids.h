// Command identifiers of the main menu (MENU1), shared by quenzar.rc and the code. Plain #defines,
// so the resource compiler can read this file too. Grouped as on the menu bar.
#pragma once

// Disks
#define CMD_DISK_INVENTORY 2001
#define CMD_DISCONNECT_DRIVES 2002
#define CMD_RECONNECT_PARTITIONS 2003
#define CMD_RESTART_COMPUTER 2004
#define CMD_TURN_OFF_COMPUTER 2005

// Recovery of NTFS files: from a logical drive, or from a virtual disk computed from a boot
// sector, the $MFT record or any FILE record.
#define CMD_RECOVER_LOGICAL_DRIVE 2206
#define CMD_VIRTUAL_FROM_BOOT 2101
#define CMD_VIRTUAL_FROM_MFT 2102
#define CMD_VIRTUAL_FROM_FILE_RECORD 2103
#define CMD_FIND_LOST_VOLUMES 2104

// Items on the bar itself
#define CMD_FREE_CONSULTATION 2600
#define CMD_REMOTE_RECOVERY_PAGE 2603

// Technical support
#define CMD_ABOUT 2501
#define CMD_SUPPORT_MAIL_PAGE 2502
#define CMD_PROGRAM_PAGE 2503
#define CMD_LIBRARY_PAGE 2504

// Language
#define CMD_ENGLISH 2701
#define CMD_RUSSIAN 2702
