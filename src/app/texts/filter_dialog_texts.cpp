#include "app/texts/filter_dialog_texts.h"

#include <array>
#include <iterator>

#include "resources/filter_dialog_ids.h"

namespace quenzar::app::texts {
namespace {

// The blanks inside the box texts line the extensions up as the template's product boxes have
// them; the trailing blank of "Search for files that begin with " is the program's own wording.
constexpr ControlText kChoiceTexts[] = {
    {IDC_FILTER_EXTENSION_GROUP, {"Фильтр поиска файлов по расширению", "Search filter file extension"}},
    {IDC_FILTER_ARCHIVE_GROUP, {"Архивные файлы", "Archive files"}},
    {IDC_FILTER_MAIL_GROUP, {"Почтовые файлы", "Mail files"}},
    {IDC_FILTER_APPLICATION_GROUP, {"Файлы приложений", "Application files"}},
    {IDC_FILTER_USER_GROUP, {"Расширение пользователя", "The expansion of the user"}},
    {IDC_FILTER_GRAPHIC_GROUP, {"Файлы графических форматов", "Files graphic formats"}},
    {IDC_FILTER_MULTIMEDIA_GROUP, {"Мультимедийные файлы", "Multimedia files"}},
    {IDC_FILTER_PHOTO_GROUP, {"Профессиональные цифровые", "Professional digital"}},
    {IDC_FILTER_PHOTO_LABEL, {"фотографии", "photos"}},
    {IDC_FILTER_NAME_GROUP,
     {"Фильтр поиска файлов по начальным символам имени", "Search filter files by the initial characters of the name"}},
    {1518, {"Графические файлы    (*.gif)", "Graphic files        (*.gif)"}},
    {1519, {"Графические файлы    (*.tif)", "Graphic files        (*.tif)"}},
    {1520, {"Графические файлы    (*.jpg)", "Graphic files        (*.jpg)"}},
    {1521, {"Видео                (*.avi)", "Video                (*.avi)"}},
    {1522, {"Музыка               (*.mp3)", "Music                (*.mp3)"}},
    {1523, {"Звуковые файлы       (*.waw)", "Sound files          (*.waw)"}},
    {1524, {"Фото Nikon           (*.nef)", "Photos Nikon         (*.nef)"}},
    {1525, {"Фото Canon           (*.cr2)", "Photos Canon         (*.cr2)"}},
    {IDC_FILTER_USER_EXT1, {"Ваше расширение 1", "Your extension 1"}},
    {IDC_FILTER_USER_EXT2, {"Ваше расширение 2", "Your extension 2"}},
    {IDC_FILTER_USER_EXT3, {"Ваше расширение 3", "Your extension 3"}},
    {IDC_FILTER_USER_EXT4, {"Ваше расширение 4", "Your extension 4"}},
    {IDC_FILTER_ALL_EXTENSIONS,
     {"Отключить фильтрацию файлов по расширению, искать все", "Disable filtering files by extension, to search for all"}},
    {IDC_FILTER_NO_SYSTEM_FILES, {"кроме системных файлов", "in addition to system files"}},
    {IDC_FILTER_PREFIX1, {"Искать файлы, начинающиеся с ", "Search for files that begin with "}},
    {IDC_FILTER_PREFIX2, {"Искать файлы, начинающиеся с ", "Search for files that begin with "}},
    {IDC_FILTER_PREFIX3, {"Искать файлы, начинающиеся с ", "Search for files that begin with "}},
    {IDC_FILTER_ALL_NAMES,
     {"Отключить фильтрацию по имени файла, искать все", "Disable filtering on the name of file, search for all"}},
    {IDC_FILTER_EXISTING, {"Искать существующие файлы", "To find the actual files"}},
    {IDC_FILTER_DELETED, {"Искать удаленные файлы", "To search for deleted files"}},
    {IDC_FILTER_LISTING, {"Создать аналитический TXT-файл", "Create analytical TXT-file"}},
    {IDC_FILTER_APPLY, {"Применить", "Apply"}},
};

// The logical-drive dialog adds the drive's letter.
constexpr ControlText kDriveTexts[] = {
    {IDC_FILTER_DRIVE_GROUP, {"Диск с файловой системой NTFS", "Disk with NTFS file system"}},
    {IDC_FILTER_DRIVE_LABEL, {"Буква логического диска", "The letter logical disk"}},
};

constexpr auto kDriveDialogTexts = joinTexts(kChoiceTexts, kDriveTexts);

const DialogTexts kLogicalDriveDialog{
    {"Параметры поиска пользователький файлов и указание логического диска",
     "The search options are user files and specifying a logical disk"},
    kDriveDialogTexts};

// The virtual-disk dialog asks for no drive, so its title leaves the drive out.
const DialogTexts kVirtualDiskDialog{
    {"Параметры поиска пользовательских файлов", "The search options are user files"}, kChoiceTexts};

}  // namespace

const DialogTexts& filterDialogTexts(recovery::FilterDialogKind kind) {
    return kind == recovery::FilterDialogKind::LogicalDrive ? kLogicalDriveDialog : kVirtualDiskDialog;
}

}  // namespace quenzar::app::texts
