// The scene runtime as the simulation sees it: the six runtime calls (from
// vismo.h) and the memory formats of the variables the program binds to
// the scene. The runtime reads a bound variable by address, with the size
// its type has in the scene file, whenever a played command draws it; so
// these layouts are fixed to the byte and checked below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include <vismo/vismo.h>

// A name passed to the runtime: NUL-terminated ASCII, at most 13 characters
// (the longest used has 8).
using scene_name = std::array<char, 14>;

// Text shown by the scene: `length` characters from `chars[0]`, then a NUL.
struct scene_text {
  std::uint8_t length;
  std::array<char, 79> chars;
};

// A position in scene coordinates (50 units per metre, y grows upward).
struct scene_point {
  float x;
  float y;
};

// A drawing scale, horizontal then vertical; 1.0 is the drawn size and
// (0.0, 0.0) hides the drawing.
struct scene_scale {
  float x;
  float y;
};

// A line through up to ten points; only the first `count` are drawn.
struct scene_polyline {
  std::int16_t count;
  std::array<std::uint8_t, 6> unused;
  std::array<scene_point, 10> points;
};

// A mark of the options dialog: 3 off, 4 on.
using colour_index = std::int32_t;
constexpr colour_index colour_off = 3;
constexpr colour_index colour_on = 4;

static_assert(sizeof(scene_text) == 80 && offsetof(scene_text, chars) == 1);
static_assert(sizeof(scene_point) == 8 && sizeof(scene_scale) == 8);
static_assert(sizeof(scene_polyline) == 88 && offsetof(scene_polyline, points) == 8);
static_assert(sizeof(colour_index) == 4 && sizeof(float) == 4);

// The largest number of characters a scene text holds.
constexpr std::size_t scene_text_capacity = 78;
