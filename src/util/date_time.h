#pragma once
// The date-time text reader behind the opening countdown, and the tick clock sent in "?t=" queries.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qo {

// Two characters at `position`: "+d" gives d, "-d" gives -d, two digits "dd" give 10 x first + second;
// anything else (including too few characters) gives none.
std::optional<int> parse_two_digit_or_offset(std::string_view text, std::size_t position);

// Milliseconds since 1970-01-01 UTC of a text such as "2026-12-05T20:00:00-03:00". Separators are not
// examined, fields are not range-checked (month 13 is January of the next year) and the offset may be
// absent, "Z", "+hh", "+hhmm" or "+hh:mm". None when the text cannot be read.
std::optional<std::int64_t> parse_date_time(std::string_view text);

// 100-nanosecond ticks since 0001-01-01 00:00 UTC for a Unix time in milliseconds; times before 1970 give
// the ticks of 1970-01-01.
std::uint64_t ticks_from_unix_millis(std::int64_t unix_millis);

// The current UTC time as 100-nanosecond ticks since 0001-01-01, cut to whole milliseconds.
std::uint64_t ticks_now();

}  // namespace qo
