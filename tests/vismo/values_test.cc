// How bound variables are read: the trace's text of every type, the
// accessors the backends draw with, and the changed-variable listing.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "backend.h"
#include "trace.h"

namespace vismo {
namespace {

using Bytes = std::array<unsigned char, 88>;

template <typename T>
Bytes bytes_of(T value, std::size_t offset = 0, Bytes bytes = {}) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
  return bytes;
}

Bytes pair_of(float x, float y) {
  return bytes_of(y, 4, bytes_of(x));
}

Bytes text_of(unsigned char length, std::string_view chars) {
  Bytes bytes{};
  bytes[0] = length;
  std::memcpy(bytes.data() + 1, chars.data(), std::min<std::size_t>(chars.size(), 79));
  return bytes;
}

// Count `count`, then point k at (k + 0.5, -k).
Bytes polyline_of(std::int16_t count) {
  Bytes bytes = bytes_of(count);
  for (std::size_t k = 0; k < 10; ++k) {
    bytes = bytes_of(static_cast<float>(k) + 0.5F, 8 + 8 * k, bytes);
    bytes = bytes_of(-static_cast<float>(k), 12 + 8 * k, bytes);
  }
  return bytes;
}

// Not "\"" + text + "\"": GCC 12 at -O3 warns falsely (-Wrestrict) on it here.
std::string quoted(const std::string& text) {
  std::string out(1, '"');
  out += text;
  out += '"';
  return out;
}

struct FormatCase {
  const char* name;
  VarType type;
  Bytes bytes;
  std::string expected;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
  *out << c.name;
}

class TraceValue : public testing::TestWithParam<FormatCase> {};

TEST_P(TraceValue, IsFormatted) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(format_value(c.type, c.bytes.data()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Types, TraceValue,
    testing::Values(FormatCase{"int16_min", VarType::int16, bytes_of(std::int16_t{-32768}), "-32768"},
                    FormatCase{"int16_ignores_next_bytes", VarType::int16, bytes_of(std::int32_t{0x00010007}), "7"},
                    FormatCase{"int32_max", VarType::int32, bytes_of(std::int32_t{2147483647}), "2147483647"},
                    FormatCase{"colour_index", VarType::colour, bytes_of(std::int32_t{-4}), "-4"},
                    FormatCase{"float_tenth", VarType::float32, bytes_of(0.1F), "0.1"},
                    FormatCase{"float_whole", VarType::float32, bytes_of(70.0F), "70"},
                    FormatCase{"float_negative_whole", VarType::float32, bytes_of(-200.0F), "-200"},
                    FormatCase{"float_half", VarType::float32, bytes_of(0.5F), "0.5"},
                    FormatCase{"float_tiny", VarType::float32, bytes_of(1e-7F), "1e-07"},
                    FormatCase{"float_hundred_thousand", VarType::float32, bytes_of(100000.0F), "1e+05"},
                    FormatCase{"float_not_double_digits", VarType::float32, bytes_of(1.1F), "1.1"},
                    FormatCase{"float_negative_zero", VarType::float32, bytes_of(-0.0F), "-0"},
                    FormatCase{"point", VarType::point, pair_of(1.5F, -2.0F), "1.5 -2"},
                    FormatCase{"scale", VarType::scale, pair_of(1.0F, 0.0F), "1 0"},
                    FormatCase{"text_plain", VarType::text, text_of(5, "Hello, world"), "\"Hello\""},
                    FormatCase{"text_empty", VarType::text, text_of(0, "ignored"), "\"\""},
                    FormatCase{"text_quote_backslash", VarType::text, text_of(5, "a\"b\\c"), "\"a\\\"b\\\\c\""},
                    FormatCase{"text_control_bytes", VarType::text, text_of(4, std::string_view("\x07\x7f\xff\0", 4)),
                               "\"\\x07\\x7f\\xff\\x00\""},
                    FormatCase{"text_clamped_to_78", VarType::text, text_of(200, std::string(79, 'x')),
                               quoted(std::string(78, 'x'))},
                    FormatCase{"polyline_negative_count", VarType::polyline, polyline_of(-1), "0"},
                    FormatCase{"polyline_two", VarType::polyline, polyline_of(2), "2 0.5 -0 1.5 -1"},
                    FormatCase{"polyline_clamped_to_ten", VarType::polyline, polyline_of(11),
                               "10 0.5 -0 1.5 -1 2.5 -2 3.5 -3 4.5 -4 5.5 -5 6.5 -6 7.5 -7 8.5 -8 9.5 -9"}),
    [](const testing::TestParamInfo<FormatCase>& param) { return std::string(param.param.name); });

// Every float prints as the shortest text that reads back to the same bits.
TEST(TraceValue, FloatsReadBack) {
  for (const float value : {0.1F, 1.0F / 3.0F, 3.4028235e38F, 1e-45F, 16777217.0F, -123.456F}) {
    const std::string text = format_float(value);
    float back = 0.0F;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(result.ptr, text.data() + text.size()) << text;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(value)) << text;
  }
}

TEST(TraceName, EscapesBlanksAndControlBytes) {
  EXPECT_EQ(trace_name("LIFT"), "LIFT");
  EXPECT_EQ(trace_name(std::string_view("a b\n\0\xe9", 6)), "a\\x20b\\x0a\\x00\\xe9");
}

Scene scene_of_every_type() {
  std::vector<Diagnostic> diagnostics;
  auto scene =
      parse_scene("vismo 1\nlayer L\n  int16 I\n  float F\n  point P\n  text T\n  polyline Q\n  colour C\nend\n",
                  "t.anm", diagnostics);
  EXPECT_TRUE(scene.has_value());
  return std::move(*scene);
}

TEST(Bindings, UnboundVariablesReadAsZero) {
  const Scene scene = scene_of_every_type();
  const Bindings bindings(scene);
  EXPECT_EQ(bindings.number(0), 0.0);
  EXPECT_EQ(bindings.pair(2), std::make_pair(0.0F, 0.0F));
  EXPECT_EQ(bindings.text(3), "");
  EXPECT_EQ(bindings.text(1), "0");
  EXPECT_TRUE(bindings.polyline(4).empty());
}

TEST(Bindings, ReadTheBytesAtTheMomentOfTheCall) {
  const Scene scene = scene_of_every_type();
  Bindings bindings(scene);
  // Misaligned on purpose: a program's variable may sit anywhere.
  std::array<unsigned char, 200> memory{};
  unsigned char* const f = memory.data() + 1;
  unsigned char* const p = memory.data() + 9;
  unsigned char* const t = memory.data() + 19;
  unsigned char* const q = memory.data() + 101;
  bindings.bind(1, f);
  bindings.bind(2, p);
  bindings.bind(3, t);
  bindings.bind(4, q);

  const Bytes point = pair_of(3.0F, -4.5F);
  std::memcpy(p, point.data(), 8);
  EXPECT_EQ(bindings.pair(2), std::make_pair(3.0F, -4.5F));
  EXPECT_EQ(bindings.number(2), 3.0);
  EXPECT_EQ(bindings.text(2), "3 -4.5");

  const float value = 2.25F;
  std::memcpy(f, &value, 4);
  EXPECT_EQ(bindings.number(1), 2.25);
  EXPECT_EQ(bindings.pair(1), std::make_pair(2.25F, 2.25F));
  EXPECT_EQ(bindings.text(1), "2.25");

  const Bytes text = text_of(200, std::string(79, 'y'));
  std::memcpy(t, text.data(), 80);
  EXPECT_EQ(bindings.text(3), std::string(78, 'y'));
  EXPECT_EQ(bindings.number(3), 0.0);

  const Bytes polyline = polyline_of(11);
  std::memcpy(q, polyline.data(), 88);
  const auto points = bindings.polyline(4);
  ASSERT_EQ(points.size(), 10U);
  EXPECT_EQ(points[9], std::make_pair(9.5F, -9.0F));
  EXPECT_TRUE(bindings.polyline(3).empty());
}

TEST(WatchList, ListsChangesOnlyInFirstLinkOrder) {
  std::int16_t first = 1;
  float second = 0.5F;
  WatchList watches;
  EXPECT_TRUE(watches.add("SECOND", VarType::float32, &second));
  EXPECT_TRUE(watches.add("FIRST", VarType::int16, &first));
  EXPECT_FALSE(watches.add("AGAIN", VarType::int16, &first));

  std::string out;
  watches.collect_changes(out);
  EXPECT_EQ(out, "= SECOND 0.5\n= FIRST 1\n");

  out.clear();
  watches.collect_changes(out);
  EXPECT_EQ(out, "");

  first = 2;
  out.clear();
  watches.collect_changes(out);
  EXPECT_EQ(out, "= FIRST 2\n");

  // A write of the same value is no change; a new bit pattern is.
  first = 2;
  second = -0.0F;
  out.clear();
  watches.collect_changes(out);
  EXPECT_EQ(out, "= SECOND -0\n");

  // Added after plays: listed at the next one.
  std::int32_t late = 9;
  EXPECT_TRUE(watches.add("LATE", VarType::int32, &late));
  out.clear();
  watches.collect_changes(out);
  EXPECT_EQ(out, "= LATE 9\n");
}

}  // namespace
}  // namespace vismo
