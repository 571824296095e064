// The benchmark and capture modes: their options in process, then the modes run as the launcher's own process
// from a temporary game folder, as an operator starts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/image_codec.h"
#include "main/tool_bench.h"
#include "main/tool_capture.h"
#include "main/tool_render_sample.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "ui/stage_timers.h"

namespace qo {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

TEST(ToolScale, TakenAfterTheFirstEscalaWhereverItStands) {
  const struct {
    Args arguments;
    float scale;
  } cases[] = {
      {{"--bench", "r.txt"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "1.5"}, 1.5f},
      {{"--bench", "r.txt", "x", "--ESCALA", "1.25"}, 1.25f},
      {{"--captura", "a.png", "cfg", "--dados", "c.json", "--Escala", "2"}, 2.0f},
      {{"--bench", "r.txt", "--escala", "2", "--escala", "3"}, 2.0f},  // the first one counts
      {{"--bench", "r.txt", "--escala"}, 1.0f},                          // no value
      {{"--bench", "r.txt", "--escala", "dois"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "1.5x"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "+2"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "nan"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "inf"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "0.4"}, 1.0f},  // outside 0.5 .. 3
      {{"--bench", "r.txt", "--escala", "3.5"}, 1.0f},
      {{"--bench", "r.txt", "--escala", "0.5"}, 0.5f},
      {{"--bench", "r.txt", "--escala ", "2"}, 1.0f},  // the word with a blank is another word
  };
  for (const auto& c : cases) {
    std::ostringstream trace;
    for (const std::string& a : c.arguments) trace << a << ' ';
    EXPECT_EQ(tool_scale(c.arguments), c.scale) << trace.str();
  }
  EXPECT_EQ(scale_text(1.0f), "1");
  EXPECT_EQ(scale_text(1.5f), "1.5");
  EXPECT_EQ(scale_text(1.1f), "1.1");
}

TEST(CaptureRequest, CfgFromTheThirdArgumentAndTheContentFileAfterDados) {
  CaptureRequest r = capture_request({"--captura", "a.png", "CFG", "--dados", "c.json"});
  EXPECT_EQ(r.output, "a.png");
  EXPECT_TRUE(r.settings_dialog);
  ASSERT_TRUE(r.content.has_value());
  EXPECT_EQ(*r.content, "c.json");
  r = capture_request({"--captura", "cfg"});  // the PNG is named cfg: no dialog
  EXPECT_FALSE(r.settings_dialog);
  r = capture_request({"--captura", "a.png", "--dados"});
  EXPECT_FALSE(r.content.has_value());
}

TEST(BenchReport, HeadingLinesThenOnlyTheStagesThatRan) {
  BenchFigures figures;
  figures.scale = 1.5f;
  figures.init_ms = 123.456;
  for (int i = 0; i < BENCH_FRAMES; ++i) figures.frame_ms.push_back(i < 570 ? 1.0 : 3.0);
  figures.complete_frames = 42;
  StageTimers::reset();
  StageTimers::add(FrameStage::Background, 1'250'000);
  StageTimers::add(FrameStage::Countdown, 600'000'000);
  EXPECT_EQ(bench_report(figures),
            "escala 1.5 init 123.5 ms\n"
            "quadros 600 (10 s a 60 fps): media 1.10 ms, mediana 1.00, p95 3.00, max 3.00, quadros completos 42\n"
            "CPU estimada a 60 fps: 6.6% de um nucleo\n"
            "  fundo: 1.2 ms total (0.00 ms/quadro)\n"
            "  countdown: 600.0 ms total (1.00 ms/quadro)\n");
  StageTimers::reset();
}

// ---- the modes as processes ----

class RenderModeProcess : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::copy_file(QO_DEV_EXE, exe_); }

  int run(Args arguments) {
    test::ChildOptions options;
    options.arguments = std::move(arguments);
    options.unset_env = {"DISPLAY", "WAYLAND_DISPLAY"};
    options.working_folder = game_.path();
    test::ChildProcess child(exe_, options);
    EXPECT_TRUE(child.started());
    return child.wait_for_exit(120s).value_or(-100);
  }

  std::vector<std::string> report_lines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::istringstream in(test::read_file(file));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::optional<Pixmap> picture(const std::filesystem::path& file) {
    const std::string bytes = test::read_file(file);
    return decode_png(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }

  test::TempDir game_;
  std::filesystem::path exe_ = game_ / "QoTarmish-dev";
};

TEST_F(RenderModeProcess, BenchWritesItsReport) {
  const struct {
    Args options;
    std::string scale;
  } runs[] = {{{}, "1"}, {{"antes", "--Escala", "1.5"}, "1.5"}, {{"--escala", "grande"}, "1"}};
  const std::regex stage(
      R"(  (fundo|vidro|compor|copia|faiscas|runa|logo|countdown): \d+\.\d ms total \(\d+\.\d\d ms/quadro\))");
  for (const auto& r : runs) {
    SCOPED_TRACE(r.scale);
    const std::filesystem::path report = game_ / "relatorio.txt";
    Args arguments{"--bench", report.string()};
    arguments.insert(arguments.end(), r.options.begin(), r.options.end());
    ASSERT_EQ(run(arguments), 0);
    const auto lines = report_lines(report);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("escala " + r.scale + R"( init \d+\.\d ms)"))) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(quadros 600 \(10 s a 60 fps\): media \d+\.\d\d ms, )"
                                                      R"(mediana \d+\.\d\d, p95 \d+\.\d\d, max \d+\.\d\d, )"
                                                      R"(quadros completos \d+)")))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(CPU estimada a 60 fps: \d+\.\d% de um nucleo)"))) << lines[2];
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], stage)) << lines[i];
    std::filesystem::remove(report);
  }
}

TEST_F(RenderModeProcess, BenchIgnoresAReportItCannotWrite) {
  test::write_file(game_ / "arquivo", "x");
  EXPECT_EQ(run({"--bench", (game_ / "arquivo" / "relatorio.txt").string()}), 0);
}

// Every capture is opaque, as the window's own copy of a frame is.
TEST_F(RenderModeProcess, CaptureSizesFollowTheScaleAndEveryPixelIsOpaque) {
  const struct {
    const char* scale;
    uint32_t width, height;
  } runs[] = {{"1", 1100, 660}, {"1.25", 1375, 825}, {"2", 2200, 1320}, {"9", 1100, 660}, {"+2", 1100, 660}};
  for (const auto& r : runs) {
    const std::filesystem::path png = game_ / "tela.png";
    ASSERT_EQ(run({"--captura", png.string(), "--escala", r.scale}), 0) << r.scale;
    const auto image = picture(png);
    ASSERT_TRUE(image.has_value()) << r.scale;
    EXPECT_EQ(image->width(), r.width) << r.scale;
    EXPECT_EQ(image->height(), r.height) << r.scale;
    EXPECT_EQ(std::ranges::count_if(image->pixels(), [](uint32_t p) { return (p >> 24) != 0xFF; }), 0) << r.scale;
  }
}

// Mean of the red, green and blue channels over a logical rectangle of a scale-1 picture.
double brightness(const Pixmap& image, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  double sum = 0.0;
  for (uint32_t y = y0; y < y1; ++y)
    for (uint32_t x = x0; x < x1; ++x) {
      const uint32_t p = image.pixel(x, y);
      sum += pixel_red(p) + pixel_green(p) + pixel_blue(p);
    }
  return sum / (3.0 * (x1 - x0) * (y1 - y0));
}

TEST_F(RenderModeProcess, CfgShowsTheSettingsDialogOverADarkenedWindow) {
  ASSERT_EQ(run({"--captura", (game_ / "tela.png").string()}), 0);
  ASSERT_EQ(run({"--captura", (game_ / "cfg.png").string(), "Cfg"}), 0);
  const auto plain = picture(game_ / "tela.png");
  const auto dialog = picture(game_ / "cfg.png");
  ASSERT_TRUE(plain && dialog);
  // The play button beside the panel is darkened; the panel's body is its own dark green.
  EXPECT_LT(brightness(*dialog, 830, 560, 1060, 620), brightness(*plain, 830, 560, 1060, 620) / 2.0);
  const uint32_t panel = dialog->pixel(330, 80);
  EXPECT_LT(pixel_red(panel), 40u);
  EXPECT_GT(brightness(*dialog, 655, 537, 765, 571), 120.0);  // "Salvar" in gold
}

TEST_F(RenderModeProcess, CaptureFailsWhenThePictureCannotBeWritten) {
  test::write_file(game_ / "arquivo", "x");
  EXPECT_EQ(run({"--captura", (game_ / "arquivo" / "tela.png").string()}), 1);
}

TEST_F(RenderModeProcess, ContentFileThatIsNotADocumentFailsAndWritesNothing) {
  test::write_file(game_ / "conteudo.json", "{\"News\": [1, 2");
  const std::filesystem::path png = game_ / "tela.png";
  EXPECT_EQ(run({"--captura", png.string(), "--dados", (game_ / "conteudo.json").string()}), 1);
  EXPECT_FALSE(std::filesystem::exists(png));
  EXPECT_FALSE(std::filesystem::exists(game_ / "Data"));  // not even the default launcher.json

  EXPECT_EQ(run({"--captura", png.string(), "--dados", (game_ / "sem-arquivo.json").string()}), 0);
  EXPECT_TRUE(std::filesystem::exists(png));  // an unreadable file is ignored
}

}  // namespace
}  // namespace qo
