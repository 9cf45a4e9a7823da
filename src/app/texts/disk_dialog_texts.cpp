#include "app/texts/disk_dialog_texts.h"

#include "resources/disk_dialog_ids.h"

namespace quenzar::app::texts {
namespace {

// The double blanks and the odd letters of the English texts are the program's own wording.
constexpr ControlText kHidingTexts[] = {
    {IDC_HDOFF_CANCEL, {"Отмена", "Cancel"}},
    {IDC_HDOFF_GROUP, {"ЖЕСТКИЙ ДИСК, КОТОРЫЙ НАДО СДЕЛАТЬ НЕВИДИМЫМ", "HARD DISK TO BE MADE INVISIBLE"}},
    {IDC_HDOFF_TEXT,
     {"Данная операция заключается в изменении первых  четырех  секторов жесткого\r\n"
      "диска. Они изменяются по образцу GUID Partition Table (GPT) так, чтобы для операционной\r\n"
      "системы Windows диск оставался занятым, но не размеченным. Копия исходных секторов\r\n"
      "записывается по адресу LBA 58 и служит для возврата разметки диска в исходное состояние. \r\n"
      "\r\n"
      "Для вступления операции в силу будет выполнена перезагрузка системы. Этот диск для Windows\r\n"
      "станет не размеченным. Если на диске есть сбойные секторы, которые приводили к сбоям и\r\n"
      "зависаниям, они больше не будут мешать работе операционной системы. \r\n"
      "\r\n"
      "  ВНИМАНИЕ! Данные с этого диска придется восстанавливать сторонними программами, такими как эта. ",
      "This operation consists in changing the first four sectors of the  hard  disk.  They modified \r\n"
      "standard GUID Partition Table GGPTт so that the operating  system  Windows,  the drive \r\n"
      "remains busyt but unused. A copy of the source sectors recorded at LBA 58, and is used \r\n"
      "to return the disk layout to the original condition. \r\n"
      "\r\n"
      "For the entry into force of this operation will  restart  the  system.  This  disk  for Windows \r\n"
      "will be untagged. If the disk were failures sector of spaceа which led to  the  failures and \r\n"
      "lockups and they won't interfere with the operating system. \r\n"
      "\r\n"
      "  ATTENTION! Data on that drive will have to restore third party programs such as this. "}},
};

constexpr ControlText kRestoringTexts[] = {
    {IDC_HDOFF_CANCEL, {"Отмена", "Cancel"}},
    {IDC_HDOFF_GROUP, {"ЖЕСТКИЙ ДИСК, КОТОРЫЙ НАДО ВЕРНУТ В СИСТЕМУ", "HARD DISK, WHICH MUST BE RETURNED TO THE SYSTEM"}},
    {IDC_HDOFF_TEXT,
     {"Данная операция восстанавливает исходное значение первых четырех секторов на жестком диске из ранее сохраненной их копии по адресу LBA 58. \r\n"
      "\r\n"
      "Для вступления операции в силу будет выполнена перезагрузка системы. После  перезагрузки этот диск для Windows станет размеченным. Но если на диске есть сбойные секторы, они могут приводить к различным проблемам и зависаниям. \r\n"
      "\r\n"
      "ВНИМАНИЕ!   Во время перезагрузки система может попытаться запустить проверку диска. При этом она выводит предупреждение и некоторое время ждет нажатия клавиши Esc для отмены проверки. Проверка диска может привести к необратимой потере информации, поэтому разрешать ее НИ В КОЕМ СЛУЧАЕ НЕЛЬЗЯ! ",
      "This operation restores the original value of the first four sectors on the  hard  disk  from a previously saved their copies at the following address LBA 58. \r\n"
      "\r\n"
      "For the entry into force of this transaction will be rebooted the system. After  a  reboot this disk for Windows will be delineated. But, if the disk is the failure  of  the  sector  of space, they can lead to different problems and hangs. \r\n"
      "\r\n"
      "ATTENTION!   At  the time of the reboot, the system can try to run a scan disk. With this, it prints a warning message, and for some time will wait for the user to  press  the  Esc key to cancel the scan. Scan disk can lead to irreversible loss of information so it allow IN NO CASE can NOT be! "}},
};

const DialogTexts kHidingDialog{{"Сделать диск для Windows не размеченным", "Make the disk for Windows is not marked up with"}, kHidingTexts};
const DialogTexts kRestoringDialog{{"Сделать диск видимым для Windows", "Make the disk visible to Windows"}, kRestoringTexts};

}  // namespace

const DialogTexts& hideDiskDialogTexts(HideDialogMode mode) {
    return mode == HideDialogMode::Hide ? kHidingDialog : kRestoringDialog;
}

}  // namespace quenzar::app::texts
