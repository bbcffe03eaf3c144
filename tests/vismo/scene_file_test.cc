// The scene loader: what it accepts, what it builds, and the message,
// line and column it gives for each kind of mistake.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene.h"

namespace vismo {
namespace {

std::string all_messages(const std::vector<Diagnostic>& diagnostics) {
  std::string out;
  for (const Diagnostic& diagnostic : diagnostics) out += diagnostic.to_string() + "\n";
  return out;
}

std::optional<Scene> parse_ok(const std::string& text) {
  std::vector<Diagnostic> diagnostics;
  auto scene = parse_scene(text, "ok.anm", diagnostics);
  EXPECT_TRUE(scene.has_value()) << all_messages(diagnostics) << "in:\n" << text;
  EXPECT_TRUE(diagnostics.empty());
  return scene;
}

// Declarations that the command cases below refer to. Layer L has one
// variable of every type; DUP is declared in two layers.
constexpr std::string_view declarations =
    "vismo 1\n"
    "layer L\n"
    "  int16 N\n"
    "  point P\n"
    "  float F\n"
    "  colour C\n"
    "  scale S\n"
    "  text T DUP\n"
    "  polyline Q\n"
    "end\n"
    "layer M\n"
    "  text DUP\n"
    "end\n"
    "state V 0\n"
    "command X\n";
const int body_first_line = 16;

std::string in_command(std::string_view body) {
  return std::string(declarations) + std::string(body) + "\nend\n";
}

struct ErrorCase {
  const char* name;
  std::string text;
  const char* message;  // a part of the first diagnostic's message
  int line;
  int column;  // 0: not checked
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
  *out << c.name;
}

class LoaderError : public testing::TestWithParam<ErrorCase> {};

TEST_P(LoaderError, ReportsMessageAtPosition) {
  const ErrorCase& c = GetParam();
  std::vector<Diagnostic> diagnostics;
  const auto scene = parse_scene(c.text, "bad.anm", diagnostics);
  EXPECT_FALSE(scene.has_value());
  ASSERT_FALSE(diagnostics.empty());
  const Diagnostic& first = diagnostics.front();
  EXPECT_EQ(first.file, "bad.anm");
  EXPECT_NE(first.message.find(c.message), std::string::npos) << all_messages(diagnostics);
  EXPECT_EQ(first.pos.line, c.line) << all_messages(diagnostics);
  if (c.column != 0) {
    EXPECT_EQ(first.pos.column, c.column) << all_messages(diagnostics);
  }
}

std::string nested_groups(int depth) {
  std::string body;
  for (int i = 0; i < depth; ++i) body += "group\n";
  for (int i = 0; i < depth; ++i) body += "end\n";
  return body;
}

INSTANTIATE_TEST_SUITE_P(
    File, LoaderError,
    testing::Values(
        ErrorCase{"empty", "", "must start with `vismo 1`", 1, 1},
        ErrorCase{"no_header", "# a scene\nsize 800 600\n", "must start with `vismo 1`", 2, 1},
        ErrorCase{"other_version", "vismo 2\n", "unsupported format", 1, 7},
        ErrorCase{"header_twice", "vismo 1\nvismo 1\n", "only be the first statement", 2, 1},
        ErrorCase{"size_arity", "vismo 1\nsize 800\n", "usage: size", 2, 1},
        ErrorCase{"size_word", "vismo 1\nsize 800 tall\n", "bad number `tall`", 2, 10},
        ErrorCase{"size_exponent", "vismo 1\nsize 8e2 600\n", "bad number", 2, 6},
        ErrorCase{"size_huge", "vismo 1\nsize " + std::string(400, '9') + " 600\n", "bad number", 2, 6},
        ErrorCase{"size_zero", "vismo 1\nsize 0 600\n", "must be positive", 2, 1},
        ErrorCase{"colour_short", "vismo 1\nbackground #12345\n", "bad colour", 2, 12},
        ErrorCase{"colour_not_hex", "vismo 1\nbackground #12345g\n", "bad colour", 2, 12},
        ErrorCase{"string_open", "vismo 1\nfont \"Sans\n", "no closing", 2, 6},
        ErrorCase{"string_escape", "vismo 1\nfont \"a\\tb\"\n", "unknown escape", 2, 8},
        ErrorCase{"string_trailing", "vismo 1\nfont \"a\"b\n", "after the closing", 2, 6},
        ErrorCase{"unknown_statement", "vismo 1\nfrobnicate 1\n", "unknown statement `frobnicate`", 2, 1},
        ErrorCase{"comment_without_blank", "vismo 1\n#note\n", "a comment needs a blank", 2, 1},
        ErrorCase{"nul_byte", std::string("vismo 1\nsi\0ze 1 2\n", 18), "unknown statement `si\\x00ze`", 2, 1},
        ErrorCase{"bad_utf8", "vismo 1\n\xff\xfe 1\n", "`\\xff\\xfe`", 2, 1},
        ErrorCase{"palette_twice", "vismo 1\npalette 3 #ffffff\npalette 3 #000000\n", "set twice", 3, 9},
        ErrorCase{"palette_fraction", "vismo 1\npalette 1.5 #ffffff\n", "must be an integer", 2, 9},
        ErrorCase{"close_click_pair", "vismo 1\nclose-click 1,2\n", "usage: close-click", 2, 1},
        ErrorCase{"state_twice", "vismo 1\nstate S 0\nstate S 1\n", "duplicate state S", 3, 7},
        ErrorCase{"state_fraction", "vismo 1\nstate S 0.5\n", "must be an integer", 2, 9},
        ErrorCase{"layer_twice", "vismo 1\nlayer A\nend\nlayer A\nend\n", "duplicate layer A", 4, 7},
        ErrorCase{"layer_bad_name", "vismo 1\nlayer 1A\nend\n", "bad name `1A`", 2, 7},
        ErrorCase{"layer_long_name", "vismo 1\nlayer ABCDEFGHIJKLMN\nend\n", "longer than 13", 2, 7},
        ErrorCase{"variable_twice", "vismo 1\nlayer A\n  int16 X X\nend\n", "duplicate variable X in layer A", 3, 11},
        ErrorCase{"unknown_type", "vismo 1\nlayer A\n  int64 X\nend\n", "unknown type `int64`", 3, 3},
        ErrorCase{"type_without_name", "vismo 1\nlayer A\n  int16\nend\n", "usage: TYPE NAME", 3, 3},
        ErrorCase{"layer_end_at_eof", "vismo 1\nlayer A\n  int16 X\n", "layer A has no `end`", 2, 1},
        ErrorCase{"layer_end_before_command", "vismo 1\nlayer A\ncommand C\nend\n", "layer A has no `end`", 2, 1},
        ErrorCase{"stray_end", "vismo 1\nend\n", "`end` without a block", 2, 1},
        ErrorCase{"end_with_word", "vismo 1\nlayer A\nend A\n", "after end", 3, 5},
        ErrorCase{"command_twice", "vismo 1\ncommand C\nend\ncommand C\nend\n", "duplicate command C", 4, 9},
        ErrorCase{"period_negative", "vismo 1\ncommand C period=-5\nend\n", "must not be negative", 2, 11},
        ErrorCase{"period_unknown_option", "vismo 1\ncommand C speed=5\nend\n", "unknown option", 2, 11},
        ErrorCase{"command_end_at_eof", "vismo 1\ncommand C\n", "command C has no `end`", 2, 1},
        ErrorCase{"block_end_at_eof", "vismo 1\ncommand C\ngroup\n  group\n", "`group` has no `end`", 4, 3},
        ErrorCase{"command_end_before_layer", "vismo 1\ncommand C\nlayer A\nend\n", "command C has no `end`", 2, 1},
        ErrorCase{"variable_before_declaration", "vismo 1\ncommand C\ntext 1 2 $A\nend\nlayer L\n  int16 A\nend\n",
                  "undeclared", 3, 10}),
    [](const testing::TestParamInfo<ErrorCase>& param) { return std::string(param.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Command, LoaderError,
    testing::Values(
        ErrorCase{"unknown_op", in_command("blink 1 2"), "unknown operation `blink`", body_first_line, 1},
        ErrorCase{"statement_as_op", in_command("size 1 2"), "unknown operation `size`", body_first_line, 1},
        ErrorCase{"too_few_numbers", in_command("rect 1 2 3"), "usage: rect X1 Y1 X2 Y2", body_first_line, 1},
        ErrorCase{"too_many_numbers", in_command("circle 1 2 3 4"), "usage: circle", body_first_line, 1},
        ErrorCase{"word_for_number", in_command("rect 1 2 3 x"), "bad number `x`", body_first_line, 12},
        ErrorCase{"variable_for_number", in_command("line 1 2 3 $N"), "must be a number, not a variable",
                  body_first_line, 12},
        ErrorCase{"pair_for_number", in_command("arc 1 2 3 4 5,6"), "bad number `5,6`", body_first_line, 13},
        ErrorCase{"bad_fill", in_command("rect 1 2 3 4 fill=#zzzzzz"), "bad colour", body_first_line, 19},
        ErrorCase{"fill_variable_type", in_command("rect 1 2 3 4 fill=$N"), "needs a colour variable; $N is an int16",
                  body_first_line, 19},
        ErrorCase{"unknown_option", in_command("rect 1 2 3 4 shadow=2"), "`rect` has no option `shadow`",
                  body_first_line, 14},
        ErrorCase{"option_of_other_op", in_command("circle 1 2 3 radius=4"), "`circle` has no option `radius`",
                  body_first_line, 14},
        ErrorCase{"option_twice", in_command("rect 1 2 3 4 width=1 width=2"), "given twice", body_first_line, 22},
        ErrorCase{"option_empty", in_command("rect 1 2 3 4 width="), "has no value", body_first_line, 14},
        ErrorCase{"negative_width", in_command("line 1 2 3 4 width=-1"), "must not be negative", body_first_line, 20},
        ErrorCase{"bad_dash", in_command("line 1 2 3 4 dash=x"), "bad number `x`", body_first_line, 19},
        ErrorCase{"polyline_variable_type", in_command("polyline $P"), "needs a polyline variable; $P is a point",
                  body_first_line, 10},
        ErrorCase{"polyline_odd", in_command("polyline 1 2 3"), "usage: polyline", body_first_line, 1},
        ErrorCase{"polyline_one_point", in_command("polyline 1 2"), "usage: polyline", body_first_line, 1},
        ErrorCase{"polygon_two_points", in_command("polygon 1 2 3 4"), "usage: polygon", body_first_line, 1},
        ErrorCase{"pen_variable_type", in_command("pen $F"), "`pen` needs a point variable; $F is a float",
                  body_first_line, 5},
        ErrorCase{"pen_numbers", in_command("pen 1 2"), "usage: pen", body_first_line, 1},
        ErrorCase{"text_number", in_command("text 1 2 3"), "needs a \"string\" or a $VAR", body_first_line, 10},
        ErrorCase{"text_state", in_command("text 1 2 $V"), "$V is a state", body_first_line, 10},
        ErrorCase{"text_undeclared", in_command("text 1 2 $NOPE"), "undeclared variable or state $NOPE",
                  body_first_line, 10},
        ErrorCase{"text_undeclared_in_layer", in_command("text 1 2 $L.NOPE"), "undeclared variable $L.NOPE",
                  body_first_line, 10},
        ErrorCase{"text_unknown_layer", in_command("text 1 2 $Z.N"), "(no layer Z)", body_first_line, 10},
        ErrorCase{"ambiguous", in_command("text 1 2 $DUP"), "$DUP is ambiguous (declared in L, M)", body_first_line,
                  10},
        ErrorCase{"text_weight", in_command("text 1 2 \"x\" weight=heavy"), "bold or normal", body_first_line, 21},
        ErrorCase{"text_align", in_command("text 1 2 \"x\" align=middle"), "left, center or right", body_first_line,
                  20},
        ErrorCase{"translate_type", in_command("group translate=$F\nend"),
                  "`translate=` needs a point variable or X,Y; $F is a float", body_first_line, 17},
        ErrorCase{"scale_type", in_command("group scale=$P\nend"), "needs a scale variable", body_first_line, 13},
        ErrorCase{"rotate_type", in_command("group rotate=$P\nend"), "needs a float variable", body_first_line, 14},
        ErrorCase{"origin_not_pair", in_command("group origin=1\nend"), "bad pair", body_first_line, 14},
        ErrorCase{"origin_half_pair", in_command("group origin=1,\nend"), "bad pair", body_first_line, 14},
        ErrorCase{"group_argument", in_command("group 5\nend"), "takes no arguments", body_first_line, 7},
        ErrorCase{"erase_pens_argument", in_command("erase-pens all"), "takes no arguments", body_first_line, 12},
        ErrorCase{"choose_float", in_command("choose $F\nend"), "needs an integer variable", body_first_line, 8},
        ErrorCase{"choose_text", in_command("choose $T\nend"), "$T is a text", body_first_line, 8},
        ErrorCase{"choose_number", in_command("choose 3\nend"), "usage: choose", body_first_line, 1},
        ErrorCase{"case_outside_choose", in_command("case 1\nend"), "only allowed directly inside `choose`",
                  body_first_line, 1},
        ErrorCase{"else_in_group", in_command("group\nelse\nend\nend"), "only allowed directly inside `choose`",
                  body_first_line + 1, 1},
        ErrorCase{"op_directly_in_choose", in_command("choose $N\nrect 1 2 3 4\nend"),
                  "only `case` and `else` may be directly inside `choose`", body_first_line + 1, 1},
        ErrorCase{"case_fraction", in_command("choose $N\ncase 1.5\nend\nend"), "must be an integer",
                  body_first_line + 1, 6},
        ErrorCase{"case_after_else", in_command("choose $N\nelse\nend\ncase 1\nend\nend"), "`case` after `else`",
                  body_first_line + 3, 1},
        ErrorCase{"set_undeclared", in_command("set W 1"), "undeclared state W", body_first_line, 5},
        ErrorCase{"set_variable", in_command("set N 1"), "undeclared state N", body_first_line, 5},
        ErrorCase{"set_word", in_command("set V on"), "bad number `on`", body_first_line, 7},
        ErrorCase{"nested_too_deep", in_command(nested_groups(40)), "nested deeper than 32", body_first_line + 32, 1}),
    [](const testing::TestParamInfo<ErrorCase>& param) { return std::string(param.param.name); });

TEST(LoadSceneFile, MissingFileIsADiagnosticAtZero) {
  std::vector<Diagnostic> diagnostics;
  EXPECT_FALSE(load_scene_file("/nonexistent/NOPE.ANM", diagnostics).has_value());
  ASSERT_EQ(diagnostics.size(), 1U);
  EXPECT_EQ(diagnostics[0].to_string(),
            "/nonexistent/NOPE.ANM:0:0: cannot open the scene file: No such file or directory");
}

TEST(LoadSceneFile, DirectoryIsADiagnostic) {
  std::vector<Diagnostic> diagnostics;
  EXPECT_FALSE(load_scene_file("/", diagnostics).has_value());
  ASSERT_FALSE(diagnostics.empty());
  EXPECT_EQ(diagnostics[0].pos.line, 0);
}

TEST(LoadSceneFile, LiftSceneLoadsWithEveryCommand) {
  std::vector<Diagnostic> diagnostics;
  const auto scene = load_scene_file(LIFT_SCENE_PATH, diagnostics);
  ASSERT_TRUE(scene.has_value()) << all_messages(diagnostics);
  EXPECT_TRUE(diagnostics.empty());
  for (const char* name : {"INLIFT", "LIFT",     "DECOR",   "ECHELON", "TRAPEZE", "CHGE",   "NOCHGE", "CADRVAL",
                           "AXES",   "MANETE",   "CLOCK",   "STOP",    "BANDO",   "USE",    "FONC",   "REM",
                           "EFAC",   "MENUVISU", "SYMBOLS", "RESETON", "RESETOF", "NORMAL", "ISOL",   "TRACE"}) {
    EXPECT_NE(scene->find_command(name), nullptr) << name;
  }
  EXPECT_EQ(scene->commands.size(), 24U);
  // The variables the program binds in two layers at one address.
  EXPECT_GE(scene->find_variable("LIFT", "TOTOP"), 0);
  EXPECT_GE(scene->find_variable("LIFTIV", "TOTOP"), 0);
  EXPECT_EQ(scene->variables[static_cast<std::size_t>(scene->find_variable("LIFT", "CONCABLM"))].type,
            VarType::polyline);
}

// Inputs that must come back as diagnostics, quickly and without a crash.
TEST(ParseScene, HostileInputsGiveDiagnostics) {
  const std::vector<std::string> inputs = {
      std::string(100000, '\0'),
      "vismo 1\n" + std::string(200000, 'x'),
      "vismo 1\ncommand C\n" + nested_groups(100000),
      "vismo 1\n" +
          [] {
            std::string ends;
            for (int i = 0; i < 100000; ++i) ends += "end\n";
            return ends;
          }(),
      "vismo 1\nfont \"" + std::string(10000, '\\'),
      "vismo 1\nlayer A\n" + std::string(5000, '\n') + "layer B\n",
  };
  for (const std::string& input : inputs) {
    std::vector<Diagnostic> diagnostics;
    EXPECT_FALSE(parse_scene(input, "hostile.anm", diagnostics).has_value());
    EXPECT_FALSE(diagnostics.empty());
    EXPECT_LE(diagnostics.size(), 51U);
  }
}

TEST(ParseScene, ValidLinesAreAccepted) {
  const std::vector<std::string> bodies = {
      "rect 650 560 790 595 fill=#ffffff stroke=#334e68 width=1.5 radius=4",
      "rect 1 2 3 4 fill=$C stroke=#11223344",
      "clear 0 0 800 600",
      "line 170 139 170 524 stroke=#486581 width=2 dash=4",
      "polyline $Q stroke=#243b53 width=2",
      "polyline 1 2 3 4 5 6",
      "polygon 0 0 10 0 5 5 fill=#ff0000",
      "arrow 170 70 170 120 stroke=#d64545 width=3 head=8",
      "circle 227 522 57 fill=#d9e2ec stroke=#334e68",
      "arc 720 140 30 0 180 stroke=#334e68 width=2",
      "text 700 400 $N size=14 align=right",
      "text 660 570 \"Help\" weight=bold fill=$C",
      "text 1 2 $M.DUP",
      "text 1 2 $L.DUP",
      "text -1 +2.5 \"a # not a comment\"",
      "pen $P stroke=#000000",
      "erase-pens",
      "set V 2",
      "set $V -1",
      "group translate=$P scale=$S rotate=$F origin=0,0\nend",
      "group translate=-1.5,2 scale=1,-1 rotate=90\nend",
      "choose $V\ncase 0 1 2\nend\nelse\nend\nend",
      "choose $C\nend",
      "rect 1 2 3 4 # a comment\n# a comment line\n#\n\t\n",
      "rect 1 2 3 4\r\ntext\t1\t2\t\"tabs\"\r",
      nested_groups(32),
  };
  for (const std::string& body : bodies) parse_ok(in_command(body));
}

TEST(ParseScene, BuildsTheSceneAsWritten) {
  const auto scene = parse_ok(
      "vismo 1\n"
      "size 640 480.5\n"
      "background #102030\n"
      "font \"Deja \\\"Vu\\\" \\\\ Sans\\n\"\n"
      "palette -2 #a0b0c0d0\n"
      "close-click 778 579\n"
      "state VIEW 3\n"
      "layer A\n  int16 I\n  point POS\nend\n"
      "layer B\n  point POS\nend\n"
      "command DRAW period=25\n"
      "  rect 1 -2 3.5 4 fill=#ff0000\n"
      "  group translate=$B.POS origin=5,6\n"
      "    choose $VIEW\n"
      "      case 1 2\n"
      "        text 0 0 $I align=center\n"
      "      end\n"
      "      else\n"
      "      end\n"
      "    end\n"
      "  end\n"
      "  set VIEW 7\n"
      "end\n");
  ASSERT_TRUE(scene.has_value());
  EXPECT_EQ(scene->width, 640.0);
  EXPECT_EQ(scene->height, 480.5);
  EXPECT_EQ(scene->background, 0x102030FFU);
  EXPECT_EQ(scene->font, "Deja \"Vu\" \\ Sans\n");
  EXPECT_EQ(scene->palette_colour(-2), 0xa0b0c0d0U);
  EXPECT_EQ(scene->palette_colour(5), 0x000000FFU);
  ASSERT_TRUE(scene->close_click.has_value());
  EXPECT_EQ(scene->close_click->first, 778.0);
  ASSERT_EQ(scene->states.size(), 1U);
  EXPECT_EQ(scene->states[0].initial, 3);

  ASSERT_EQ(scene->variables.size(), 3U);
  EXPECT_EQ(scene->find_variable("A", "POS"), 1);
  EXPECT_EQ(scene->find_variable("B", "POS"), 2);
  EXPECT_EQ(scene->find_variable("B", "I"), -1);
  EXPECT_EQ(scene->variables[2].layer, "B");
  EXPECT_EQ(scene->variables[2].pos.line, 13);
  EXPECT_EQ(scene->variables[2].pos.column, 9);

  const Command* draw = scene->find_command("DRAW");
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(draw->period_ms, 25);
  ASSERT_EQ(draw->ops.size(), 3U);
  const Op& rect = draw->ops[0];
  ASSERT_EQ(rect.args.size(), 4U);
  EXPECT_EQ(rect.args[1].number, -2.0);
  EXPECT_EQ(rect.args[2].number, 3.5);
  ASSERT_NE(rect.option("fill"), nullptr);
  EXPECT_EQ(rect.option("fill")->rgba, 0xff0000FFU);
  EXPECT_EQ(rect.option("stroke"), nullptr);

  const Op& group = draw->ops[1];
  const Value* translate = group.option("translate");
  ASSERT_NE(translate, nullptr);
  EXPECT_EQ(translate->kind, Value::Kind::variable);
  EXPECT_EQ(translate->variable, 2);
  EXPECT_EQ(translate->text, "B.POS");
  EXPECT_EQ(group.option("origin")->kind, Value::Kind::pair);
  EXPECT_EQ(group.option("origin")->second, 6.0);

  ASSERT_EQ(group.body.size(), 1U);
  const Op& choose = group.body[0];
  EXPECT_EQ(choose.args[0].kind, Value::Kind::state);
  EXPECT_EQ(choose.args[0].variable, 0);
  ASSERT_EQ(choose.body.size(), 2U);
  EXPECT_EQ(choose.body[0].name, "case");
  EXPECT_EQ(choose.body[0].args.size(), 2U);
  EXPECT_EQ(choose.body[0].body.at(0).args[2].variable, 0);
  EXPECT_EQ(choose.body[0].body.at(0).option("align")->text, "center");
  EXPECT_EQ(choose.body[1].name, "else");
  EXPECT_TRUE(choose.body[1].body.empty());

  const Op& set = draw->ops[2];
  EXPECT_EQ(set.args[0].kind, Value::Kind::state);
  EXPECT_EQ(set.args[1].number, 7.0);
}

TEST(SceneTypes, NamesSizesRoundTrip) {
  const std::vector<std::pair<VarType, std::size_t>> sizes = {
      {VarType::int16, 2}, {VarType::int32, 4}, {VarType::float32, 4}, {VarType::colour, 4},
      {VarType::point, 8}, {VarType::scale, 8}, {VarType::text, 80},   {VarType::polyline, 88}};
  for (const auto& [type, size] : sizes) {
    EXPECT_EQ(type_size(type), size);
    EXPECT_EQ(type_from_name(type_name(type)), type);
  }
  EXPECT_EQ(type_name(VarType::float32), "float");
  EXPECT_FALSE(type_from_name("double").has_value());
}

}  // namespace
}  // namespace vismo
