#include "recovery/file_listing.h"

#include <cstdio>
#include <cstring>

#include "platform/code_page_1251.h"
#include "platform/little_endian.h"
#include "recovery/directory_tree.h"
#include "recovery/folder_names.h"

namespace quenzar::recovery {

namespace {

constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kUnixEpochSeconds = 11'644'473'600;
// The record header's sequence number.
constexpr std::size_t kSequenceAt = 0x10;

// Days since 1970-01-01 into a civil date (proleptic Gregorian).
void civilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string isoTime(std::uint64_t fileTime) {
    const std::uint64_t seconds = fileTime / kFileTimeTicksPerSecond;
    const auto ticks = static_cast<unsigned>(fileTime % kFileTimeTicksPerSecond);
    // Days counted from 1970 may be negative for times before it.
    const std::int64_t sinceEpoch = static_cast<std::int64_t>(seconds) - static_cast<std::int64_t>(kUnixEpochSeconds);
    std::int64_t days = sinceEpoch / 86400;
    std::int64_t secondOfDay = sinceEpoch % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    int year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(days, year, month, day);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02u:%02u:%02u.%07uZ", year, month, day,
                  static_cast<unsigned>(secondOfDay / 3600), static_cast<unsigned>(secondOfDay / 60 % 60),
                  static_cast<unsigned>(secondOfDay % 60), ticks);
    return text;
}

std::int64_t unixTime(std::uint64_t fileTime) {
    const std::uint64_t seconds = fileTime / kFileTimeTicksPerSecond;
    return seconds <= kUnixEpochSeconds ? 0 : static_cast<std::int64_t>(seconds - kUnixEpochSeconds);
}

bool listFiles(const RestoreSource& source, const std::vector<FileTableEntry>& table,
               const std::function<void(const ListedFile&)>& take) {
    SourceRecords records(source);
    FolderNames folders(table, [&](const FileTableEntry& folder, std::vector<std::uint8_t>& buffer,
                                   ntfs::FileRecordInfo& info) {
        return records.isOpen() && records.read(folder, buffer, info);
    });
    std::vector<std::uint8_t> buffer;
    for (const FileTableEntry& entry : table) {
        if (isLostFolder(entry) || (entry.isFolder() && entry.ownId == kRootFolderRecord)) continue;
        ListedFile file;
        file.entry = &entry;
        file.size = entry.isFolder() ? 0 : entry.size();
        ntfs::FileRecordInfo info;
        std::u16string name = platform::cp1251ToUtf16(std::string(entry.name, strnlen(entry.name, kEntryNameBytes)));
        if (records.isOpen() && records.read(entry, buffer, info)) {
            file.recordRead = true;
            file.sequence = platform::le16(buffer.data() + kSequenceAt);
            if (!entry.isFolder()) file.size = info.realSize;
            file.created = info.created;
            file.modified = info.modified;
            file.mftModified = info.mftModified;
            file.accessed = info.accessed;
            name = recordName(buffer, info);
            if (info.nonResident) {
                for (std::size_t r = 0; r < ntfs::kRunListMaxFragments && info.runs[r].clusterCount != 0; ++r) {
                    file.runs.push_back(info.runs[r]);
                }
            }
        }
        for (const std::u16string& folder : folders.chain(entry).names) file.path += platform::utf16ToUtf8(folder) + "/";
        file.path += platform::utf16ToUtf8(name);
        take(file);
    }
    return records.isOpen();
}

}  // namespace quenzar::recovery
