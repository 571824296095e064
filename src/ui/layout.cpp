#include "ui/layout.h"

#include "ui/status.h"

namespace qo {

void set_launcher_content(UiState& ui, std::span<const LauncherLink> links, std::span<const LauncherNews> news,
                          std::span<const LauncherInfo> info, std::optional<std::string_view> opening) {
  ui.links.assign(links.begin(), links.end());
  ui.news.assign(news.begin(), news.end());
  ui.info.assign(info.begin(), info.end());
  if (opening) set_opening_time(ui, *opening);
  relayout_texts(ui);
}

// Placeholder until the measured layout lands: keeps the previous layout.
void relayout_texts(UiState&) {}

}  // namespace qo
