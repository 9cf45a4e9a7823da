#include "app/texts/shell_texts.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "disk/inventory_screen.h"

namespace quenzar::app::texts {
namespace {

// Runs of blanks inside these texts are deliberate: they space the words of a line apart.
constexpr PairedText kPairedTexts[] = {
    {TextId::Title,
     " Quenzar Salvage   V-2.01         Восстановление файлов NTFS если windows не видит жесткий диск",
     " Quenzar Salvage   V-2.01        File recovery NTFS if windows does not see hard drive"},
    {TextId::Slogan,
     "   МЫ ВАМ ПОМОЖЕМ, ГДЕ БЫ ВЫ НИ НАХОДИЛИСЬ! ",
     "      WE CAN HELP YOU, WHEREVER YOU ARE! "},
    {TextId::About,
     "Quenzar Salvage находит и сохраняет файлы с томов NTFS, читая диск сектор за сектором.\r\n"
     "Программа работает и там, где Windows больше не видит том: таблица разделов удалена\r\n"
     "или повреждена, том отформатирован, у него нет буквы диска, диск не подключается.\r\n"
     "\r\n"
     "Программа читает MFT, восстанавливает дерево папок с существующими и удаленными\r\n"
     "файлами и потерянными папками и выполняет тестовое восстановление небольших файлов,\r\n"
     "чтобы показать, читаются ли еще данные. Исходный диск только читается: при поиске\r\n"
     "и сохранении на него ничего не пишется, файлы сохраняются в папку на другом диске.\r\n"
     "\r\n"
     "Полное восстановление тома - больших и фрагментированных файлов, всех папок -\r\n"
     "выполняет наша лаборатория восстановления данных. Заказ отправляется прямо из\r\n"
     "программы вместе с описанием проанализированного тома.",
     "Quenzar Salvage finds and saves files from NTFS volumes by reading the disk sector by sector.\r\n"
     "It works where Windows no longer sees the volume: a deleted or damaged partition table,\r\n"
     "a formatted volume, a missing drive letter, a disk that will not mount.\r\n"
     "\r\n"
     "The program reads the MFT, rebuilds the folder tree with existing and deleted files and\r\n"
     "lost folders, and test-restores small files to show whether the data can still be read.\r\n"
     "The source disk is only read: nothing is written to it while files are searched and\r\n"
     "saved, and restored files go to a folder on another drive.\r\n"
     "\r\n"
     "Full recovery of a volume - large and fragmented files, every folder - is a service of\r\n"
     "our data recovery laboratory. The order is sent from inside the program together with\r\n"
     "the description of the analysed volume."},
    {TextId::Service,
     "Окончательная  стоимость  услуг  дистанционного  восстановления  данных зависит от состояния диска и\r\n"
     "от объема восстанавливаемых данных. Бесплатная консультация (меню \"Бесплатная консультация\")\r\n"
     "отправляет в лабораторию перечень Ваших дисков; Вы получаете оценку работы и ее цену до оплаты.\r\n"
     "\r\n"
     "Дистанционное восстановление: после тестового восстановления окно восстановления отправляет заказ\r\n"
     "с описанием проанализированного тома. Лаборатория готовит восстановление, а восстановленные файлы\r\n"
     "передаются Вам через Интернет или на выбранном Вами носителе. Оплачиваются только восстановленные файлы.\r\n"
     "\r\n"
     "Пока Вы ждете ответа лаборатории, ничего не записывайте на диск с потерянными файлами: каждый новый\r\n"
     "файл может занять место того, который еще можно восстановить.",
     "The  ultimate  cost  of  providing  services  remote  data  recovery depends on the state of the disk\r\n"
     "and on the amount of data to recover. A free consultation (menu \"Free consultation\") sends the list\r\n"
     "of your disks to the laboratory; you get an estimate of the work and its price before you pay.\r\n"
     "\r\n"
     "Remote recovery: after the test restore, the recovery window sends an order with the description of\r\n"
     "the analysed volume. The laboratory prepares the recovery, and the recovered files reach you over the\r\n"
     "Internet or on a medium of your choice. You pay only for the files that were recovered.\r\n"
     "\r\n"
     "While you wait for the laboratory, write nothing to the disk that holds the lost files: every new\r\n"
     "file may take the place of one that can still be recovered."},
    {TextId::Contact,
     "Quenzar Salvage  V-2.01\r\n"
     "Восстановление NTFS\r\n"
     "\r\n"
     "Лаборатория\r\n"
     "восстановления данных\r\n"
     "Консультация: бесплатно\r\n"
     "Поддержка: меню\r\n"
     "\"Тех. поддержка\"",
     "Quenzar Salvage  V-2.01\r\n"
     "NTFS file recovery\r\n"
     "\r\n"
     "Data recovery laboratory\r\n"
     "Consultation: free\r\n"
     "Orders: from the program\r\n"
     "Support: menu\r\n"
     "\"Technical support\""},
    {TextId::FolderLabel, "  Папка программы - ", "  Program  folder - "},
    {TextId::WrongSystemCaption, "An invalid version of the operating system",
     "An invalid version of the operating system"},
    {TextId::WrongSystemText, "The program works only on Windows XP/Vista/7",
     "The program works only on Windows XP/Vista/7"},
    {TextId::RightsShortCaption, "У Вас недостаточно прав доступа.", "You do not have sufficient access rights."},
    {TextId::RightsShortText,
     "Функционирование этой  программы  возможно  только  при\r\n"
     "наличии у Вас прав доступа системного администратора.\r\n"
     "\r\n"
     "В настоящий момент у Вас таких прав доступа нет.\r\n"
     "\r\n"
     "Войдите в систему с правами администратора или  обратитесь\r\n"
     "за помощью к Вашему системному программисту.",
     "The functioning of this program is possible only if You \r\n"
     "have access rights to the system administrator.\r\n"
     "\r\n"
     "In the moment, You have such rights no.\r\n"
     "\r\n"
     "Log in with administrator privileges, or ask for help to\r\n"
     "the system programmer."},
    {TextId::RightsLongCaption, "Программе недостаточно прав доступа.", "The program is not enough access rights."},
    {TextId::RightsLongText,
     "Для функционирования этой программы  ей  нужны  права\r\n"
     "доступа системного администратора.\r\n"
     "\r\n"
     "В настоящий момент таких прав у программы нет.\r\n"
     "\r\n"
     "Программу можно запустить из Проводника Windows,  щелкнув\r\n"
     "правой кнопкой мыши по имени файла программы и выбрав в\r\n"
     "открывшемся меню пункт <Запуск от имени администратора>.\r\n"
     "\r\n"
     "Эти права можно установить для программы по умолчанию: для\r\n"
     "этого войдите в систему с правами администратора, откройте\r\n"
     "в Проводнике окно свойств этой программы и на вкладке\r\n"
     "<Совместимость> установите отметку:\r\n"
     "<Выполнять эту программу от имени администратора>.",
     "For  the  functioning  of  the  programme   it  needs  access \r\n"
     "rights to the system administrator.\r\n"
     "\r\n"
     "At the present moment it has such rights no.\r\n"
     "\r\n"
     "The program can be run from Windows  Explorer  by right-\r\n"
     "clicking on the name of the program and in the menu that\r\n"
     "opens, select the <Run as administrator>. \r\n"
     "\r\n"
     "These rights can be set  by  default, it  is  necessary  to log \r\n"
     "in to the system  with  administrator  privileges,  select the \r\n"
     "conductor of the properties of this programme and in the \r\n"
     "<Compatibility> check the box:\r\n"
     "<Execute this program as administrator>."},
};

// The heading of the disk screen comes from the inventory's own heading lines: lines 0 to 2 are
// the Russian heading, 3 to 5 the English one. The third line loses its last blank, so the block
// is 375 characters.
void copyDiskHeader(std::array<char, kDiskHeaderChars>& header, bool russian) {
    const std::size_t first = russian ? 0 : 3;
    auto out = header.begin();
    for (std::size_t line = 0; line < 3; ++line) {
        std::string_view text = disk::screenHeadingLine(first + line);
        if (line == 2) text = text.substr(0, 123);
        out = std::copy(text.begin(), text.end(), out);
        if (line < 2) {
            *out++ = '\r';
            *out++ = '\n';
        }
    }
}

void select(ShellTexts& texts, text::Language language) {
    texts.uiLanguage = language;
    texts.sloganText = pairedText(TextId::Slogan, language);
    texts.aboutText = pairedText(TextId::About, language);
    texts.serviceText = pairedText(TextId::Service, language);
    texts.contactText = pairedText(TextId::Contact, language);
    const std::string_view label = pairedText(TextId::FolderLabel, language);
    texts.folderLabel.fill(' ');
    std::copy_n(label.begin(), std::min(label.size(), kFolderLabelChars), texts.folderLabel.begin());
    copyDiskHeader(texts.diskHeaderText, text::isRussian(language));
}

}  // namespace

std::string_view pairedText(TextId id, text::Language language) {
    for (const PairedText& pair : kPairedTexts) {
        if (pair.id == id) return pair.text.in(language);
    }
    return {};
}

const PairedText* pairedTextsBegin() { return std::begin(kPairedTexts); }
const PairedText* pairedTextsEnd() { return std::end(kPairedTexts); }

void selectRussianTexts(ShellTexts& texts) { select(texts, text::Language::Russian); }
void selectEnglishTexts(ShellTexts& texts) { select(texts, text::Language::English); }
void selectTexts(ShellTexts& texts, text::Language language) {
    text::isRussian(language) ? selectRussianTexts(texts) : selectEnglishTexts(texts);
}
void selectTitle(ShellTexts& texts) { texts.titleText = pairedText(TextId::Title, texts.uiLanguage); }

MessageText rightsMessage(text::Language language, char osClass) {
    if (osClass == '7') {
        return {pairedText(TextId::RightsLongCaption, language), pairedText(TextId::RightsLongText, language)};
    }
    return {pairedText(TextId::RightsShortCaption, language), pairedText(TextId::RightsShortText, language)};
}

MessageText wrongSystemMessage() {
    return {pairedText(TextId::WrongSystemCaption, text::Language::English),
            pairedText(TextId::WrongSystemText, text::Language::English)};
}

std::string diskSectorSizeNote(std::uint32_t bytesPerSector, text::Language language) {
    if (bytesPerSector == 0 || bytesPerSector == 512) return {};
    constexpr text::TextPair kNote{"Сектор %u Б", "Sector %u B"};
    char note[32];
    std::snprintf(note, sizeof note, kNote.in(language).data(), static_cast<unsigned>(bytesPerSector));
    return note;
}

}  // namespace quenzar::app::texts
