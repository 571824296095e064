#include "ui/status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "test_ui.h"
#include "ui/tween.h"

namespace qo {
namespace {

TEST(TransferSpeed, Texts) {
  const struct {
    double rate;
    const char* text;
  } cases[] = {{0.0, ""},           {-5.0, ""},           {std::nan(""), ""},        {1000.0, "1 KB/s"},
               {300000.0, "293 KB/s"}, {1048575.0, "1024 KB/s"}, {1048576.0, "1,0 MB/s"}, {1572864.0, "1,5 MB/s"}};
  for (const auto& c : cases) EXPECT_EQ(format_transfer_speed(c.rate), c.text) << c.rate;
}

TEST(OpeningCaption, BrasiliaTimeCaptions) {
  const struct {
    const char* when;
    const char* caption;
  } cases[] = {
      {"2026-12-05T20:00:00-03:00", "05 de dezembro · 20h"},
      {"2026-03-07T09:05:00-03:00", "07 de março · 9h05"},
      {"2026-12-05T20:00:30-03:00", "05 de dezembro · 20h"},
      {"2026-12-05T23:30:00Z", "05 de dezembro · 20h30"},
      {"2027-01-01T00:10:00Z", "31 de dezembro · 21h10"},  // just after midnight UTC: the day before
      {"2026-02-01T02:59:59Z", "31 de janeiro · 23h59"},
      {"1969-12-31T23:00:00Z", "31 de dezembro · 20h"},    // before the epoch
      {"2024-02-29T12:00:00-03:00", "29 de fevereiro · 12h"},
  };
  auto ui = test::make_bare_test_ui();
  for (const auto& c : cases) {
    set_opening_time(ui, c.when);
    EXPECT_EQ(ui.opening_caption, c.caption) << c.when;
  }
}

TEST(OpeningTime, TargetAndUnreadableTexts) {
  auto ui = test::make_test_ui();
  EXPECT_EQ(ui.opening_caption, "05 de dezembro · 20h");  // the built-in target
  EXPECT_EQ(ui.opening_target_ms, 1'796'511'600'000);
  set_opening_time(ui, "2026-12-05T23:30:00Z");
  EXPECT_EQ(ui.opening_target_ms, 1'796'513'400'000);
  for (const char* bad : {"", "amanhã", "2026-1"}) {
    set_opening_time(ui, bad);
    EXPECT_EQ(ui.opening_target_ms, 1'796'513'400'000) << bad;
    EXPECT_EQ(ui.opening_caption, "05 de dezembro · 20h30") << bad;
  }
}

TEST(SetStatus, OnlyASpeedTextLeavesTheRestButAsksForARepaint) {
  auto ui = test::make_bare_test_ui();
  set_status(ui, "Baixando", "Main.exe", 10.0f, 20.0f, "1 KB/s");
  const Tween main = ui.progress_main;
  const Tween stage = ui.progress_stage;
  ui.redraw_needed = false;
  ui.ui_clock = 5.0;
  set_status(ui, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "2 KB/s");
  EXPECT_EQ(ui.speed_text, "2 KB/s");
  EXPECT_EQ(ui.status_text, "Baixando");
  EXPECT_EQ(ui.detail_text, "Main.exe");
  EXPECT_EQ(ui.progress_main.start, main.start);
  EXPECT_EQ(ui.progress_main.target, main.target);
  EXPECT_EQ(ui.progress_stage.start, stage.start);
  EXPECT_EQ(ui.progress_stage.target, stage.target);
  EXPECT_EQ(ui.progress_last, 20.0f);
  EXPECT_TRUE(ui.redraw_needed);
}

TEST(SetStatus, BarsAreClampedAndAnimateFromTheShownValue) {
  const struct {
    float given;
    float shown;
  } cases[] = {{150.0f, 100.0f}, {-5.0f, 0.0f}, {42.5f, 42.5f}, {std::nanf(""), 0.0f}};
  for (const auto& c : cases) {
    auto ui = test::make_bare_test_ui();
    ui.ui_clock = 3.0;
    set_status(ui, std::nullopt, std::nullopt, c.given, c.given, std::nullopt);
    EXPECT_EQ(ui.progress_main.target, c.shown) << c.given;
    EXPECT_EQ(ui.progress_stage.target, c.shown) << c.given;
    EXPECT_EQ(ui.progress_last, c.shown) << c.given;
    EXPECT_EQ(tween_value(ui.progress_main, 3.3), c.shown) << c.given;
  }
  auto ui = test::make_bare_test_ui();
  ui.ui_clock = 1.0;
  set_status(ui, std::nullopt, std::nullopt, std::nullopt, 100.0f, std::nullopt);
  EXPECT_EQ(ui.progress_main.start, 1.0);
  EXPECT_EQ(ui.progress_stage.target, 0.0f);  // the other bar stays
  ui.ui_clock = 1.15;
  const float shown = tween_value(ui.progress_main, 1.15);
  set_status(ui, std::nullopt, std::nullopt, std::nullopt, 50.0f, std::nullopt);
  EXPECT_EQ(ui.progress_main.value, shown);
}

TEST(RemoteContent, ListsAndOpeningTimeReachTheState) {
  auto ui = test::make_bare_test_ui();
  LauncherConfig config;
  config.links = std::vector<LauncherLink>{{"Discord", "https://example.invalid/d"}, {"Loja", std::nullopt}};
  config.news = std::vector<LauncherNews>{{"EVENTO", "#12B880", "Festa", std::nullopt, "08/10"}};
  config.abertura = "2026-12-24T18:00:00-03:00";
  apply_remote_config_to_ui(ui, config);
  EXPECT_EQ(ui.links, *config.links);
  EXPECT_EQ(ui.news, *config.news);
  EXPECT_TRUE(ui.info.empty());  // absent list: empty
  EXPECT_EQ(ui.opening_caption, "24 de dezembro · 18h");

  // Without an opening time the target stays; an empty one is handed on (and does not parse).
  config.abertura.reset();
  config.links.reset();
  apply_remote_config_to_ui(ui, config);
  EXPECT_TRUE(ui.links.empty());
  EXPECT_EQ(ui.opening_caption, "24 de dezembro · 18h");
  config.abertura = "";
  apply_remote_config_to_ui(ui, config);
  EXPECT_EQ(ui.opening_caption, "24 de dezembro · 18h");
}

}  // namespace
}  // namespace qo
