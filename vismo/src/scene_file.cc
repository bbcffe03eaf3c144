// The scene file loader. VisLoad reads a scene through load_scene_file;
// the tests and the fuzzer call parse_scene on text directly. The loader
// reports as many problems as it can find in one pass (up to a limit) so
// that a scene author fixes them in one round, but it never hands out a
// partial scene: any error and the caller gets nothing.
//
// The file is read line by line; every line is split into tokens, and the
// first token decides what the line is. Blocks (layer, command, and the
// block operations inside a command) are kept on an explicit stack, so no
// input can make the loader recurse.
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "scene.h"

namespace vismo {

std::size_t type_size(VarType type) {
  switch (type) {
    case VarType::int16: return 2;
    case VarType::int32:
    case VarType::float32:
    case VarType::colour: return 4;
    case VarType::point:
    case VarType::scale: return 8;
    case VarType::text: return 80;
    case VarType::polyline: return 88;
  }
  return 0;
}

namespace {

constexpr std::array<std::pair<std::string_view, VarType>, 8> type_names{{
    {"int16", VarType::int16},
    {"int32", VarType::int32},
    {"float", VarType::float32},
    {"colour", VarType::colour},
    {"point", VarType::point},
    {"scale", VarType::scale},
    {"text", VarType::text},
    {"polyline", VarType::polyline},
}};

}  // namespace

std::string_view type_name(VarType type) {
  for (const auto& [name, value] : type_names) {
    if (value == type) return name;
  }
  return "?";
}

std::optional<VarType> type_from_name(std::string_view name) {
  for (const auto& [type_text, value] : type_names) {
    if (type_text == name) return value;
  }
  return std::nullopt;
}

const Value* Op::option(std::string_view key) const {
  for (const auto& [option_key, value] : options) {
    if (option_key == key) return &value;
  }
  return nullptr;
}

const Layer* Scene::find_layer(std::string_view name) const {
  for (const Layer& layer : layers) {
    if (layer.name == name) return &layer;
  }
  return nullptr;
}

int Scene::find_variable(std::string_view layer, std::string_view name) const {
  const Layer* found = find_layer(layer);
  if (found == nullptr) return -1;
  for (int index : found->variables) {
    if (variables[static_cast<std::size_t>(index)].name == name) return index;
  }
  return -1;
}

const Command* Scene::find_command(std::string_view name) const {
  for (const Command& command : commands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

std::uint32_t Scene::palette_colour(int index) const {
  for (const auto& [palette_index, rgba] : palette) {
    if (palette_index == index) return rgba;
  }
  return 0x000000FFU;
}

std::string Diagnostic::to_string() const {
  return file + ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column) + ": " + message;
}

namespace {

constexpr std::size_t max_nesting = 32;      // blocks open inside one command
constexpr std::size_t max_diagnostics = 50;  // after that the loader gives up
constexpr std::size_t max_name_length = 13;

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_hex(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A token as it should appear inside a message: bytes a terminal would
// mangle are written \xHH and long tokens are cut.
std::string shown(std::string_view text) {
  constexpr std::size_t limit = 40;
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7f) {
      out += static_cast<char>(byte);
    } else {
      constexpr std::string_view digits = "0123456789abcdef";
      out += "\\x";
      out += digits[byte >> 4U];
      out += digits[byte & 0xfU];
    }
  }
  if (text.size() > limit) out += "...";
  return out;
}

bool is_name(std::string_view text) {
  if (text.empty() || !is_letter(text[0])) return false;
  for (char c : text) {
    if (!is_letter(c) && !is_digit(c) && c != '_') return false;
  }
  return true;
}

// Decimal with an optional sign and fraction: 12, -3.5, +0.25. No
// exponent, no bare leading or trailing point.
std::optional<double> to_number(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
  std::size_t i = 0;
  while (i < digits.size() && is_digit(digits[i])) ++i;
  if (i == 0) return std::nullopt;
  if (i < digits.size()) {
    if (digits[i] != '.') return std::nullopt;
    std::size_t j = i + 1;
    while (j < digits.size() && is_digit(digits[j])) ++j;
    if (j == i + 1 || j != digits.size()) return std::nullopt;
  }
  // from_chars takes no '+'; the grammar above already vouched for the rest.
  std::string_view parsed = text[0] == '+' ? text.substr(1) : text;
  double value = 0.0;
  const auto result = std::from_chars(parsed.data(), parsed.data() + parsed.size(), value, std::chars_format::fixed);
  if (result.ec != std::errc{} || result.ptr != parsed.data() + parsed.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> to_integer(double value) {
  if (value != std::floor(value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

std::optional<std::uint32_t> to_colour(std::string_view text) {
  if (text.size() != 7 && text.size() != 9) return std::nullopt;
  if (text[0] != '#') return std::nullopt;
  std::uint32_t rgba = 0;
  for (char c : text.substr(1)) {
    if (!is_hex(c)) return std::nullopt;
    const unsigned digit = is_digit(c) ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
    rgba = (rgba << 4U) | digit;
  }
  if (text.size() == 7) rgba = (rgba << 8U) | 0xFFU;
  return rgba;
}

struct Token {
  std::string_view text;
  int column = 0;  // 1-based byte column
};

// The option kinds; each key has one kind wherever it appears.
enum class OptionKind : std::uint8_t { colour, length, weight, align, translate, scale, rotate, origin };

struct OptionKey {
  std::string_view key;
  OptionKind kind;
};

constexpr std::array<OptionKey, 13> option_keys{{
    {"fill", OptionKind::colour},
    {"stroke", OptionKind::colour},
    {"width", OptionKind::length},
    {"radius", OptionKind::length},
    {"dash", OptionKind::length},
    {"head", OptionKind::length},
    {"size", OptionKind::length},
    {"weight", OptionKind::weight},
    {"align", OptionKind::align},
    {"translate", OptionKind::translate},
    {"scale", OptionKind::scale},
    {"rotate", OptionKind::rotate},
    {"origin", OptionKind::origin},
}};

// How an operation's positional arguments are checked.
enum class Shape : std::uint8_t {
  numbers,   // exactly `count` numbers
  points,    // at least `count` points as X Y numbers
  polyline,  // points (at least two), or one polyline variable
  text,      // X Y, then a string or a variable of any type
  pen,       // one point variable
  set,       // a state, an integer
  none,      // nothing
  choose,    // an integer variable or a state
  cases,     // one or more integers
};

struct OpShape {
  std::string_view name;
  OpKind kind;
  Shape shape;
  int count;
  bool block;
  std::string_view options;  // allowed keys, blank separated
  std::string_view usage;
};

constexpr std::array<OpShape, 16> op_shapes{{
    {"clear", OpKind::clear, Shape::numbers, 4, false, "fill", "clear X1 Y1 X2 Y2"},
    {"rect", OpKind::rect, Shape::numbers, 4, false, "fill stroke width radius", "rect X1 Y1 X2 Y2"},
    {"line", OpKind::line, Shape::numbers, 4, false, "stroke width dash", "line X1 Y1 X2 Y2"},
    {"polyline", OpKind::polyline, Shape::polyline, 2, false, "stroke width", "polyline X Y X Y ... or polyline $VAR"},
    {"polygon", OpKind::polygon, Shape::points, 3, false, "fill stroke width", "polygon X Y X Y X Y ..."},
    {"arrow", OpKind::arrow, Shape::numbers, 4, false, "stroke width head", "arrow X1 Y1 X2 Y2"},
    {"circle", OpKind::circle, Shape::numbers, 3, false, "fill stroke width", "circle CX CY R"},
    {"arc", OpKind::arc, Shape::numbers, 5, false, "stroke width", "arc CX CY R A1 A2"},
    {"text", OpKind::text, Shape::text, 0, false, "size weight align fill", "text X Y \"string\" or text X Y $VAR"},
    {"pen", OpKind::pen, Shape::pen, 0, false, "stroke width", "pen $VAR"},
    {"erase-pens", OpKind::erase_pens, Shape::none, 0, false, "", "erase-pens"},
    {"set", OpKind::set, Shape::set, 0, false, "", "set STATE N"},
    {"group", OpKind::group, Shape::none, 0, true, "translate scale rotate origin",
     "group [translate=...] [scale=...] [rotate=...] [origin=X,Y]"},
    {"choose", OpKind::choose, Shape::choose, 0, true, "", "choose $VAR"},
    {"case", OpKind::case_, Shape::cases, 0, true, "", "case N [N ...]"},
    {"else", OpKind::else_, Shape::none, 0, true, "", "else"},
}};

const OpShape* find_op(std::string_view name) {
  for (const OpShape& shape : op_shapes) {
    if (shape.name == name) return &shape;
  }
  return nullptr;
}

bool allows_option(const OpShape& shape, std::string_view key) {
  std::string_view rest = shape.options;
  while (!rest.empty()) {
    const std::size_t end = rest.find(' ');
    if (rest.substr(0, end) == key) return true;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return false;
}

bool is_integer_type(VarType type) {
  return type == VarType::int16 || type == VarType::int32 || type == VarType::colour;
}

std::string a_type(VarType type) {
  const std::string_view name = type_name(type);
  const bool vowel = name[0] == 'i' || name[0] == 'o' || name[0] == 'a' || name[0] == 'e' || name[0] == 'u';
  return std::string(vowel ? "an " : "a ") + std::string(name);
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view file_name, std::vector<Diagnostic>& diagnostics)
      : text_(text), diagnostics_(diagnostics), first_diagnostic_(diagnostics.size()) {
    scene_.file = std::string(file_name);
  }

  std::optional<Scene> run() {
    std::size_t start = 0;
    while (start <= text_.size() && !gave_up_) {
      const std::size_t newline = text_.find('\n', start);
      const std::size_t end = newline == std::string_view::npos ? text_.size() : newline;
      ++line_;
      parse_line(text_.substr(start, end - start));
      if (newline == std::string_view::npos) break;
      start = newline + 1;
    }
    if (!gave_up_) finish();
    if (diagnostics_.size() > first_diagnostic_) return std::nullopt;
    return std::move(scene_);
  }

 private:
  enum class Context : std::uint8_t { top, layer, command };

  // An open block inside a command; `op` is the last element of its
  // parent's body, which does not grow while the block is open.
  struct Block {
    Op* op;
    bool has_else = false;
  };

  void error(SourcePos pos, std::string message) {
    if (gave_up_) return;
    if (diagnostics_.size() - first_diagnostic_ >= max_diagnostics) {
      diagnostics_.push_back({scene_.file, pos, "too many errors; giving up"});
      gave_up_ = true;
      return;
    }
    diagnostics_.push_back({scene_.file, pos, std::move(message)});
  }
  void error(const Token& token, std::string message) { error(at(token), std::move(message)); }
  SourcePos at(const Token& token) const { return {line_, token.column}; }

  // Splits a line into blank separated tokens; a double quoted part of a
  // token may hold blanks. Stops at a comment.
  bool tokenize(std::string_view line, std::vector<Token>& tokens) {
    tokens.clear();
    std::size_t i = 0;
    while (i < line.size()) {
      if (is_blank(line[i])) {
        ++i;
        continue;
      }
      if (line[i] == '#' && (i + 1 == line.size() || is_blank(line[i + 1]))) break;
      const std::size_t start = i;
      while (i < line.size() && !is_blank(line[i])) {
        if (line[i] != '"') {
          ++i;
          continue;
        }
        const std::size_t quote = i++;
        while (i < line.size() && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
        if (i >= line.size()) {
          error(SourcePos{line_, static_cast<int>(quote) + 1}, "bad string: no closing \"");
          return false;
        }
        ++i;
      }
      tokens.push_back({line.substr(start, i - start), static_cast<int>(start) + 1});
    }
    return true;
  }

  void parse_line(std::string_view line) {
    if (!tokenize(line, tokens_) || tokens_.empty()) return;
    const Token& first = tokens_[0];
    if (!seen_header_) {
      if (first.text != "vismo") {
        error(first, "the file must start with `vismo 1`");
        gave_up_ = true;
        return;
      }
      seen_header_ = true;
      if (tokens_.size() != 2 || tokens_[1].text != "1") {
        error(tokens_.size() > 1 ? tokens_[1] : first, "unsupported format: this runtime reads `vismo 1`");
      }
      return;
    }
    switch (context_) {
      case Context::top: top_statement(); break;
      case Context::layer: layer_line(); break;
      case Context::command: command_line(); break;
    }
  }

  // --- values -------------------------------------------------------

  std::optional<double> number(const Token& token, std::string_view text, std::string_view what) {
    if (auto value = to_number(text)) return value;
    if (!text.empty() && text[0] == '$') {
      error(token, std::string(what) + " must be a number, not a variable");
    } else {
      error(token, "bad number `" + shown(text) + "`");
    }
    return std::nullopt;
  }

  std::optional<int> integer(const Token& token, std::string_view text, std::string_view what) {
    const auto value = number(token, text, what);
    if (!value) return std::nullopt;
    if (auto result = to_integer(*value)) return result;
    error(token, std::string(what) + " must be an integer, not " + shown(text));
    return std::nullopt;
  }

  std::optional<std::uint32_t> colour(const Token& token, std::string_view text) {
    if (auto rgba = to_colour(text)) return rgba;
    error(token, "bad colour `" + shown(text) + "`: write #rrggbb or #rrggbbaa");
    return std::nullopt;
  }

  std::optional<std::string> string(const Token& token, std::string_view text) {
    if (text.size() < 2 || text.front() != '"') {
      error(token, "bad string `" + shown(text) + "`");
      return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
      if (text[i] == '"') {
        if (i + 1 == text.size()) return out;
        error(token, "bad string `" + shown(text) + "`: characters after the closing \"");
        return std::nullopt;
      }
      if (text[i] != '\\') {
        out += text[i];
        continue;
      }
      const char escaped = i + 1 < text.size() ? text[i + 1] : '\0';
      if (escaped == '"' || escaped == '\\') {
        out += escaped;
      } else if (escaped == 'n') {
        out += '\n';
      } else {
        error(SourcePos{line_, token.column + static_cast<int>(i)},
              "bad string: unknown escape; only \\\", \\\\ and \\n are allowed");
        return std::nullopt;
      }
      ++i;
    }
    error(token, "bad string: no closing \"");
    return std::nullopt;
  }

  std::optional<Value> pair(const Token& token, std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
      const auto x = to_number(text.substr(0, comma));
      const auto y = to_number(text.substr(comma + 1));
      if (x && y) {
        Value value;
        value.kind = Value::Kind::pair;
        value.number = *x;
        value.second = *y;
        value.pos = at(token);
        return value;
      }
    }
    error(token, "bad pair `" + shown(text) + "`: write X,Y without blanks");
    return std::nullopt;
  }

  // A `$NAME` or `$LAYER.NAME`, looked up among the variables and states
  // declared so far.
  std::optional<Value> reference(const Token& token, std::string_view text) {
    std::string_view name = text.substr(1);
    Value value;
    value.text = std::string(name);
    value.pos = at(token);
    const std::size_t dot = name.find('.');
    if (dot != std::string_view::npos) {
      const std::string_view layer = name.substr(0, dot);
      value.variable = scene_.find_variable(layer, name.substr(dot + 1));
      if (value.variable < 0) {
        error(token, "undeclared variable $" + shown(name) +
                         (scene_.find_layer(layer) == nullptr ? " (no layer " + shown(layer) + ")" : ""));
        return std::nullopt;
      }
      value.kind = Value::Kind::variable;
      return value;
    }
    std::vector<std::string> layers;
    for (std::size_t i = 0; i < scene_.variables.size(); ++i) {
      if (scene_.variables[i].name == name) {
        layers.push_back(scene_.variables[i].layer);
        value.variable = static_cast<int>(i);
        value.kind = Value::Kind::variable;
      }
    }
    for (std::size_t i = 0; i < scene_.states.size(); ++i) {
      if (scene_.states[i].name == name) {
        layers.emplace_back("(state)");
        value.variable = static_cast<int>(i);
        value.kind = Value::Kind::state;
      }
    }
    if (layers.empty()) {
      error(token, "undeclared variable or state $" + shown(name));
      return std::nullopt;
    }
    if (layers.size() > 1) {
      std::string where;
      for (const std::string& layer : layers) where += (where.empty() ? "" : ", ") + layer;
      error(token, "$" + shown(name) + " is ambiguous (declared in " + where + "); write $LAYER." + shown(name));
      return std::nullopt;
    }
    return value;
  }

  // What a reference is, for messages: "a point", "a state".
  std::string kind_of(const Value& value) const {
    if (value.kind == Value::Kind::state) return "a state";
    return a_type(scene_.variables[static_cast<std::size_t>(value.variable)].type);
  }
  VarType type_of(const Value& value) const { return scene_.variables[static_cast<std::size_t>(value.variable)].type; }

  // A reference that must be a variable of one of `types` (a state when
  // `state_too`); `needs` completes "`where` needs ...".
  std::optional<Value> typed_reference(const Token& token, std::string_view text, std::string_view where,
                                       std::string_view needs, bool (*fits)(VarType), bool state_too = false) {
    auto value = reference(token, text);
    if (!value) return std::nullopt;
    const bool ok = value->kind == Value::Kind::state ? state_too : fits(type_of(*value));
    if (!ok) {
      error(token, std::string(where) + " needs " + std::string(needs) + "; $" + shown(value->text) + " is " +
                       kind_of(*value));
      return std::nullopt;
    }
    return value;
  }

  // --- top level ----------------------------------------------------

  void top_statement() {
    const Token& first = tokens_[0];
    const std::string_view word = first.text;
    const std::size_t args = tokens_.size() - 1;
    if (word == "vismo") {
      error(first, "`vismo` may only be the first statement");
    } else if (word == "size") {
      if (args != 2) return error(first, "usage: size WIDTH HEIGHT");
      const auto width = number(tokens_[1], tokens_[1].text, "the width");
      const auto height = number(tokens_[2], tokens_[2].text, "the height");
      if (!width || !height) return;
      if (*width <= 0 || *height <= 0) return error(first, "the size must be positive");
      scene_.width = *width;
      scene_.height = *height;
    } else if (word == "background") {
      if (args != 1) return error(first, "usage: background #rrggbb");
      if (auto rgba = colour(tokens_[1], tokens_[1].text)) scene_.background = *rgba;
    } else if (word == "font") {
      if (args != 1) return error(first, "usage: font \"FAMILY\"");
      if (auto family = string(tokens_[1], tokens_[1].text)) scene_.font = *family;
    } else if (word == "palette") {
      if (args != 2) return error(first, "usage: palette INDEX #rrggbb");
      const auto index = integer(tokens_[1], tokens_[1].text, "a palette index");
      const auto rgba = colour(tokens_[2], tokens_[2].text);
      if (!index || !rgba) return;
      for (const auto& entry : scene_.palette) {
        if (entry.first == *index) return error(tokens_[1], "palette index " + std::to_string(*index) + " set twice");
      }
      scene_.palette.emplace_back(*index, *rgba);
    } else if (word == "close-click") {
      if (args != 2) return error(first, "usage: close-click X Y");
      const auto x = number(tokens_[1], tokens_[1].text, "X");
      const auto y = number(tokens_[2], tokens_[2].text, "Y");
      if (x && y) scene_.close_click = std::pair{*x, *y};
    } else if (word == "state") {
      if (args != 2) return error(first, "usage: state NAME N");
      const bool named = check_name(tokens_[1]);
      const auto initial = integer(tokens_[2], tokens_[2].text, "a state's start value");
      if (!named || !initial) return;
      if (!state_names_.emplace(tokens_[1].text).second) {
        return error(tokens_[1], "duplicate state " + std::string(tokens_[1].text));
      }
      scene_.states.push_back({std::string(tokens_[1].text), *initial, at(first)});
    } else if (word == "layer") {
      open_layer();
    } else if (word == "command") {
      open_command();
    } else if (word == "end") {
      error(first, "`end` without a block");
    } else {
      error(first, "unknown statement `" + shown(word) + "`" + comment_hint(word));
    }
  }

  static std::string comment_hint(std::string_view word) {
    return !word.empty() && word[0] == '#' ? " (a comment needs a blank after #)" : "";
  }

  bool check_name(const Token& token) {
    if (!is_name(token.text)) {
      error(token, "bad name `" + shown(token.text) + "`: letters, digits and _, starting with a letter");
      return false;
    }
    if (token.text.size() > max_name_length) {
      error(token, "name " + std::string(token.text) + " is longer than 13 characters");
      return false;
    }
    return true;
  }

  void open_layer() {
    const Token& first = tokens_[0];
    context_ = Context::layer;
    block_pos_ = at(first);
    block_name_ = tokens_.size() > 1 ? shown(tokens_[1].text) : std::string();
    if (tokens_.size() != 2) {
      error(first, "usage: layer NAME");
      layer_ = nullptr;
      return;
    }
    const Token& name = tokens_[1];
    const bool named = check_name(name);
    if (named && !layer_names_.emplace(name.text).second) error(name, "duplicate layer " + std::string(name.text));
    scene_.layers.push_back({std::string(name.text), {}});
    layer_ = &scene_.layers.back();
    layer_variables_.clear();
  }

  void open_command() {
    const Token& first = tokens_[0];
    context_ = Context::command;
    blocks_.clear();
    skip_depth_ = 0;
    Command command;
    command.pos = at(first);
    if (tokens_.size() < 2 || tokens_.size() > 3) {
      error(first, "usage: command NAME [period=MS]");
    } else {
      const Token& name = tokens_[1];
      if (check_name(name) && !command_names_.emplace(name.text).second) {
        error(name, "duplicate command " + std::string(name.text));
      }
      command.name = std::string(name.text);
      if (tokens_.size() == 3) {
        const Token& option = tokens_[2];
        if (option.text.substr(0, 7) != "period=") {
          error(option, "unknown option `" + shown(option.text) + "`; a command takes only period=MS");
        } else if (auto period = integer(option, option.text.substr(7), "the period")) {
          if (*period < 0) {
            error(option, "the period must not be negative");
          } else {
            command.period_ms = *period;
          }
        }
      }
    }
    scene_.commands.push_back(std::move(command));
  }

  // --- layers -------------------------------------------------------

  void layer_line() {
    const Token& first = tokens_[0];
    if (first.text == "end") {
      if (tokens_.size() > 1) error(tokens_[1], "unexpected `" + shown(tokens_[1].text) + "` after end");
      context_ = Context::top;
      return;
    }
    if (first.text == "layer" || first.text == "command") {
      error(block_pos_, "layer " + block_name_ + " has no `end`");
      context_ = Context::top;
      top_statement();
      return;
    }
    const auto type = type_from_name(first.text);
    if (!type) return error(first, "unknown type `" + shown(first.text) + "`" + comment_hint(first.text));
    if (tokens_.size() < 2) return error(first, "usage: TYPE NAME [NAME ...]");
    for (std::size_t i = 1; i < tokens_.size(); ++i) {
      const Token& name = tokens_[i];
      if (!check_name(name) || layer_ == nullptr) continue;
      if (!layer_variables_.emplace(name.text).second) {
        error(name, "duplicate variable " + std::string(name.text) + " in layer " + layer_->name);
        continue;
      }
      layer_->variables.push_back(static_cast<int>(scene_.variables.size()));
      scene_.variables.push_back({layer_->name, std::string(name.text), *type, at(name)});
    }
  }

  // --- commands -----------------------------------------------------

  std::vector<Op>& current_body() { return blocks_.empty() ? scene_.commands.back().ops : blocks_.back().op->body; }

  void report_missing_end() {
    if (!blocks_.empty()) {
      error(blocks_.back().op->pos, "`" + blocks_.back().op->name + "` has no `end`");
    } else {
      error(scene_.commands.back().pos, "command " + shown(scene_.commands.back().name) + " has no `end`");
    }
  }

  void command_line() {
    const Token& first = tokens_[0];
    const std::string_view word = first.text;
    if (word == "layer" || word == "command") {
      report_missing_end();
      context_ = Context::top;
      top_statement();
      return;
    }
    if (skip_depth_ > 0) {
      // Inside a block nested too deep: only its nesting is followed.
      if (word == "end") {
        --skip_depth_;
      } else if (const OpShape* shape = find_op(word); shape != nullptr && shape->block) {
        ++skip_depth_;
      }
      return;
    }
    if (word == "end") {
      if (tokens_.size() > 1) error(tokens_[1], "unexpected `" + shown(tokens_[1].text) + "` after end");
      if (blocks_.empty()) {
        context_ = Context::top;
      } else {
        blocks_.pop_back();
      }
      return;
    }
    const OpShape* shape = find_op(word);
    if (shape == nullptr) return error(first, "unknown operation `" + shown(word) + "`" + comment_hint(word));

    const bool in_choose = !blocks_.empty() && blocks_.back().op->kind == OpKind::choose;
    const bool is_branch = shape->kind == OpKind::case_ || shape->kind == OpKind::else_;
    if (is_branch && !in_choose) {
      error(first, "`" + std::string(shape->name) + "` is only allowed directly inside `choose`");
    } else if (!is_branch && in_choose) {
      error(first, "only `case` and `else` may be directly inside `choose`");
    } else if (in_choose && blocks_.back().has_else) {
      error(first, "`" + std::string(shape->name) + "` after `else`");
    }
    if (shape->kind == OpKind::else_ && in_choose) blocks_.back().has_else = true;

    if (shape->block && blocks_.size() >= max_nesting) {
      error(first, "blocks nested deeper than " + std::to_string(max_nesting));
      skip_depth_ = 1;
      return;
    }
    Op op;
    op.kind = shape->kind;
    op.name = std::string(shape->name);
    op.pos = at(first);
    read_op(*shape, op);
    std::vector<Op>& body = current_body();
    body.push_back(std::move(op));
    if (shape->block) blocks_.push_back({&body.back()});
  }

  void read_op(const OpShape& shape, Op& op) {
    std::vector<const Token*> args;
    std::vector<const Token*> options;
    for (std::size_t i = 1; i < tokens_.size(); ++i) {
      const Token& token = tokens_[i];
      const bool is_option = token.text[0] != '"' && token.text.find('=') != std::string_view::npos;
      (is_option ? options : args).push_back(&token);
    }
    read_args(shape, args, op);
    for (const Token* option : options) read_option(shape, *option, option->text.find('='), op);
  }

  void read_args(const OpShape& shape, const std::vector<const Token*>& args, Op& op) {
    const Token& first = tokens_[0];
    const std::string usage = "usage: " + std::string(shape.usage);
    // Built with += : GCC 12 at -O3 warns falsely (-Wrestrict) on "`" + std::string(...).
    std::string what = "`";
    what += shape.name;
    what += "` argument";
    const auto numbers = [&](std::size_t from, std::size_t to) {
      for (std::size_t i = from; i < to; ++i) {
        if (auto value = number(*args[i], args[i]->text, what)) {
          op.args.push_back(Value{Value::Kind::number, *value, 0.0, 0, -1, {}, at(*args[i])});
        }
      }
    };
    switch (shape.shape) {
      case Shape::numbers:
        if (args.size() != static_cast<std::size_t>(shape.count)) return error(first, usage);
        numbers(0, args.size());
        break;
      case Shape::polyline:
        if (args.size() == 1 && args[0]->text[0] == '$') {
          if (auto value = typed_reference(*args[0], args[0]->text, "`polyline`", "a polyline variable",
                                           [](VarType t) { return t == VarType::polyline; })) {
            op.args.push_back(std::move(*value));
          }
          break;
        }
        [[fallthrough]];
      case Shape::points:
        if (args.size() % 2 != 0 || args.size() < 2 * static_cast<std::size_t>(shape.count)) {
          return error(first, usage);
        }
        numbers(0, args.size());
        break;
      case Shape::text:
        if (args.size() != 3) return error(first, usage);
        numbers(0, 2);
        if (args[2]->text[0] == '$') {
          auto value = reference(*args[2], args[2]->text);
          if (value && value->kind == Value::Kind::state) {
            error(*args[2], "`text` needs a variable; $" + shown(value->text) + " is a state");
          } else if (value) {
            op.args.push_back(std::move(*value));
          }
        } else if (args[2]->text[0] == '"') {
          if (auto text = string(*args[2], args[2]->text)) {
            op.args.push_back(Value{Value::Kind::string, 0.0, 0.0, 0, -1, std::move(*text), at(*args[2])});
          }
        } else {
          error(*args[2], "`text` needs a \"string\" or a $VAR");
        }
        break;
      case Shape::pen:
        if (args.size() != 1) return error(first, usage);
        if (auto value = typed_reference(*args[0], args[0]->text, "`pen`", "a point variable",
                                         [](VarType t) { return t == VarType::point; })) {
          op.args.push_back(std::move(*value));
        }
        break;
      case Shape::set: {
        if (args.size() != 2) return error(first, usage);
        const Token& name = *args[0];
        const std::string_view state_name = name.text[0] == '$' ? name.text.substr(1) : name.text;
        int state = -1;
        for (std::size_t i = 0; i < scene_.states.size(); ++i) {
          if (scene_.states[i].name == state_name) state = static_cast<int>(i);
        }
        if (state < 0) error(name, "undeclared state " + shown(state_name));
        const auto value = integer(*args[1], args[1]->text, "the value of `set`");
        if (state < 0 || !value) break;
        op.args.push_back(Value{Value::Kind::state, 0.0, 0.0, 0, state, std::string(state_name), at(name)});
        op.args.push_back(Value{Value::Kind::number, static_cast<double>(*value), 0.0, 0, -1, {}, at(*args[1])});
        break;
      }
      case Shape::none:
        if (!args.empty()) return error(*args[0], "`" + std::string(shape.name) + "` takes no arguments; " + usage);
        break;
      case Shape::choose:
        if (args.size() != 1 || args[0]->text[0] != '$') return error(first, usage);
        if (auto value =
                typed_reference(*args[0], args[0]->text, "`choose`",
                                "an integer variable (int16, int32, colour) or a state", is_integer_type, true)) {
          op.args.push_back(std::move(*value));
        }
        break;
      case Shape::cases:
        if (args.empty()) return error(first, usage);
        for (const Token* arg : args) {
          if (auto value = integer(*arg, arg->text, "a case")) {
            op.args.push_back(Value{Value::Kind::number, static_cast<double>(*value), 0.0, 0, -1, {}, at(*arg)});
          }
        }
        break;
    }
  }

  void read_option(const OpShape& shape, const Token& token, std::size_t equals, Op& op) {
    const std::string_view key = token.text.substr(0, equals);
    const std::string_view text = token.text.substr(equals + 1);
    const Token value_token{text, token.column + static_cast<int>(equals) + 1};
    if (!allows_option(shape, key)) {
      return error(token, "`" + std::string(shape.name) + "` has no option `" + shown(key) + "`");
    }
    if (op.option(key) != nullptr) return error(token, "option `" + std::string(key) + "` given twice");
    if (text.empty()) return error(token, "option `" + std::string(key) + "` has no value");
    OptionKind kind = OptionKind::colour;
    for (const OptionKey& entry : option_keys) {
      if (entry.key == key) kind = entry.kind;
    }
    const std::string where = "`" + std::string(key) + "=`";
    std::optional<Value> value;
    const bool is_reference = text[0] == '$';
    switch (kind) {
      case OptionKind::colour:
        if (is_reference) {
          value = typed_reference(value_token, text, where, "a colour variable",
                                  [](VarType t) { return t == VarType::colour; });
        } else if (auto rgba = colour(value_token, text)) {
          value = Value{Value::Kind::colour, 0.0, 0.0, *rgba, -1, {}, at(value_token)};
        }
        break;
      case OptionKind::length:
        if (auto number_value = number(value_token, text, where)) {
          if (*number_value < 0) {
            error(value_token, where + " must not be negative");
          } else {
            value = Value{Value::Kind::number, *number_value, 0.0, 0, -1, {}, at(value_token)};
          }
        }
        break;
      case OptionKind::weight:
      case OptionKind::align: {
        const bool ok = kind == OptionKind::weight ? (text == "bold" || text == "normal")
                                                   : (text == "left" || text == "center" || text == "right");
        if (!ok) {
          error(value_token, where + (kind == OptionKind::weight ? " is bold or normal" : " is left, center or right") +
                                 ", not " + shown(text));
        } else {
          value = Value{Value::Kind::word, 0.0, 0.0, 0, -1, std::string(text), at(value_token)};
        }
        break;
      }
      case OptionKind::translate:
      case OptionKind::scale:
        if (is_reference) {
          value = kind == OptionKind::translate ? typed_reference(value_token, text, where, "a point variable or X,Y",
                                                                  [](VarType t) { return t == VarType::point; })
                                                : typed_reference(value_token, text, where, "a scale variable or X,Y",
                                                                  [](VarType t) { return t == VarType::scale; });
        } else {
          value = pair(value_token, text);
        }
        break;
      case OptionKind::rotate:
        if (is_reference) {
          value = typed_reference(value_token, text, where, "a float variable or degrees",
                                  [](VarType t) { return t == VarType::float32; });
        } else if (auto degrees = number(value_token, text, where)) {
          value = Value{Value::Kind::number, *degrees, 0.0, 0, -1, {}, at(value_token)};
        }
        break;
      case OptionKind::origin: value = pair(value_token, text); break;
    }
    if (value) op.options.emplace_back(std::string(key), std::move(*value));
  }

  // --- end of file --------------------------------------------------

  void finish() {
    if (!seen_header_) {
      error(SourcePos{1, 1}, "the file must start with `vismo 1`");
      return;
    }
    if (context_ == Context::layer) error(block_pos_, "layer " + block_name_ + " has no `end`");
    if (context_ == Context::command) report_missing_end();
  }

  std::string_view text_;
  std::vector<Diagnostic>& diagnostics_;
  std::size_t first_diagnostic_;
  Scene scene_;
  std::vector<Token> tokens_;
  int line_ = 0;
  bool seen_header_ = false;
  bool gave_up_ = false;
  Context context_ = Context::top;
  SourcePos block_pos_;         // the open layer statement
  std::string block_name_;      // and its name, for messages
  Layer* layer_ = nullptr;      // the open layer; nullptr when its line was bad
  std::vector<Block> blocks_;   // open blocks of the open command, innermost last
  std::size_t skip_depth_ = 0;  // > 0: inside a block nested too deep
  std::unordered_set<std::string_view> layer_names_;
  std::unordered_set<std::string_view> command_names_;
  std::unordered_set<std::string_view> state_names_;
  std::unordered_set<std::string_view> layer_variables_;
};

}  // namespace

std::optional<Scene> parse_scene(std::string_view text, std::string_view file_name,
                                 std::vector<Diagnostic>& diagnostics) {
  try {
    return Parser(text, file_name, diagnostics).run();
  } catch (const std::exception& failure) {
    // Only memory exhaustion can land here.
    diagnostics.push_back({std::string(file_name), {}, std::string("cannot load: ") + failure.what()});
    return std::nullopt;
  }
}

std::optional<Scene> load_scene_file(const std::string& path, std::vector<Diagnostic>& diagnostics) {
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  const std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    diagnostics.push_back({path, {}, std::string("cannot open the scene file: ") + std::strerror(errno)});
    return std::nullopt;
  }
  std::string text;
  std::array<char, 65536> buffer{};
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) text.append(buffer.data(), got);
  if (std::ferror(file.get()) != 0) {
    diagnostics.push_back({path, {}, std::string("cannot read the scene file: ") + std::strerror(errno)});
    return std::nullopt;
  }
  return parse_scene(text, path, diagnostics);
}

}  // namespace vismo
