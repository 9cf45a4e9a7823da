#include "recovery/analysis_texts.h"

namespace quenzar::recovery {

namespace {

using text::TextPair;

constexpr TextPair kStageReading{"ЧТЕНИЕ ТАБЛИЦЫ MTF В ПАМЯТЬ       ", "READING THE TABLE OF MTF IN MEMORY"};
constexpr TextPair kStageExtraction{"ИЗВЛЕЧЕНИЕ ИНФОРМАЦИИ ИЗ MTF      ", "EXTRACTION OF INFORMATION FROM MTF"};
constexpr TextPair kStageTree{"СОЗДАНИЕ ФАЙЛА ДЕРЕВА КАТАЛОГОВ   ", "CREATE A FILE DIRECTORY TREE      "};
constexpr std::string_view kNoStage = "                                  ";

constexpr TextPair kWrongDriveTitle{"ДИСК УКАЗАН НЕВЕРНО!", "THE DISC IS NOT CORRECTLY SPECIFIED!"};
constexpr TextPair kWrongDriveText{"Указанный диск либо отсутствует, либо\r\nего файловая система отлична от NTFS.",
                                   "The specified drive is either missing or\r\nits file system is different from NTFS"};

constexpr TextPair kTreeImpossibleTitle{"Просмотр дерева каталогов этого диска невозможен!",
                                        "By browsing the directory tree of the disc is impossible!"};
constexpr TextPair kAttributeListText{
    "В основной таблице записей $MFT обнаружен атрибут\r\n\r\n"
    "                          ATTRIBUTE_LIST $20.\r\n\r\n"
    "Такое редко встречается при некоторых способах формирования\r\n"
    "таблицы MFT, в этой версии программы обработка\r\n"
    "таких структур не реализована.",
    "In the main table entries $MFT found attribute\r\n\r\n"
    "                          ATTRIBUTE_LIST $20.\r\n\r\n"
    "This is rarely met by a variety of formation of the\r\n"
    "table MFT, in this version of the program processing\r\n"
    "such structures has not been implemented."};

// The program's own texts for failures that it reports instead of going on with zeros.
constexpr TextPair kVolumeNotOpenedText{"Не удалось открыть диск для чтения.",
                                        "The disk could not be opened for reading."};
constexpr TextPair kMftUnreadableText{"Не удалось прочитать запись $MFT этого диска.",
                                      "The $MFT record of this disk could not be read."};
constexpr TextPair kBeyondLbaText{
    "Таблица MFT лежит за пределами 2 ТБ диска;\r\nтакие диски эта версия программы не обрабатывает.",
    "The MFT lies beyond the first 2 TB of the disk;\r\nthis version of the program does not process such disks."};
constexpr TextPair kWorkFileTitle{"Ошибка записи рабочего файла", "Error writing the work file"};
constexpr TextPair kWorkFileText{"Не удалось записать рабочий файл ~DI_Tmp.tmp.",
                                 "The work file ~DI_Tmp.tmp could not be written."};
constexpr TextPair kTableTooLargeText{
    "Таблица файлов этого диска не помещается в памяти.\r\nСузьте критерии поиска (меньше расширений,\r\nбез удалённых файлов) и повторите анализ.",
    "The file table of this disk does not fit in memory.\r\nNarrow the search (fewer extensions,\r\nno deleted files) and start the analysis again."};

constexpr TextPair kNoMatchTitle{"Ошибка поиска файлов", "Error search for files"};
constexpr TextPair kNoMatchText{"На диске не обнаружено ни одного файла,\r\nудовлетворяющего критериям поиска.",
                                "On the disk is not detected a single file \r\nthat satisfy the search criteria. "};

// The note on a damaged $MFT record, in three pieces around its two numbers.
constexpr TextPair kMftClaimTitle{"Запись $MFT повреждена", "The $MFT record is damaged"};
constexpr TextPair kMftClaimStart{"Запись $MFT указывает ", "The $MFT record claims "};
constexpr TextPair kMftClaimMiddle{" записей, а её выделенный размер, фрагменты и том вмещают только ",
                                   " records, but its allocated size, its runs and the volume hold only "};
constexpr TextPair kMftClaimEnd{" записей:\r\nпрочитаны только они. Запись $MFT повреждена.",
                                " records:\r\nonly these were read. The $MFT record is damaged."};

// A FILE record that did not read, in two pieces around its number and its LBA; its path follows
// after ": ".
constexpr TextPair kUnreadableRecordStart{"Запись FILE ", "FILE record "};
constexpr TextPair kUnreadableRecordEnd{" не прочитана", " could not be read"};

}  // namespace

std::string unreadableRecordText(const UnreadableRecord& record, text::Language language) {
    std::string text(kUnreadableRecordStart.in(language));
    text += std::to_string(record.number);
    if (record.lba != 0) {
        text += " (LBA " + std::to_string(record.lba) + ")";
    }
    text += kUnreadableRecordEnd.in(language);
    if (!record.path.empty()) {
        text += ": " + record.path;
    }
    return text;
}

std::string mftClaimText(std::uint64_t claimedRecords, std::uint64_t recordsRead, text::Language language) {
    if (claimedRecords <= recordsRead) return {};
    std::string text(kMftClaimStart.in(language));
    text += std::to_string(claimedRecords);
    text += kMftClaimMiddle.in(language);
    text += std::to_string(recordsRead);
    text += kMftClaimEnd.in(language);
    return text;
}

std::string_view mftClaimTitle(text::Language language) { return kMftClaimTitle.in(language); }

std::string_view stageText(AnalysisStage stage, text::Language language) {
    switch (stage) {
        case AnalysisStage::Reading: return kStageReading.in(language);
        case AnalysisStage::Extraction: return kStageExtraction.in(language);
        case AnalysisStage::Tree: return kStageTree.in(language);
        default: return kNoStage;
    }
}

MessageText analysisMessage(AnalysisOutcome outcome, text::Language language) {
    switch (outcome) {
        case AnalysisOutcome::Completed: return {};
        case AnalysisOutcome::DriveNotNtfs: return {kWrongDriveTitle.in(language), kWrongDriveText.in(language)};
        case AnalysisOutcome::VolumeNotOpened:
            return {kTreeImpossibleTitle.in(language), kVolumeNotOpenedText.in(language)};
        case AnalysisOutcome::MftRecordUnreadable:
            return {kTreeImpossibleTitle.in(language), kMftUnreadableText.in(language)};
        case AnalysisOutcome::AttributeListInMft:
            return {kTreeImpossibleTitle.in(language), kAttributeListText.in(language)};
        case AnalysisOutcome::BeyondLbaLimit: return {kTreeImpossibleTitle.in(language), kBeyondLbaText.in(language)};
        case AnalysisOutcome::WorkFileFailed: return {kWorkFileTitle.in(language), kWorkFileText.in(language)};
        case AnalysisOutcome::NoFileMatched: return {kNoMatchTitle.in(language), kNoMatchText.in(language)};
        case AnalysisOutcome::TableTooLarge:
            return {kTreeImpossibleTitle.in(language), kTableTooLargeText.in(language)};
        case AnalysisOutcome::Stopped: return {};
    }
    return {};
}

}  // namespace quenzar::recovery
