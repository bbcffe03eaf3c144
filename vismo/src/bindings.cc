// Reading bound variables. The backends call the Bindings accessors while
// they draw a command, the trace calls format_value after every play; both
// read the program's bytes as they are at that moment. Every read goes
// through memcpy: a program's variable need not be aligned for its type.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "backend.h"

namespace vismo {

namespace {

constexpr std::size_t text_capacity = 78;  // characters of a text after its length byte
constexpr std::size_t polyline_capacity = 10;
constexpr std::size_t polyline_points = 8;  // offset of the first point

// What an unbound variable reads as.
constexpr std::array<std::byte, 88> zeros{};

template <typename T>
T load(const void* bytes, std::size_t offset = 0) {
  T value{};
  std::memcpy(&value, static_cast<const std::byte*>(bytes) + offset, sizeof value);
  return value;
}

std::size_t text_length(const void* bytes) {
  return std::min<std::size_t>(load<std::uint8_t>(bytes), text_capacity);
}

std::size_t polyline_count(const void* bytes) {
  const auto count = load<std::int16_t>(bytes);
  return static_cast<std::size_t>(std::clamp<int>(count, 0, static_cast<int>(polyline_capacity)));
}

std::pair<float, float> load_point(const void* bytes, std::size_t offset) {
  return {load<float>(bytes, offset), load<float>(bytes, offset + 4)};
}

}  // namespace

std::string format_float(float value) {
  std::array<char, 32> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), result.ptr};
}

std::string format_value(VarType type, const void* bytes) {
  switch (type) {
    case VarType::int16:
      return std::to_string(load<std::int16_t>(bytes));
    case VarType::int32:
    case VarType::colour:
      return std::to_string(load<std::int32_t>(bytes));
    case VarType::float32:
      return format_float(load<float>(bytes));
    case VarType::point:
    case VarType::scale: {
      const auto [x, y] = load_point(bytes, 0);
      return format_float(x) + ' ' + format_float(y);
    }
    case VarType::text: {
      constexpr std::string_view hex = "0123456789abcdef";
      std::string out = "\"";
      const auto* chars = static_cast<const unsigned char*>(bytes) + 1;
      for (std::size_t i = 0; i < text_length(bytes); ++i) {
        const unsigned char c = chars[i];
        if (c == '"' || c == '\\') {
          out += '\\';
          out += static_cast<char>(c);
        } else if (c >= 0x20 && c <= 0x7e) {
          out += static_cast<char>(c);
        } else {
          out += "\\x";
          out += hex[c >> 4U];
          out += hex[c & 0xfU];
        }
      }
      out += '"';
      return out;
    }
    case VarType::polyline: {
      const std::size_t count = polyline_count(bytes);
      std::string out = std::to_string(count);
      for (std::size_t i = 0; i < count; ++i) {
        const auto [x, y] = load_point(bytes, polyline_points + 8 * i);
        out += ' ';
        out += format_float(x);
        out += ' ';
        out += format_float(y);
      }
      return out;
    }
  }
  return {};
}

namespace {

const void* bytes_of(const Bindings& bindings, int variable) {
  const void* address = bindings.address(variable);
  return address != nullptr ? address : zeros.data();
}

VarType type_of(const Bindings& bindings, int variable) {
  return bindings.scene().variables.at(static_cast<std::size_t>(variable)).type;
}

}  // namespace

double Bindings::number(int variable) const {
  const void* bytes = bytes_of(*this, variable);
  switch (type_of(*this, variable)) {
    case VarType::int16:
      return load<std::int16_t>(bytes);
    case VarType::int32:
    case VarType::colour:
      return load<std::int32_t>(bytes);
    case VarType::float32:
    case VarType::point:
    case VarType::scale:
      return load<float>(bytes);
    case VarType::text:
    case VarType::polyline:
      break;
  }
  return 0.0;
}

std::pair<float, float> Bindings::pair(int variable) const {
  const VarType type = type_of(*this, variable);
  if (type == VarType::point || type == VarType::scale) return load_point(bytes_of(*this, variable), 0);
  if (type == VarType::text || type == VarType::polyline) return {0.0F, 0.0F};
  const auto value = static_cast<float>(number(variable));
  return {value, value};
}

std::string Bindings::text(int variable) const {
  const void* bytes = bytes_of(*this, variable);
  const VarType type = type_of(*this, variable);
  if (type != VarType::text) return format_value(type, bytes);
  return {static_cast<const char*>(bytes) + 1, text_length(bytes)};
}

std::vector<std::pair<float, float>> Bindings::polyline(int variable) const {
  std::vector<std::pair<float, float>> points;
  if (type_of(*this, variable) != VarType::polyline) return points;
  const void* bytes = bytes_of(*this, variable);
  const std::size_t count = polyline_count(bytes);
  points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) points.push_back(load_point(bytes, polyline_points + 8 * i));
  return points;
}

}  // namespace vismo
