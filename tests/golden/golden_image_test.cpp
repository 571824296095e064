#include "golden_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>

#include "gfx/image_codec.h"

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qo::test {
namespace {

TEST(GoldenComparison, ToleratesSmallChannelDifferencesOnly) {
  Pixmap a = Pixmap::make(3, 2);
  a.fill_word(pack_argb(255, 100, 100, 100));
  Pixmap b = a;
  b.set_pixel(0, 0, pack_argb(255, 100 + GOLDEN_TOLERANCE, 100, 100 - GOLDEN_TOLERANCE));
  EXPECT_EQ(compare_pixels(a, b, GOLDEN_TOLERANCE).differing_pixels, 0u);

  b.set_pixel(2, 1, pack_argb(255, 100, 100 + GOLDEN_TOLERANCE + 1, 100));
  b.set_pixel(1, 0, pack_argb(250, 100, 100, 100));  // alpha counts as well
  const PixelDiff diff = compare_pixels(a, b, GOLDEN_TOLERANCE);
  EXPECT_EQ(diff.differing_pixels, 2u);
  EXPECT_EQ(diff.largest_channel_difference, 5);
  EXPECT_EQ(diff.diff_image.pixel(2, 1), pack_argb(255, 255, 0, 0));
  EXPECT_EQ(diff.diff_image.pixel(1, 0), pack_argb(255, 255, 0, 0));
  EXPECT_NE(diff.diff_image.pixel(0, 1), pack_argb(255, 255, 0, 0));
}

TEST(GoldenComparison, AMissingReferenceFailsAndLeavesTheDrawnScene) {
  TempDir out;
  const ScopedEnv update("QO_GOLDEN_UPDATE", "0");
  const ScopedEnv dir("QO_GOLDEN_OUT", out.path().string());
  Pixmap scene = Pixmap::make(4, 4);
  scene.fill_word(pack_argb(255, 0, 128, 255));
  const auto result = matches_golden("no-such-scene", scene);
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("QO_GOLDEN_UPDATE=1"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(out / "no-such-scene-actual.png"));
  EXPECT_FALSE(std::filesystem::exists(golden_reference_path("no-such-scene")));
}

TEST(GoldenComparison, AChangedSceneFailsAndWritesItsDiff) {
  TempDir out;
  const ScopedEnv update("QO_GOLDEN_UPDATE", "0");
  const ScopedEnv dir("QO_GOLDEN_OUT", out.path().string());
  const std::string bytes = read_file(golden_reference_path("icons"));
  auto scene = decode_png(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  ASSERT_TRUE(scene);
  EXPECT_TRUE(matches_golden("icons", *scene));

  for (uint32_t x = 0; x < 5; ++x) scene->set_pixel(x, 3, pack_argb(255, 255, 255, 0));
  const auto result = matches_golden("icons", *scene);
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("5 pixels differ"), std::string::npos) << result.message();
  const auto diff_bytes = read_file(out / "icons-diff.png");
  const auto diff = decode_png(std::span(reinterpret_cast<const uint8_t*>(diff_bytes.data()), diff_bytes.size()));
  ASSERT_TRUE(diff);
  EXPECT_EQ(diff->pixel(4, 3), pack_argb(255, 255, 0, 0));
  EXPECT_NE(diff->pixel(5, 3), pack_argb(255, 255, 0, 0));
  EXPECT_TRUE(std::filesystem::exists(out / "icons-actual.png"));
}

}  // namespace
}  // namespace qo::test
