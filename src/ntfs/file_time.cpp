#include "ntfs/file_time.h"

#include <algorithm>

namespace quenzar::ntfs {
namespace {

constexpr std::uint64_t kTicksPerMinute = 600'000'000;
constexpr std::uint64_t kMinutesPerDay = 24 * 60;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysTo1970 = 134'774;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian date of a day number counted from 1970-01-01 (eras of 400 years).
CivilDate civilFromDays(std::int64_t days) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const std::int64_t year = std::int64_t{yearOfEra} + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

void digits(unsigned value, int width, char* dest) {
    for (int i = width - 1; i >= 0; --i) {
        dest[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

void fileTimeText(std::uint64_t fileTime, char* dest) {
    const std::uint64_t minutes = fileTime / kTicksPerMinute;
    const auto days = static_cast<std::int64_t>(minutes / kMinutesPerDay);
    const auto minuteOfDay = static_cast<unsigned>(minutes % kMinutesPerDay);
    // Files of one volume were mostly made on a few days: the date of the last day asked for is
    // kept, which spares the calendar arithmetic for nearly every call of an analysis.
    thread_local std::int64_t lastDays = -1;
    thread_local CivilDate lastDate{};
    if (days != lastDays) {
        lastDate = civilFromDays(days - kDaysTo1970);
        lastDays = days;
    }
    const CivilDate date = lastDate;
    if (date.year > 9999) {
        std::fill(dest, dest + 16, '*');
        return;
    }
    digits(static_cast<unsigned>(date.year), 4, dest);
    dest[4] = '.';
    digits(date.month, 2, dest + 5);
    dest[7] = '.';
    digits(date.day, 2, dest + 8);
    dest[10] = ' ';
    digits(minuteOfDay / 60, 2, dest + 11);
    dest[13] = ':';
    digits(minuteOfDay % 60, 2, dest + 14);
}

}  // namespace quenzar::ntfs
