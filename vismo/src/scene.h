// The parsed form of a scene file: what the loader (scene_file.cc) builds
// and the runtime core, the trace and the backends read. The text format
// itself is described in docs/scene-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vismo {

// The scene types a variable can be declared with; their memory formats
// are listed in vismo.h.
enum class VarType : std::uint8_t { int16, int32, float32, colour, point, scale, text, polyline };

std::size_t type_size(VarType type);
std::string_view type_name(VarType type);
std::optional<VarType> type_from_name(std::string_view name);

struct SourcePos {
  int line = 0;
  int column = 0;
};

// One declared variable. Variables are numbered in declaration order over
// the whole file; that number (the index into Scene::variables) is how
// operations and bindings refer to them.
struct Variable {
  std::string layer;
  std::string name;
  VarType type = VarType::int32;
  SourcePos pos;
};

struct Layer {
  std::string name;
  std::vector<int> variables;  // indexes into Scene::variables
};

// One argument or option value of an operation, as written in the file.
struct Value {
  enum class Kind : std::uint8_t {
    number,    // 12, -3.5
    string,    // "text"
    colour,    // #rrggbb or #rrggbbaa
    variable,  // $NAME or $LAYER.NAME
    pair,      // 12,34  (two numbers without blanks)
    word,      // a bare word: bold, left, center ...
    state,     // $NAME of a scene state (see Scene::states)
  };
  Kind kind = Kind::number;
  double number = 0.0;     // number; first of a pair
  double second = 0.0;     // second of a pair
  std::uint32_t rgba = 0;  // colour, 0xRRGGBBAA
  int variable = -1;       // variable: index into Scene::variables; state: into Scene::states
  std::string text;        // string, word; the name as written for a variable or state, without the $
  SourcePos pos;
};

// What an operation does, resolved once by the loader so that painting,
// which runs many times a second, need not compare names.
enum class OpKind : std::uint8_t {
  clear,
  rect,
  line,
  polyline,
  polygon,
  arrow,
  circle,
  arc,
  text,
  pen,
  erase_pens,
  set,
  group,
  choose,
  case_,
  else_
};

// One drawing operation. Block operations (group, choose, case, else)
// hold the operations up to their matching `end` in `body`.
struct Op {
  OpKind kind = OpKind::clear;
  std::string name;  // as written, for messages
  std::vector<Value> args;
  std::vector<std::pair<std::string, Value>> options;  // key=value, in file order
  std::vector<Op> body;
  SourcePos pos;

  // The option `key`, or nullptr.
  const Value* option(std::string_view key) const;
};

// A value the scene keeps for itself, never bound: set by the `set`
// operation of one command, read by `choose` in others (the view a view
// command chose, for instance).
struct State {
  std::string name;
  int initial = 0;
  SourcePos pos;
};

struct Command {
  std::string name;
  int period_ms = 0;  // at least this long between two plays; 0: no pacing
  std::vector<Op> ops;
  SourcePos pos;
};

struct Scene {
  std::string file;      // as passed to the loader, for messages
  double width = 800.0;  // scene coordinate space; y grows upward
  double height = 600.0;
  std::uint32_t background = 0xFFFFFFFFU;
  std::string font;                                      // font family for text; empty: the backend's default
  std::vector<std::pair<int, std::uint32_t>> palette;    // colour index -> 0xRRGGBBAA
  std::optional<std::pair<double, double>> close_click;  // a window close is a left click here
  std::vector<Variable> variables;
  std::vector<Layer> layers;
  std::vector<State> states;
  std::vector<Command> commands;

  const Layer* find_layer(std::string_view name) const;
  // The variable `name` of `layer`, or -1.
  int find_variable(std::string_view layer, std::string_view name) const;
  const Command* find_command(std::string_view name) const;
  // The colour of palette index `index`; opaque black when it has none.
  std::uint32_t palette_colour(int index) const;
};

// A message about a scene file, printed as FILE:LINE:COL: message.
struct Diagnostic {
  std::string file;
  SourcePos pos;
  std::string message;

  std::string to_string() const;
};

// Parses scene text. On any error returns nothing and fills `diagnostics`
// (at least one entry); never throws on bad input.
std::optional<Scene> parse_scene(std::string_view text, std::string_view file_name,
                                 std::vector<Diagnostic>& diagnostics);

// Reads and parses a scene file; a missing or unreadable file is a
// diagnostic at 0:0.
std::optional<Scene> load_scene_file(const std::string& path, std::vector<Diagnostic>& diagnostics);

}  // namespace vismo
