#include "util/date_time.h"

#include <chrono>

#include "util/text.h"

namespace qo {
namespace {

constexpr std::uint64_t ticks_at_unix_epoch = 621'355'968'000'000'000ULL;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A four-byte year: four digits, or a sign and three digits.
std::optional<std::int64_t> parse_year(std::string_view text) {
    std::size_t first_digit = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        first_digit = 1;
    }
    std::int64_t value = 0;
    for (std::size_t i = first_digit; i < 4; ++i) {
        if (!is_digit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

// Days since 1970-01-01 of a proleptic Gregorian date; fields outside their ranges carry over.
std::int64_t days_from_civil(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t y = month < 3 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - 400 * era;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = 365 * yoe + yoe / 4 - yoe / 100 + doy;
    return 146'097 * era + doe - 719'468;
}

struct Clock {
    std::int64_t hours = 0, minutes = 0, seconds = 0;
    std::size_t end = 0;  // first position after what was read
};

// The time of day after the date, when there is one; none when a field does not read.
std::optional<Clock> parse_clock(std::string_view text) {
    Clock clock;
    clock.end = 10;
    if (text.size() < 16 || (text[10] != 'T' && text[10] != ' ')) return clock;
    const auto hours = parse_two_digit_or_offset(text, 11);
    const auto minutes = parse_two_digit_or_offset(text, 14);
    if (!hours || !minutes) return std::nullopt;
    clock.hours = *hours;
    clock.minutes = *minutes;
    clock.end = 16;
    if (text.size() >= 19 && text[16] == ':') {
        const auto seconds = parse_two_digit_or_offset(text, 17);
        if (!seconds) return std::nullopt;
        clock.seconds = *seconds;
        clock.end = 19;
        if (text.size() > 19 && text[19] == '.') {
            clock.end = 20;
            while (clock.end < text.size() && is_digit(text[clock.end])) ++clock.end;
        }
    }
    return clock;
}

// The UTC offset in seconds at `pos`: 0 when nothing or no sign stands there.
std::optional<std::int64_t> parse_offset(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-')) return 0;
    const bool negative = text[pos] == '-';
    const std::size_t after_sign = text.size() - pos - 1;
    if (after_sign < 2) return std::nullopt;
    const auto hours = parse_two_digit_or_offset(text, pos + 1);
    if (!hours) return std::nullopt;
    std::optional<int> minutes = 0;
    if (after_sign == 4) {
        minutes = parse_two_digit_or_offset(text, pos + 3);
    } else if (after_sign >= 5) {
        minutes = parse_two_digit_or_offset(text, pos + 4);
    }
    if (!minutes) return std::nullopt;
    const std::int64_t offset = (std::int64_t{*hours} * 60 + *minutes) * 60;
    return negative ? -offset : offset;
}

}  // namespace

std::optional<int> parse_two_digit_or_offset(std::string_view text, std::size_t position) {
    if (position > text.size() || text.size() - position < 2) return std::nullopt;
    const char a = text[position];
    const char b = text[position + 1];
    if (!is_digit(b)) return std::nullopt;
    if (a == '+') return b - '0';
    if (a == '-') return -(b - '0');
    if (is_digit(a)) return (a - '0') * 10 + (b - '0');
    return std::nullopt;
}

std::optional<std::int64_t> parse_date_time(std::string_view raw) {
    const std::string_view text = trim_white_space(raw);
    if (text.size() < 10) return std::nullopt;
    const auto year = parse_year(text);
    const auto month = parse_two_digit_or_offset(text, 5);
    const auto day = parse_two_digit_or_offset(text, 8);
    if (!year || !month || !day) return std::nullopt;

    const auto clock = parse_clock(text);
    if (!clock) return std::nullopt;
    std::int64_t offset = 0;
    if (clock->end > 10) {
        const auto read = parse_offset(text, clock->end);
        if (!read) return std::nullopt;
        offset = *read;
    }

    const std::int64_t days = days_from_civil(*year, *month, *day);
    const std::int64_t seconds =
        days * 86'400 + clock->hours * 3'600 + clock->minutes * 60 + clock->seconds - offset;
    return seconds * 1'000;
}

std::uint64_t ticks_from_unix_millis(std::int64_t unix_millis) {
    if (unix_millis <= 0) return ticks_at_unix_epoch;
    return static_cast<std::uint64_t>(unix_millis) * 10'000 + ticks_at_unix_epoch;
}

std::uint64_t ticks_now() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return ticks_from_unix_millis(std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
}

}  // namespace qo
