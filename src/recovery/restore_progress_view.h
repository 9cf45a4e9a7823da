// What the progress dialog of a restore shows on each tick: megabytes written, the speed, the
// share done, megabytes left and the time left, from the restore's byte counters and the time
// since the dialog opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "text/language.h"

namespace quenzar::recovery {

struct RestoreTick {
    bool shown = false;             // nothing is shown in the first 100 ms, nor while the speed is 0
    std::uint64_t speedKiBs = 0;    // KiB per second
    int position = 0;               // 0..100
    std::uint64_t recordedMB = 0;   // 1,000,000 bytes
    std::optional<std::uint64_t> leftMB;  // none once more was written than announced
    std::string timeLeft;           // the bar's group title while something is left
};

RestoreTick restoreTick(std::uint64_t elapsedMs, std::uint64_t bytesRestored, std::uint64_t bytesTotal,
                        text::Language language);

// "WAIT until end of the left" and the time: hours and minutes with a blank for a leading zero
// and three blanks for "00" (their colon included), seconds in two digits.
std::string timeLeftText(std::uint64_t seconds, text::Language language);

}  // namespace quenzar::recovery
