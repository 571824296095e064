#include <gtest/gtest.h>

#include "util/date_time.h"

namespace {

using namespace qo;

constexpr std::int64_t ms(std::int64_t seconds) { return seconds * 1000; }
// 2026-12-05 00:00:00 UTC in Unix seconds.
constexpr std::int64_t dec5 = 1'796'428'800;

TEST(TwoDigitOrOffset, DigitsOrSignedDigit) {
    EXPECT_EQ(parse_two_digit_or_offset("12", 0), 12);
    EXPECT_EQ(parse_two_digit_or_offset("x+5", 1), 5);
    EXPECT_EQ(parse_two_digit_or_offset("-5", 0), -5);
    EXPECT_EQ(parse_two_digit_or_offset("09", 0), 9);
    for (const char* bad : {"1", "+", "1a", "a1", "++", " 1", "+ "}) {
        EXPECT_EQ(parse_two_digit_or_offset(bad, 0), std::nullopt) << bad;
    }
    EXPECT_EQ(parse_two_digit_or_offset("12", 1), std::nullopt);
    EXPECT_EQ(parse_two_digit_or_offset("12", 5), std::nullopt);
}

TEST(ParseDateTime, OffsetFormsAndTimeParts) {
    EXPECT_EQ(parse_date_time("2026-12-05T20:00:00-03:00"), ms(dec5 + 23 * 3600));
    EXPECT_EQ(parse_date_time("  2026-12-05T20:00:00-03:00\u3000"), ms(dec5 + 23 * 3600));
    const std::int64_t at20 = ms(dec5 + 20 * 3600);
    for (const char* utc : {"2026-12-05T20:00", "2026-12-05T20:00Z", "2026-12-05T20:00:00Z", "2026-12-05 20:00:00",
                            "2026-12-05T20:00:00.123456Z", "2026-12-05T20:00:00.5"}) {
        EXPECT_EQ(parse_date_time(utc), at20) << utc;
    }
    const std::int64_t at1830 = ms(dec5 + 18 * 3600 + 30 * 60);
    for (const char* plus : {"2026-12-05T20:00+0130", "2026-12-05T20:00+01:30", "2026-12-05T20:00:00+01:30",
                             "2026-12-05T20:00:00.9+01:30", "2026-12-05T20:00+01:30 ignored"}) {
        EXPECT_EQ(parse_date_time(plus), at1830) << plus;
    }
    EXPECT_EQ(parse_date_time("2026-12-05T20:00+01"), ms(dec5 + 19 * 3600));
    EXPECT_EQ(parse_date_time("2026-12-05T20:00+013"), ms(dec5 + 19 * 3600));
    EXPECT_EQ(parse_date_time("2026-12-05T20:00:45"), ms(dec5 + 20 * 3600 + 45));
    EXPECT_EQ(parse_date_time("2026-12-05T20:00:45-3"), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-12-05T20:00+"), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-12-05T20:00+0x"), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-12-05T20:00+01:3x"), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-12-05T2x:00"), std::nullopt);
}

TEST(ParseDateTime, DateAloneAndShortTexts) {
    EXPECT_EQ(parse_date_time("2026-12-0"), std::nullopt);
    EXPECT_EQ(parse_date_time(""), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-12-05"), ms(dec5));
    EXPECT_EQ(parse_date_time("2026-12-05 abcd"), ms(dec5));  // 15 bytes: the time is not read
    EXPECT_EQ(parse_date_time("2026-12-05X20:00+01:00"), ms(dec5));
    EXPECT_EQ(parse_date_time("2026/12/05T20.00"), ms(dec5 + 20 * 3600));
    EXPECT_EQ(parse_date_time("20x6-12-05"), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-1x-05"), std::nullopt);
    EXPECT_EQ(parse_date_time("2026-12-0x"), std::nullopt);
    EXPECT_EQ(parse_date_time("1970-01-01"), 0);
    EXPECT_EQ(parse_date_time("-001-03-01"), ms(-62'193'657'600));
    EXPECT_EQ(parse_date_time("+000-03-01"), ms(-62'162'035'200));
}

TEST(ParseDateTime, OutOfRangeFieldsCarryOver) {
    EXPECT_EQ(parse_date_time("2026-13-01"), parse_date_time("2027-01-01"));
    EXPECT_EQ(parse_date_time("2026-00-01"), parse_date_time("2025-12-01"));
    EXPECT_EQ(parse_date_time("2026-03-00"), parse_date_time("2026-02-28"));
    EXPECT_EQ(parse_date_time("2024-03-00"), parse_date_time("2024-02-29"));
    EXPECT_EQ(parse_date_time("2026-12-05T24:00"), parse_date_time("2026-12-06"));
    EXPECT_EQ(parse_date_time("2026-12-+5"), parse_date_time("2026-12-05"));
    EXPECT_EQ(parse_date_time("2026-12--1"), parse_date_time("2026-11-29"));
}

TEST(Ticks, MillisecondTicksSinceYearOne) {
    EXPECT_EQ(ticks_from_unix_millis(0), 621'355'968'000'000'000ULL);
    EXPECT_EQ(ticks_from_unix_millis(-5), 621'355'968'000'000'000ULL);
    EXPECT_EQ(ticks_from_unix_millis(1), 621'355'968'000'010'000ULL);
    const std::uint64_t now = ticks_now();
    EXPECT_EQ(now % 10'000, 0u);
    EXPECT_GT(now, ticks_from_unix_millis(ms(dec5 - 86'400 * 400)));
}

}  // namespace
