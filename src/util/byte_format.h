#pragma once
// Sizes and transfer rates as the player reads them.
#include <cstdint>
#include <string>

namespace qo {

// Below 1 GiB: whole MiB rounded up and " MB" (12.3 MiB is "13 MB"); from 1 GiB on: GiB with two decimals and a
// decimal comma and " GB" (1.5 GiB is "1,50 GB").
std::string format_size_mb_gb(std::uint64_t bytes);

// "" for a rate of 0 or less; from 1 MiB/s on "1,5 MB/s" (one decimal, decimal comma); below it whole KiB/s
// rounded to nearest, "293 KB/s".
std::string format_transfer_speed(double bytes_per_second);

}  // namespace qo
