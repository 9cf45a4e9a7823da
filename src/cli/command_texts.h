// The texts the command-line program prints of its own, in both languages: printf formats in code
// page 1251 (as every text of the program), printed in the language of --lang (or the terminal's)
// as UTF-8. The desktop program's own texts (message boxes, stages, the listing) come from the core.
#pragma once

#include <cstdio>
#include <string>

#include "text/language.h"

namespace quenzar::cli {

// The text in the language, converted for the terminal.
std::string textIn(text::Language language, const text::TextPair& text);

// Prints `format` in the language, converted for the terminal, with printf's arguments (texts among
// them already UTF-8).
template <typename... Arguments>
void printIn(std::FILE* stream, text::Language language, const text::TextPair& format, Arguments... arguments) {
    if constexpr (sizeof...(Arguments) == 0) {
        std::fputs(textIn(language, format).c_str(), stream);
    } else {
        std::fprintf(stream, textIn(language, format).c_str(), arguments...);
    }
}

namespace texts {

using text::TextPair;

// The choice of the volume and the refusals shared by the commands.
inline constexpr TextPair kNoSuchSource{"%s: %s: нет такого файла или устройства\n", "%s: %s: no such file or device\n"};
inline constexpr TextPair kNotADisk{"%s: %s: не файл образа диска и не устройство диска; из него ничего не читается\n",
                                    "%s: %s: neither a disk image file nor a disk device; nothing is read from it\n"};
inline constexpr TextPair kNoVolumeNumber{"%s: %s: нет тома NTFS с номером %d\n", "%s: %s: no NTFS volume number %d\n"};
inline constexpr TextPair kDiskUnreadable{"%s: диск %c не читается\n", "%s: disk %c cannot be read\n"};
// Sectors the partition discovery of a disk could not read, and how to find its volumes anyway.
inline constexpr TextPair kSectorsUnreadable{
    "%s: диск %c: не прочитаны секторы LBA %s, поэтому его разделы и тома на них неизвестны; "
    "salvage scan %s найдет тома NTFS и без них\n",
    "%s: disk %c: the sectors at LBA %s could not be read, so its partitions and the volumes on them are unknown; "
    "salvage scan %s finds NTFS volumes without them\n"};
inline constexpr TextPair kNoNtfsThere{"%s: там нет тома NTFS (%s)\n", "%s: no NTFS volume found there (%s)\n"};
inline constexpr TextPair kMftRecordZeroBroken{"%s: запись 0 таблицы $MFT не декодируется (код целостности %u)\n",
                                               "%s: record 0 of the $MFT does not decode (integrity code %u)\n"};
inline constexpr TextPair kFolderOnSource{
    "%s: %s лежит на %s, который сейчас читается: запись туда затерла бы восстанавливаемые данные; ничего не записано\n",
    "%s: %s lies on %s, which is being read: writing there would overwrite the data being recovered; nothing was "
    "written\n"};
inline constexpr TextPair kTheVolume{"томе %c:", "the volume %c:"};

// Why a file of the program's own was not written, after its path.
inline constexpr TextPair kWriteLink{
    "%s: %s - символическая ссылка (или ссылка другого рода): она остается как есть, через нее ничего не пишется\n",
    "%s: %s is a symbolic link (or another kind of link): it is left as it is and nothing is written through it\n"};
inline constexpr TextPair kWriteNotPlainFile{"%s: %s - не обычный файл: он остается как есть\n",
                                             "%s: %s is not a plain file: it is left as it is\n"};
inline constexpr TextPair kWriteOtherNames{
    "%s: %s - файл с другими именами (жесткими ссылками): он остается как есть, так как очистка очистила бы и их\n",
    "%s: %s is a file with more names (hard links): it is left as it is, since emptying it would empty those too\n"};
inline constexpr TextPair kWriteNotCreated{"%s: %s не удалось создать\n", "%s: %s could not be created\n"};
inline constexpr TextPair kWriteNotWritten{"%s: %s не удалось записать целиком\n", "%s: %s could not be written whole\n"};

// The program's options before the command word.
inline constexpr TextPair kSectorSizeUsage{
    "salvage: --sector-size принимает 512 или 4096 (байт в секторе каждого образа диска), а не \"%s\"\n",
    "salvage: --sector-size takes 512 or 4096 (the bytes a sector of every disk image holds), not \"%s\"\n"};

// salvage disks: a disk whose LBAs count sectors of another size than 512 bytes.
inline constexpr TextPair kDiskSectorSizeNote{"Диск %c: секторы по %u байт; LBA указаны в этих секторах\n",
                                              "Disk %c: sectors of %u bytes; LBAs are in these sectors\n"};

// salvage hide and unhide: why a disk is refused.
inline constexpr TextPair kCannotHide{"salvage hide: диск %c нельзя скрыть: %s\n",
                                      "salvage hide: disk %c cannot be hidden: %s\n"};
inline constexpr TextPair kCannotRestore{"salvage unhide: диск %c нельзя вернуть: %s\n",
                                         "salvage unhide: disk %c cannot be restored: %s\n"};
inline constexpr TextPair kRefused{"salvage %s: диск %c: отказано: %s\n", "salvage %s: disk %c: refused: %s\n"};

// salvage analyze.
inline constexpr TextPair kNotInCatalogue{"salvage analyze: \"%s\" нет в каталоге; задайте его через --ext\n",
                                          "salvage analyze: \"%s\" is not in the catalogue; use --ext for it\n"};
inline constexpr TextPair kVolumeHeader{"том %c:  рабочий файл %s\n", "volume %c:  work file %s\n"};
inline constexpr TextPair kVirtualHeader{
    "виртуальный диск на диске %c с LBA %llu, секторов в кластере %u:  рабочий файл %s\n",
    "virtual disk on disk %c from LBA %llu, %u sectors a cluster:  work file %s\n"};
// Under the header, when the disk's sectors or the volume's FILE records are not the usual size.
inline constexpr TextPair kVolumeUnitsLine{"секторы по %u байт (LBA считаются в них), записи FILE по %u байт\n",
                                           "sectors of %u bytes (LBAs count these), FILE records of %u bytes\n"};
inline constexpr TextPair kMftRecordsLine{"записей MFT            %llu (нечитаемых %llu, не записей FILE или поврежденных %llu)\n",
                                          "MFT records            %llu (unreadable %llu, not FILE records or damaged %llu)\n"};
inline constexpr TextPair kFoldersLine{"папок                  %llu существующих, %llu удаленных\n",
                                       "folders                %llu in use, %llu deleted\n"};
inline constexpr TextPair kFilesLine{"файлов                 %llu существующих (%s байт), %llu удаленных (%s байт)\n",
                                     "files                  %llu in use (%s bytes), %llu deleted (%s bytes)\n"};
inline constexpr TextPair kMatchedLine{"найдено по фильтру     %llu существующих (%s байт), %llu удаленных (%s байт)\n",
                                       "found by the filter    %llu in use (%s bytes), %llu deleted (%s bytes)\n"};
inline constexpr TextPair kLostFoldersLine{"потерянных папок       %zu\n", "lost folders           %zu\n"};
// The tree window shows these in English whatever its language; the terminal follows --lang.
inline constexpr TextPair kRootFolder{"КОРНЕВАЯ ПАПКА", "ROOT FOLDER"};
inline constexpr TextPair kDiskItem{"Диск ", "Disk "};
inline constexpr TextPair kRegionItem{"Область %c", "Region %c"};
inline constexpr TextPair kLostMark{"  [потеряна]", "  [lost]"};
inline constexpr TextPair kDeletedMark{"  [удален]", "  [deleted]"};

inline constexpr TextPair kRecordsNotReadAgain{
    "salvage analyze: записей FILE, не прочитанных повторно: %llu (у них только данные таблицы)\n",
    "salvage analyze: FILE records that did not read again: %llu (only the table's facts are given)\n"};

// salvage restore.
inline constexpr TextPair kAnalysingVolume{"анализ тома %c: ...\n", "analysing volume %c: ...\n"};
inline constexpr TextPair kAnalysingVirtualDisk{"анализ виртуального диска на диске %c с LBA %llu ...\n",
                                                "analysing the virtual disk on disk %c from LBA %llu ...\n"};
inline constexpr TextPair kFolderNotMade{"salvage restore: %s: папку не удалось создать\n",
                                         "salvage restore: %s: the folder cannot be made\n"};
inline constexpr TextPair kTestRestore{"проверочным", "test"};
inline constexpr TextPair kFullRestore{"полным", "full"};
inline constexpr TextPair kRestoreCounts{
    "выбрано %llu: восстановлено %llu (%llu байт), не копируется %s восстановлением %llu, не прочитано %llu, "
    "не записано %llu, с поврежденным списком фрагментов %llu\n",
    "chosen %llu: restored %llu (%llu bytes), not copied by a %s restore %llu, unreadable %llu, not written %llu, "
    "damaged run lists %llu\n"};
inline constexpr TextPair kRestoredDetails{
    "из восстановленных: переименовано %llu, с нечитаемыми секторами %llu (секторов %llu); "
    "записей MFT, не прочитанных при анализе, %llu\n",
    "of the restored: renamed %llu, with unreadable sectors %llu (%llu sectors); MFT records not read by the "
    "analysis %llu\n"};
inline constexpr TextPair kNotReachedCount{"не восстановлено из-за прерывания %llu\n",
                                           "not restored since the restore was stopped %llu\n"};
inline constexpr TextPair kStreamCounts{
    "именованных потоков найдено %llu: восстановлено %llu, не копируется %llu, не восстановлено %llu\n",
    "named streams found %llu: restored %llu, not copied %llu, not restored %llu\n"};

// salvage vdisk: the field names stay as they are, for scripts.
inline constexpr TextPair kVdiskDisk{"диск %c: %llu секторов по %u байт\n", "disk %c: %llu sectors of %u bytes\n"};
inline constexpr TextPair kVdiskResult{"результат: ", "result: "};
inline constexpr TextPair kVdiskDiagnostics{"диагностика %zu: ", "diagnostics %zu: "};
inline constexpr TextPair kVdiskButtons{"кнопки: Sector %s, Cluster %s, No MFT %s, RUN RECONSTRUCTION %s\n",
                                        "buttons: Sector %s, Cluster %s, No MFT %s, RUN RECONSTRUCTION %s\n"};
inline constexpr TextPair kOn{"вкл", "on"};
inline constexpr TextPair kOff{"выкл", "off"};

// The progress line and a stop.
inline constexpr TextPair kAnalysisProgress{"записей %llu из %llu, %llu в секунду", "records %llu of %llu, %llu a second"};
inline constexpr TextPair kScanProgress{"поиск: %llu из %llu МиБ, %.0f МиБ/с", "scan: %llu of %llu MiB, %.0f MiB/s"};
inline constexpr TextPair kRestoreProgress{"файлов %llu из %llu  %s из %s  %s/с", "files %llu of %llu  %s of %s  %s/s"};
inline constexpr TextPair kTimeLeft{"осталось %s", "%s left"};
inline constexpr TextPair kAnalysisStopped{"Анализ прерван; рабочий файл удален.\n",
                                           "The analysis was stopped; its work file is removed.\n"};

// salvage order.
inline constexpr TextPair kOrderWritten{"%s записан для тома %c:, тариф %s\n", "%s written for volume %c:, tariff %s\n"};
inline constexpr TextPair kOrderNotWritten{"salvage order: %s не удалось записать\n", "salvage order: %s could not be written\n"};

}  // namespace texts
}  // namespace quenzar::cli
