#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "icons/svg_path.h"

namespace qo {
namespace {

struct Scan {
  float value;
  std::string_view rest;
};

Scan scan(std::string_view text) {
  const float v = svg_scan_number(text);
  return {v, text};
}

TEST(SvgScanNumber, ReadsEveryNumberForm) {
  EXPECT_FLOAT_EQ(scan("12").value, 12.0f);
  EXPECT_FLOAT_EQ(scan("-3.25").value, -3.25f);
  EXPECT_FLOAT_EQ(scan("+7").value, 7.0f);
  EXPECT_FLOAT_EQ(scan(".5").value, 0.5f);
  EXPECT_FLOAT_EQ(scan("-.5").value, -0.5f);
  EXPECT_FLOAT_EQ(scan("4.").value, 4.0f);
  EXPECT_FLOAT_EQ(scan("1e2").value, 100.0f);
  EXPECT_FLOAT_EQ(scan("1E-2").value, 0.01f);
  EXPECT_FLOAT_EQ(scan("2.5e+1").value, 25.0f);
  EXPECT_FLOAT_EQ(scan("0.1").value, 0.1f);  // correctly rounded, no locale involved
}

TEST(SvgScanNumber, SkipsSeparatorsAndStopsAtTheNextCharacter) {
  const Scan s = scan(" \t\r\n\f,,42,7");
  EXPECT_FLOAT_EQ(s.value, 42.0f);
  EXPECT_EQ(s.rest, ",7");

  EXPECT_EQ(scan("3-4").rest, "-4");  // a sign starts the next number
  EXPECT_EQ(scan("5L").rest, "L");
}

TEST(SvgScanNumber, ASecondDotStartsTheNextNumber) {
  std::string_view cursor = "1.2.3";
  EXPECT_FLOAT_EQ(svg_scan_number(cursor), 1.2f);
  EXPECT_EQ(cursor, ".3");
  EXPECT_FLOAT_EQ(svg_scan_number(cursor), 0.3f);
  EXPECT_TRUE(cursor.empty());
}

TEST(SvgScanNumber, MalformedTextReadsZeroButIsConsumed) {
  for (std::string_view text : {"", "-", "+", ".", "-.", "1e", "1e+", "1e2e3"}) {
    SCOPED_TRACE(text);
    const Scan s = scan(text);
    EXPECT_EQ(s.value, 0.0f);
    EXPECT_TRUE(s.rest.empty());
  }
  // Nothing number-like is taken at all.
  const Scan letter = scan("x1");
  EXPECT_EQ(letter.value, 0.0f);
  EXPECT_EQ(letter.rest, "x1");
}

TEST(SvgScanNumber, OutOfRangeMagnitudesSaturate) {
  EXPECT_TRUE(std::isinf(scan("1e50").value));
  EXPECT_LT(scan("-1e400").value, 0.0f);
  EXPECT_TRUE(std::isinf(scan("-1e400").value));
  EXPECT_EQ(scan("1e-50").value, 0.0f);
  EXPECT_EQ(scan("1e-400").value, 0.0f);
  EXPECT_EQ(scan("0.000000000000000000000000000000000000000000000000001").value, 0.0f);
  EXPECT_EQ(scan("0." + std::string(400, '0') + "1").value, 0.0f);
  EXPECT_TRUE(std::isinf(scan("1" + std::string(400, '0')).value));
  EXPECT_TRUE(std::isinf(scan("0.00001e60").value));
}

}  // namespace
}  // namespace qo
