#include "app/texts/tree_window_texts.h"

#include "resources/tree_window_ids.h"

namespace quenzar::app::texts {
namespace {

// The blanks at the end of "One of them selected    " are the program's own wording.
constexpr ControlText kTreeTexts[] = {
    {IDC_TREE_EXISTING_LABEL, {"Существующие", "Existing"}},
    {IDC_TREE_DELETED_LABEL, {"Удаленные", "Deleted"}},
    {IDC_TREE_FOUND_LABEL, {"Найдено файлов всего", "Files found all"}},
    {IDC_TREE_FOUND_MB_LABEL, {"Общий объем файлов (МБ)", "The total file size (MB)"}},
    {IDC_TREE_SELECTED_LABEL, {"Из них отобрано", "One of them selected    "}},
    {IDC_TREE_SELECTED_MB_LABEL, {"Общий объем файлов (МБ)", "The total file size (MB)"}},
    {IDC_TREE_MARKED_LABEL, {"Отмечено для восстановления", "Noted for the restoration of"}},
    {IDC_TREE_MARKED_MB_LABEL, {"Общий объем файлов (МБ)", "The total file size (MB)"}},
    {IDC_TREE_AREA_GROUP, {"Область, занятая файлами", "The area occupied for the files"}},
    {IDC_TREE_FIRST_CLUSTER_LABEL, {"Самый первый занятый кластер", "The very first occupied by the cluster"}},
    {IDC_TREE_LAST_CLUSTER_LABEL, {"Последний занятый данными кластер", "The last busy cluster under the data"}},
    {IDC_TREE_SELECT_ALL, {"Выбрать все", "Select all"}},
    {IDC_TREE_CLEAR_ALL, {"Погасить все", "Repay all"}},
    {IDC_TREE_RESTORE, {"ПРОВЕРОЧНОЕ ИЗВЛЕЧЕНИЕ", "CHECK EXTRACT"}},
    {IDC_TREE_ORDER, {"ЗАПРОС УСЛУГИ ВОССТАНОВЛЕНИЯ", "REQUEST SERVICE RECOVERY"}},
};
const DialogTexts kTreeWindow{{"", ""}, kTreeTexts};

constexpr ControlText kTreeProgressTexts[] = {
    {IDC_WAITP_HEADING, {"ЖДИТЕ ЗАВЕРШЕНИЯ ОПЕРАЦИЙ", "WAIT FOR TERMINATION OPERATIONS"}},
    {IDC_WAITP_NOTE1,
     {"Время обработки зависит от количества отобранных файлов.",
      "The processing time depends on the number of the filtered files."}},
    {IDC_WAITP_NOTE2,
     {"Оно может составить от миллисекунд до нескольких минут.", "You may need as milliseconds and several minutes."}},
    {IDC_WAITP_STOP, {"Прекратить немедленно", "To stop immediately"}},
};
const DialogTexts kTreeProgress{{"", ""}, kTreeProgressTexts};

constexpr ControlText kRestoreProgressTexts[] = {
    {IDC_WAITR_HEADING, {"ЖДИТЕ ЗАВЕРШЕНИЯ ОПЕРАЦИИ", "WAIT FOR OPERATION TO COMPLETE"}},
    {IDC_WAITR_TIME_GROUP, {"Until the end of the left ??:??:??", "Until the end of the left ??:??:??"}},
    {IDC_WAITR_RECORDED_LABEL, {"Записано МБ", "Recorded MB"}},
    {IDC_WAITR_SPEED_LABEL, {"Скорость КБ/Сек", "Speed KB/S"}},
    {IDC_WAITR_LEFT_LABEL, {"Осталось МБ", "MB Left"}},
    {IDC_WAITR_CURRENT_GROUP, {"Текущий восстанавливаемый файл", "Current restore file"}},
    {IDC_WAITR_FOLDER_LABEL, {"Папка", "Folder"}},
    {IDC_WAITR_FILE_LABEL, {"Файл", "File"}},
    {IDC_WAITR_STOP, {"ПРЕКРАТИТЬ НЕМЕДЛЕННО", "TO STOP IMMEDIATELY"}},
};
const DialogTexts kRestoreProgress{{"", ""}, kRestoreProgressTexts};

}  // namespace

const DialogTexts& treeWindowTexts() { return kTreeWindow; }
const DialogTexts& treeProgressTexts() { return kTreeProgress; }
const DialogTexts& restoreProgressTexts() { return kRestoreProgress; }

// "64 К" is written with the Cyrillic letter, in both languages, as the program always showed it.
const BoxText kRestoreQuestion{
    {"КОНТРОЛЬ СТЕПЕНИ ВОЗМОЖНОГО ВОССТАНОВЛЕНИЯ", "CONTROL OF THE LEVEL OF POSSIBLE RECOVERY"},
    {"Эта функция предназначена для проверки ВОЗМОЖНОСТИ \r\n"
     "программы восстановить файлы в текущей ситуации \r\n"
     "потери данных.\r\n\r\n"
     "Восстанавливаются нефрагментированные файлы длиной \r\n"
     "от одного до 64 К байт. \r\n\r\n"
     "Если эти файлы будут восстановлены успешно, то вероят- \r\n"
     "ность восстановления остальных файлов будет высокой. \r\n\r\n"
     "        ВЫПОЛНИТЬ ТЕСТОВОЕ ВОССТАНОВЛЕНИЕ ФАЙЛОВ? ",
     "This function is designed to verify the POSSIBILITIES of \r\n"
     "the program to restore the files in the  current situation \r\n"
     "of data loss.\r\n\r\n"
     "The restored not fragmented files in length from  one to \r\n"
     "64 К bytes. \r\n\r\n"
     "If these files will be restored successfully, then the pro- \r\n"
     "bability  of  recovery  of  other  remaining  files,  will  be \r\n"
     "high. \r\n\r\n"
     "             DO A TEST RESTORE FILES? "}};

const BoxText kNothingMarked{{"ОШИБКА", "ERROR"},
                             {"Вы не выбрали ни одного файла для восстановления.",
                              "You do not select any file to restore."}};

const BoxText kTargetOnSource{
    {"НЕВЕРНО ЗАДАН ДИСК ДЛЯ ЗАПИСИ ДАННЫХ!", "INCORRECTLY SPECIFIED DISK FOR RECORDING DATA!"},
    {"Вы выбрали папку, которая расположена на логическом \r\n"
     "диске, где находятся извлекаемые данные. \r\n\r\n"
     "Выберите папку на другом логическом диске.   Это  мо- \r\n"
     "жет быть флеш или USB сменный диск. ",
     "You select a folder, which is located on the logical \r\n"
     "disk, where are extracted data. \r\n\r\n"
     "Select a folder on another logical drive. It can be \r\n"
     "AC, flash or USB removable disk.\r\n"}};

const BoxText kTargetChooser{
    {"Выбор папки для записи данных", "Selecting a folder for recording data"},
    {"Выбранная папка не должна находится на логических дисках расположенных на исходном диске.",
     "The selected folder must not be located on the logical drives locatedon the source disk."}};

}  // namespace quenzar::app::texts
