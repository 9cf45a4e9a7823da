// The texts of the virtual-disk dialogs V_BOOT, V_MFT and V_FR. Their window titles, result words
// and diagnostic lines come from the virtual-disk model (ntfs/virtual_disk.h), so the table's
// caption is left empty and the dialog sets its title from there.
#pragma once

#include "app/texts/dialog_texts.h"
#include "ntfs/virtual_disk.h"

namespace quenzar::app::texts {

const DialogTexts& virtualDiskDialogTexts(ntfs::VirtualDiskDialog dialog);

// The search for lost volumes (V_SCAN): the table, and the status line while it reads and once it
// is done (printf formats).
const DialogTexts& lostVolumesDialogTexts();
inline constexpr text::TextPair kScanReading{"Прочитано %llu из %llu МиБ", "Read %llu of %llu MiB"};
inline constexpr text::TextPair kScanDone{"Прочитано секторов: %llu, нечитаемых: %llu; найдено томов: %zu",
                                          "Sectors read: %llu, unreadable: %llu; volumes found: %zu"};
inline constexpr text::TextPair kScanStopped{"Поиск прерван: прочитано %llu из %llu МиБ; найдено томов: %zu",
                                             "The search was stopped after %llu of %llu MiB; volumes found: %zu"};
// The search button, and its text while a search runs: then it stops the search, which keeps
// what it found.
inline constexpr text::TextPair kScanSearch{"НАЙТИ", "SEARCH"};
inline constexpr text::TextPair kScanStop{"СТОП", "STOP"};

}  // namespace quenzar::app::texts
