#include "util/byte_format.h"

#include <algorithm>

#include <fmt/format.h>

namespace qo {
namespace {

constexpr std::uint64_t MIB = 1'048'576;
constexpr std::uint64_t GIB = 1'073'741'824;

std::string with_decimal_comma(std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

}  // namespace

std::string format_size_mb_gb(std::uint64_t bytes) {
    if (bytes < GIB) return fmt::format("{} MB", (bytes + MIB - 1) / MIB);
    return with_decimal_comma(fmt::format("{:.2f} GB", static_cast<double>(bytes) / static_cast<double>(GIB)));
}

std::string format_transfer_speed(double bytes_per_second) {
    if (!(bytes_per_second > 0.0)) return {};
    if (bytes_per_second >= static_cast<double>(MIB))
        return with_decimal_comma(fmt::format("{:.1f} MB/s", bytes_per_second / static_cast<double>(MIB)));
    return fmt::format("{:.0f} KB/s", bytes_per_second / 1024.0);
}

}  // namespace qo
