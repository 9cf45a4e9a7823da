#include "app/texts/progress_dialog_texts.h"

#include "resources/progress_dialog_ids.h"

namespace quenzar::app::texts {
namespace {

// The double blanks of the English note and the misspelt "Ssize" are the program's own wording.
constexpr ControlText kTexts[] = {
    {IDC_WAIT_HEADING, {"Файлы и папки", "Files and folders"}},
    {IDC_WAIT_EXISTING_LABEL, {"Существующие", "Existing"}},
    {IDC_WAIT_DELETED_LABEL, {"Удаленные", "Deleted"}},
    {IDC_WAIT_FILES_LABEL, {"Найдено файлов всего", "Files found all"}},
    {IDC_WAIT_MATCHED_LABEL, {"Из них отобрано", "One of them selected"}},
    {IDC_WAIT_FOLDERS_LABEL, {"Папки (каталоги)", "Folders (directories)"}},
    {IDC_WAIT_MB_LABEL, {"Общий объем файлов (МБ)", "Total file size (MB)"}},
    {IDC_WAIT_MATCHED_MB_LABEL, {"Объем отобранных файлов", "Ssize of the selected files"}},
    {IDC_WAIT_NOTE,
     {"Дождитесь окончания построения дерева каталогов.\r\n"
      "Общее время всех процессов зависит от количества\r\n"
      "отобранных файлов. При большом их количестве оно\r\n"
      "может составить несколько минут.",
      "Wait for the end of reconstruction the  directory  tree. \r\n"
      "The total time of all processes depends  on  the  number \r\n"
      "of selected files. With their large number  may  take  a \r\n"
      "few minutes."}},
    {IDC_WAIT_STOP, {"Прекратить немедленно", "To stop immediately"}},
};

const DialogTexts kAnalysisProgress{
    {"ПОИСК И ФИЛЬТРАЦИЯ ФАЙЛОВ         ", "SEARCH AND FILTERING OF FILES     "}, kTexts};

}  // namespace

const DialogTexts& analysisProgressTexts() { return kAnalysisProgress; }

std::string analysisSummaryText(const recovery::FileStatistics& counted, text::Language language) {
    auto label = [language](int controlId) {
        for (const ControlText& control : kTexts) {
            if (control.controlId == controlId) return std::string(control.text.in(language));
        }
        return std::string();
    };
    constexpr std::uint64_t kMegabyte = 1'000'000;
    const struct {
        int labelId;
        std::uint64_t inUse, deleted;
    } rows[] = {
        {IDC_WAIT_FILES_LABEL, counted.filesInUse, counted.filesDeleted},
        {IDC_WAIT_MATCHED_LABEL, counted.matchedInUse, counted.matchedDeleted},
        {IDC_WAIT_FOLDERS_LABEL, counted.foldersInUse, counted.foldersDeleted},
        {IDC_WAIT_MB_LABEL, counted.bytesInUse / kMegabyte, counted.bytesDeleted / kMegabyte},
        {IDC_WAIT_MATCHED_MB_LABEL, counted.matchedBytesInUse / kMegabyte, counted.matchedBytesDeleted / kMegabyte},
    };
    std::string text;
    for (const auto& row : rows) {
        text += label(row.labelId) + ":\r\n    " + label(IDC_WAIT_EXISTING_LABEL) + " " + std::to_string(row.inUse) +
                ",  " + label(IDC_WAIT_DELETED_LABEL) + " " + std::to_string(row.deleted) + "\r\n";
    }
    return text;
}

}  // namespace quenzar::app::texts
