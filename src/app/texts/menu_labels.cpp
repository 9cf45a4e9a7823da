#include "app/texts/menu_labels.h"

#include "resources/menu_ids.h"

namespace quenzar::app::texts {
namespace {

// The blank after "With an existing logical disk" and the spelling "О прграмме" are the
// program's own wordings and are shown as they stand.
constexpr MenuLabel kMenuLabels[] = {
    {0, 0, -1, "Диски", "Disks"},
    {CMD_DISK_INVENTORY, 0, 0, "Физические и логические диски", "Physical and logical disks"},
    {CMD_DISCONNECT_DRIVES, 0, 2, "Отключить логические диски от системы", "Disable logical drives from system"},
    {CMD_RECONNECT_PARTITIONS, 0, 3, "Подключить отключенные партиции", "Connect disabled partition"},
    {CMD_RESTART_COMPUTER, 0, 5, "Перезагрузить компьютер", "Restart computer"},
    {CMD_TURN_OFF_COMPUTER, 0, 6, "Выключить компьютер", "Turn off computer"},
    {0, 1, -1, "Восстановить файлы NTFS", "Recovery files NTFS"},
    {CMD_RECOVER_LOGICAL_DRIVE, 1, 0, "С существующего логического диска", "With an existing logical disk "},
    {0, 1, 1, "С виртуального диска, рассчитанного:", "With a virtual disk, calculated according:"},
    {CMD_VIRTUAL_FROM_BOOT, 1, 1, "- по данным загрузочного сектора", "- to data boot sector"},
    {CMD_VIRTUAL_FROM_MFT, 1, 1, "- по данным записи $MFT", "- to data record $MFT"},
    {CMD_VIRTUAL_FROM_FILE_RECORD, 1, 1, "- по данным записи FILE Record", "- to data recording FILE Record"},
    {CMD_FIND_LOST_VOLUMES, 1, 1, "Поиск потерянных томов", "Search for lost volumes"},
    {CMD_FREE_CONSULTATION, 2, -1, "Бесплатная консультация", "Free consultation"},
    {CMD_REMOTE_RECOVERY_PAGE, 3, -1, "Дистанционное восстановление", "Remote recovery"},
    {0, 4, -1, "Тех. поддержка", "Technical support"},
    {CMD_ABOUT, 4, 0, "О прграмме", "About a program"},
    {CMD_SUPPORT_MAIL_PAGE, 4, 2, "Отправить письмо в тех. поддержку", "Send email to the support team"},
    {CMD_PROGRAM_PAGE, 4, 3, "Страница программы в интернет", "Application page in the Internet"},
    {CMD_LIBRARY_PAGE, 4, 5, "Библиотека программ восстановления", "The library of programs recovery"},
};

}  // namespace

std::span<const MenuLabel> menuLabels() { return kMenuLabels; }

}  // namespace quenzar::app::texts
