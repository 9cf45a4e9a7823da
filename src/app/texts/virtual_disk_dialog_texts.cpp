#include "app/texts/virtual_disk_dialog_texts.h"

#include "resources/virtual_disk_dialog_ids.h"

namespace quenzar::app::texts {
namespace {

// The blanks of the disk heading stand its words over the columns of the disk lines.
constexpr ControlText kSharedTexts[] = {
    {IDC_VDISK_INPUT_GROUP, {"ИСХОДНЫЕ ДАННЫЕ ДЛЯ РАСЧЕТА", "INITIAL DATA FOR CALCULATION OF"}},
    {IDC_VDISK_DISK_GROUP, {"2. Физический диск-источник", "2. Source physical disk"}},
    {IDC_VDISK_DISK_HEADING,
     {"Тип диска       Емкость        Всего секторов", "Disk type       Capacity       Total sectors"}},
    {IDC_VDISK_RESULT_GROUP, {"СООТВЕТСТВИЕ", "COMPLIANCE"}},
    {IDC_VDISK_RUN_GROUP, {"РЕКОНСТРУКЦИЯ ДЕРЕВА КАТАЛОГОВ", "TO RECONSTRUCT THE DIRECTORY TREE"}},
    {IDC_VDISK_RUN, {"ЗАПУСТИТЬ РЕКОНСТРУКЦИЮ", "RUN RECONSTRUCTION"}},
    {IDC_VDISK_SECTOR, {"Сектор", "Sector"}},
    {IDC_VDISK_CLUSTER, {"Кластер", "Cluster"}},
    {IDC_VDISK_MFT_NUMBER, {"№ MFT", "No MFT"}},
};

constexpr ControlText kBootSectorTexts[] = {
    {IDC_VBOOT_GROUP, {"1. Начало виртуального диска (BOOT сектор)", "1. Beginning of a virtual disk (BOOT sector)"}},
    {IDC_VDISK_BOOT_LBA_LABEL, {"LBA адрес загрузочного сектора", "LBA address of the boot sector"}},
    {IDC_VBOOT_APPLY, {"ПРИМЕНИТЬ", "APPLY"}},
    {IDC_VBOOT_CLUSTER_SIZE_LABEL, {"Размер кластера в секторах", "Cluster size in sectors of"}},
    {IDC_VBOOT_RESERVED_LABEL, {"Резервных секторов", "Backup sectors"}},
    {IDC_VBOOT_FAT_SIZE_LABEL, {"Размер FAT в секторах", "Размер FAT в секторах"}},
    {IDC_VBOOT_ROOT_CLUSTER_LABEL, {"Номер кластера ROOT", "Number of cluster ROOT"}},
    {IDC_VBOOT_ROOT_ENTRIES_LABEL, {"Число элементов ROOT", "The number of elements ROOT"}},
    {IDC_VDISK_MFT_CLUSTER_LABEL, {"Номер кластера $MFT", "Cluster number for $MFT"}},
    {IDC_VBOOT_MFT_GROUP, {"РАСЧЕТНОЕ ПОЛОЖЕНИЕ НАЧАЛА MFT", "CALCULATED POSITION OF BEGINNING OF MFT"}},
};

constexpr ControlText kMftPositionTexts[] = {
    {IDC_VMFT_GROUP,
     {"1. Начальный адрес главной файловой таблицы MFT", "1. Starting address of the main file теблицы MFT"}},
    {IDC_VMFT_LBA_LABEL, {"LBA адрес MFT на HD", "LBA address of the MFT on the HD"}},
    {IDC_VMFT_APPLY, {"ПРИМЕНИТЬ", "ПРИМЕНИТЬ"}},
    {IDC_VDISK_OUTPUT_GROUP, {"РАСЧЕТНЫЕ ПАРАМЕТРЫ ВИРТУАЛЬНОГО ДИСКА", "CALCULATED PARAMETERS OF VIRTUAL DISK"}},
    {IDC_VDISK_BOOT_LBA_LABEL, {"3. LBA начала виртуального диска на HD", "LBA address of the boot sector"}},
    {IDC_VMFT_CLUSTER_SIZE_LABEL, {"4. Размер кластера в секторах", "4. Cluster size in sectors of the"}},
    {IDC_VMFT_MFT_CLUSTER_LABEL, {"5. Начальный кластер файловой таблицы MFT", "5. Starting cluster of file table MFT"}},
};

constexpr ControlText kFileRecordTexts[] = {
    {IDC_VFR_LBA_LABEL, {"1. LBA записи FILE Record", "1. LBA записи FILE Record"}},
    {IDC_VFR_APPLY, {"ПРИМЕНИТЬ", "APPLY"}},
    {IDC_VDISK_OUTPUT_GROUP, {"РАСЧЕТНЫЕ ПАРАМЕТРЫ ВИРТУАЛЬНОГО ДИСКА", "CALCULATED PARAMETERS OF VIRTUAL DISK"}},
    {IDC_VFR_BOOT_LABEL,
     {"3. Начало виртуального диска (BOOT сектор)", "3. The beginning of the virtual disk (BOOT sector)"}},
    {IDC_VFR_MFT_LABEL, {"4. Начальный адрес MFT", "4. The starting address of the MFT"}},
    {IDC_VFR_CLUSTER_SIZE_LABEL, {"5. Размер кластера в секторах", "5. Cluster size in sectors of the"}},
    {IDC_VDISK_MFT_CLUSTER_LABEL, {"Номер кластера $MFT", "Cluster number for $MFT"}},
    {IDC_VFR_DIAGNOSTICS_GROUP,
     {"6. Диагностика этапов расчета параметров виртуального диска",
      "6. Diagnostics of stages of calculating parameters of virtual disk"}},
};

constexpr auto kBootSectorDialogTexts = joinTexts(kSharedTexts, kBootSectorTexts);
constexpr auto kMftPositionDialogTexts = joinTexts(kSharedTexts, kMftPositionTexts);
constexpr auto kFileRecordDialogTexts = joinTexts(kSharedTexts, kFileRecordTexts);

const DialogTexts kBootSectorDialog{{}, kBootSectorDialogTexts};
const DialogTexts kMftPositionDialog{{}, kMftPositionDialogTexts};
const DialogTexts kFileRecordDialog{{}, kFileRecordDialogTexts};

constexpr ControlText kLostVolumesTexts[] = {
    {IDC_VSCAN_GROUP, {"1. Чтение диска", "1. Reading the disk"}},
    {IDC_VSCAN_SEARCH, kScanSearch},
    {IDC_VDISK_DISK_GROUP, {"2. Физический диск-источник", "2. Source physical disk"}},
    {IDC_VDISK_DISK_HEADING,
     {"Тип диска       Емкость        Всего секторов", "Disk type       Capacity       Total sectors"}},
    {IDC_VSCAN_LIST_GROUP, {"3. Найденные тома", "3. Volumes found"}},
    {IDC_VSCAN_OPEN, {"ОТКРЫТЬ", "OPEN"}},
};

const DialogTexts kLostVolumesDialog{{"Поиск потерянных томов NTFS", "Search for lost NTFS volumes"},
                                     kLostVolumesTexts};

}  // namespace

const DialogTexts& lostVolumesDialogTexts() { return kLostVolumesDialog; }

const DialogTexts& virtualDiskDialogTexts(ntfs::VirtualDiskDialog dialog) {
    switch (dialog) {
        case ntfs::VirtualDiskDialog::FromBootSector: return kBootSectorDialog;
        case ntfs::VirtualDiskDialog::FromMftPosition: return kMftPositionDialog;
        case ntfs::VirtualDiskDialog::FromFileRecord: return kFileRecordDialog;
    }
    return kBootSectorDialog;
}

}  // namespace quenzar::app::texts
