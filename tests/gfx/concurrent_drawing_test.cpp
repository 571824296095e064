#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "gfx/blur.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/shapes.h"

namespace qo {
namespace {

// A little of everything the painter and the backdrop worker do, on a canvas of their own.
Pixmap paint_scene(int variant) {
  Canvas canvas = Canvas::make(160, 100, 0, 0, 1.25f);
  const std::vector<ColorStop> stops{{0, Color{0.9f, 0.6f, 0.2f, 1}}, {1, Color{0.1f, 0.7f, 0.5f, 0.8f}}};
  fill_round_rect(canvas, shader_paint(build_linear_gradient(stops, 5, 5, 110, 60, 135.0f + variant)), 5, 5, 110,
                  60, 12);
  draw_soft_shadow(canvas, Color{0, 0, 0, 0.6f}, 20, 20, 60, 30, 8, 4);
  stroke_round_rect(canvas, COLOR_WHITE, 10, 10, 100, 50, 10);
  Pixmap copy = canvas.pixmap;
  gaussian_blur(copy, 2.5f);
  draw_image_scaled(copy, canvas.pixmap, 3.5f, 2.25f, 0.5f, 0.5f, 0.7f, true, full_clip(canvas.pixmap));
  return canvas.pixmap;
}

TEST(ConcurrentDrawing, ThreadsOnTheirOwnCanvasesGetTheSameResults) {
  std::vector<Pixmap> expected;
  for (int v = 0; v < 4; ++v) expected.push_back(paint_scene(v));

  std::vector<Pixmap> results(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&results, t] {
      for (int round = 0; round < 3; ++round) results[static_cast<size_t>(t)] = paint_scene(t % 4);
    });
  }
  for (auto& th : threads) th.join();
  for (size_t t = 0; t < results.size(); ++t) {
    const Pixmap& want = expected[t % 4];
    EXPECT_TRUE(std::equal(want.pixels().begin(), want.pixels().end(), results[t].pixels().begin())) << t;
  }
}

}  // namespace
}  // namespace qo
