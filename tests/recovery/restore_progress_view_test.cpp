// The restore's progress on each tick: speed, share, megabytes and the time left in its text form.
#include "recovery/restore_progress_view.h"

#include <gtest/gtest.h>

namespace quenzar::recovery {
namespace {

TEST(RestoreProgressViewTest, TimeLeftText) {
    struct Row {
        std::uint64_t seconds;
        const char* text;
    };
    const Row rows[] = {
        {7, "WAIT until end of the left       07"},
        {5 * 60 + 7, "WAIT until end of the left     5:07"},
        {12 * 60, "WAIT until end of the left    12:00"},
        {3600 + 60, "WAIT until end of the left  1: 1:00"},
        {13 * 3600 + 45 * 60 + 59, "WAIT until end of the left 13:45:59"},
    };
    for (const Row& row : rows) EXPECT_EQ(timeLeftText(row.seconds, text::Language::English), row.text) << row.seconds;
    EXPECT_EQ(timeLeftText(59, text::Language::Russian), "ЖДИТЕ,  до  конца осталось       59");
}

TEST(RestoreProgressViewTest, Ticks) {
    constexpr auto en = text::Language::English;
    EXPECT_FALSE(restoreTick(99, 1'000'000, 2'000'000, en).shown);   // the first 100 ms show nothing
    EXPECT_FALSE(restoreTick(20000, 10 * 1024, 20'000'000, en).shown);  // 10 KiB in 20 s: 0 KiB/s, nothing shown
    const RestoreTick half = restoreTick(2000, 10'240'000, 20'480'000, en);
    ASSERT_TRUE(half.shown);
    EXPECT_EQ(half.speedKiBs, 5000u);
    EXPECT_EQ(half.position, 50);
    EXPECT_EQ(half.recordedMB, 10u);
    EXPECT_EQ(half.leftMB, std::optional<std::uint64_t>(10));
    EXPECT_EQ(half.timeLeft, "WAIT until end of the left       02");
    // More written than announced: nothing left to show.
    const RestoreTick over = restoreTick(1000, 3'000'000, 2'000'000, en);
    EXPECT_TRUE(over.shown);
    EXPECT_FALSE(over.leftMB.has_value());
}

}  // namespace
}  // namespace quenzar::recovery
