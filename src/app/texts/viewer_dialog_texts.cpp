#include "app/texts/viewer_dialog_texts.h"

#include "resources/viewer_dialog_ids.h"

namespace quenzar::app::texts {
namespace {

constexpr ControlText kClusterTexts[] = {
    {IDC_LSC_DISK_GROUP, {"ИСХОДНЫЙ ДИСК", "SOURCE DISK"}},
    {IDC_LSC_LETTER_LABEL, {"Буква логического диска:", "Letter of logical drive:"}},
    {IDC_LSC_REGION_GROUP, {"Начальные значение", "Initial value"}},
    {IDC_LSC_NUMBER_LABEL, {"Отобразить номер", "Display the number"}},
    {IDC_LSC_OK, {"OK", "OK"}},
};

// The blank inside "Физический  диск" is the program's own wording.
constexpr ControlText kMftRecordTexts[] = {
    {IDC_VNMFT_RECORD_LABEL, {"Номер записи MFT", "MFT record Number"}},
    {IDC_VNMFT_OK, {"OK", "OK"}},
    {IDC_VNMFT_DISK_LABEL, {"Физический  диск", "Physical disk"}},
    {IDC_VNMFT_VOLUME_GROUP, {"Параметры виртуального диска", "Parameters virtual disk"}},
    {IDC_VNMFT_BOOT_LBA_LABEL, {"LBA начала диска", "Start LBA of the disk"}},
    {IDC_VNMFT_MFT_CLUSTER_LABEL, {"Номер кластера $MFT", "Number of cluster $MFT"}},
    {IDC_VNMFT_CLUSTER_SIZE_LABEL, {"Размер кластера", "The cluster size"}},
};

const DialogTexts kClusterDialog{{}, kClusterTexts};
const DialogTexts kMftRecordDialog{{"Показать запись MFT с номером ", "Show the MFT record number "}, kMftRecordTexts};

}  // namespace

const DialogTexts& clusterDialogTexts() { return kClusterDialog; }
const DialogTexts& mftRecordDialogTexts() { return kMftRecordDialog; }

}  // namespace quenzar::app::texts
