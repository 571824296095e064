#include "ui/status.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "ui/layout.h"
#include "ui/tween.h"
#include "util/date_time.h"

namespace qo {
namespace {

constexpr std::array<std::string_view, 12> MONTH_NAMES{"janeiro", "fevereiro", "março",    "abril",
                                                       "maio",    "junho",     "julho",    "agosto",
                                                       "setembro", "outubro",  "novembro", "dezembro"};

constexpr int64_t BRASILIA_OFFSET_MS = -3 * 3600 * 1000;

struct CivilDate {
  int64_t year;
  unsigned month;  // 1..12
  unsigned day;    // 1..31
};

// The proleptic Gregorian date of a day count since 1970-01-01 (eras of 146,097 days, years from March).
CivilDate civil_from_days(int64_t days) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); }

// A percentage for a bar: clamped to 0..100, NaN read as 0.
float bar_percent(float percent) { return std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f); }

}  // namespace

void set_status(UiState& ui, std::optional<std::string_view> status, std::optional<std::string_view> detail,
                std::optional<float> stage_percent, std::optional<float> main_percent,
                std::optional<std::string_view> speed) {
  if (status) ui.status_text = *status;
  if (detail) ui.detail_text = *detail;
  if (speed) ui.speed_text = *speed;
  if (stage_percent) tween_retarget(ui.progress_stage, bar_percent(*stage_percent), ui.ui_clock);
  if (main_percent) {
    const float value = bar_percent(*main_percent);
    tween_retarget(ui.progress_main, value, ui.ui_clock);
    ui.progress_last = value;
  }
  ui.redraw_needed = true;
}

std::string opening_caption(int64_t unix_ms) {
  const int64_t earliest = std::numeric_limits<int64_t>::min() - BRASILIA_OFFSET_MS;
  const int64_t local_ms = std::max(unix_ms, earliest) + BRASILIA_OFFSET_MS;
  const int64_t seconds = floor_div(local_ms, 1000);
  const int64_t days = floor_div(seconds, 86400);
  const int64_t second_of_day = seconds - days * 86400;
  const CivilDate date = civil_from_days(days);
  const int64_t hour = second_of_day / 3600;
  const int64_t minute = (second_of_day % 3600) / 60;
  const std::string minutes = minute >= 1 ? fmt::format("{:02}", minute) : std::string();
  return fmt::format("{:02} de {} · {}h{}", date.day, MONTH_NAMES[date.month - 1], hour, minutes);
}

void set_opening_time(UiState& ui, std::string_view text) {
  const auto target = parse_date_time(text);
  if (!target) return;
  ui.opening_target_ms = *target;
  ui.opening_caption = opening_caption(*target);
}

void apply_remote_config_to_ui(UiState& ui, const LauncherConfig& config) {
  const std::vector<LauncherLink> links = config.links.value_or(std::vector<LauncherLink>{});
  const std::vector<LauncherNews> news = config.news.value_or(std::vector<LauncherNews>{});
  const std::vector<LauncherInfo> info = config.info.value_or(std::vector<LauncherInfo>{});
  const std::optional<std::string_view> opening =
      config.abertura ? std::optional<std::string_view>(*config.abertura) : std::nullopt;
  set_launcher_content(ui, links, news, info, opening);
}

}  // namespace qo
