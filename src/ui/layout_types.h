#pragma once
// The measured layout of the main screen: header items, news rows, information rows, the panel geometry, and the
// three cached element layers the main painter fills. Built whole by relayout_texts; read by the painters, the
// pointer and the window procedure.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/canvas.h"

namespace qo {

// Icon kinds of a header item, chosen from its lower-cased text.
enum HeaderIcon : uint32_t {
  HEADER_ICON_GLOBE = 0,
  HEADER_ICON_DISCORD = 1,
  HEADER_ICON_RANKING = 2,
  HEADER_ICON_SHOP = 3,
  HEADER_ICON_OPTIONS = 4,
};

struct HeaderItem {
  std::string text;  // the link's text, the last item laid out maybe cut with the ellipsis
  std::string url;
  float x = 0.0f;
  float width = 0.0f;  // measured text width + 49
  uint32_t icon = HEADER_ICON_GLOBE;
  bool clickable = false;
  bool opens_settings = false;
};

struct NewsRow {
  std::string tag;    // fitted beside the date
  std::string title;  // shortened to fit
  std::string date;   // fitted to half the row
  std::string url;
  float y = 0.0f;
  float height = 0.0f;
  float tag_pill_width = 0.0f;  // tag width + 18; 0 without a tag (no pill)
  float date_width = 0.0f;
  bool first = false;
  std::array<uint8_t, 3> color{217, 168, 69};
};

struct InfoRow {
  std::string label;                // fitted beside the values
  std::vector<std::string> values;  // the pieces of the value between "|" that fit, the last one maybe cut
  float y = 0.0f;
  bool first = false;
};

struct MainLayout {
  std::vector<HeaderItem> header_items;
  std::vector<NewsRow> news_rows;
  std::vector<InfoRow> info_rows;
  float brand_width = 0.0f;
  float links_start = 0.0f;
  float links_end = 0.0f;
  float status_x = 0.0f;
  float status_width = 0.0f;
  float right_strip_start = 0.0f;
  float minimize_x = 0.0f;
  float close_x = 0.0f;
  float news_panel_height = 0.0f;
  float server_panel_y = 0.0f;
  float server_panel_height = 0.0f;
  float see_all_x = 0.0f;
  float subtitle_pill_width = 0.0f;
  float right_column_height = 0.0f;
};

// The header, right-hand column and footer, each painted into its own layer when its content changes. The
// footer's stale flag is the state's redraw_needed.
struct ElementLayers {
  Canvas header;
  Canvas right_column;
  Canvas footer;
  double stamp = -100.0;  // UI clock of the last repaint
  bool header_stale = true;
  bool right_column_stale = true;
};

}  // namespace qo
