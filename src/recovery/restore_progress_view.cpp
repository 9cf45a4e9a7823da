#include "recovery/restore_progress_view.h"

#include <algorithm>
#include <cstdio>

namespace quenzar::recovery {
namespace {

// Hours or minutes: "   " for 0, " 5:" for 5, "12:" for 12.
std::string leadingField(std::uint64_t value) {
    if (value == 0) return "   ";
    char text[24];
    std::snprintf(text, sizeof text, "%02llu:", static_cast<unsigned long long>(value));
    if (text[0] == '0') text[0] = ' ';
    return text;
}

}  // namespace

std::string timeLeftText(std::uint64_t seconds, text::Language language) {
    constexpr text::TextPair kLeft{"ЖДИТЕ,  до  конца осталось", "WAIT until end of the left"};
    char secondsText[8];
    std::snprintf(secondsText, sizeof secondsText, "%02u", static_cast<unsigned>(seconds % 60));
    return std::string(kLeft.in(language)) + " " + leadingField(seconds / 3600) + leadingField(seconds / 60 % 60) +
           secondsText;
}

RestoreTick restoreTick(std::uint64_t elapsedMs, std::uint64_t bytesRestored, std::uint64_t bytesTotal,
                        text::Language language) {
    RestoreTick tick;
    const std::uint64_t tenths = elapsedMs / 100;
    if (tenths == 0) return tick;
    const std::uint64_t doneKiB = bytesRestored / 1024;
    tick.speedKiBs = doneKiB * 10 / tenths;
    if (tick.speedKiBs == 0) return tick;
    tick.shown = true;
    const std::uint64_t totalKiB = bytesTotal / 1024;
    tick.position = totalKiB == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(doneKiB * 100 / totalKiB, 100));
    tick.recordedMB = bytesRestored / 1'000'000;
    if (bytesRestored > bytesTotal) return tick;
    tick.leftMB = (bytesTotal - bytesRestored) / 1'000'000;
    tick.timeLeft = timeLeftText(*tick.leftMB * 1000 / tick.speedKiBs, language);
    return tick;
}

}  // namespace quenzar::recovery
