// The scene file LIFT.ANM painted without a window: every command draws,
// every panel and dialog button lies on its rectangle, the opening picture
// is made of its parts, the installation follows the bound values as the
// physics puts them, and what one command paints survives the commands the
// program plays after it.
//
// The variables are the test's own, laid out as the program lays them out
// (vismo.h) and holding the program's start values unless a test changes
// them. Pixels are read from a 1600 x 1200 canvas, two pixels a scene unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "canvas.h"

namespace vismo {
namespace {

constexpr int pixel_width = 1600;
constexpr int pixel_height = 1200;

// The colours the checks look for, as LIFT.ANM paints them (0xRRGGBB).
constexpr std::uint32_t scene_background = 0xF5F7FA;
constexpr std::uint32_t title_band = 0x243B53;
constexpr std::uint32_t cabin_floor = 0x334E68;
constexpr std::uint32_t landing = 0x7B8794;
constexpr std::uint32_t counterweight_block = 0x616E7C;
constexpr std::uint32_t cable = 0x243B53;
constexpr std::uint32_t pulley_mark = 0xE69F00;
constexpr std::uint32_t lever_knob = 0x243B53;
constexpr std::uint32_t chosen_mark = 0x009E73;    // palette 4
constexpr std::uint32_t unchosen_mark = 0xE4E7EB;  // palette 3
constexpr std::uint32_t motor_colour = 0xD55E00;
constexpr std::uint32_t friction_colour = 0xCC79A7;
constexpr std::uint32_t cabin_weight_colour = 0x0072B2;
constexpr std::uint32_t counterweight_weight_colour = 0x56B4E9;
constexpr std::uint32_t braking_colour = 0x009E73;

// Sum of the channel differences of two 0xRRGGBB colours.
int distance(std::uint32_t a, std::uint32_t b) {
  int sum = 0;
  for (int shift : {16, 8, 0}) {
    sum += std::abs(static_cast<int>((a >> shift) & 0xFFU) - static_cast<int>((b >> shift) & 0xFFU));
  }
  return sum;
}

std::string hex(std::uint32_t colour) {
  std::array<char, 16> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "#%06x", colour);
  return buffer.data();
}

// A region of the scene, x0 < x1, y0 < y1 (y up).
struct Region {
  double x0;
  double y0;
  double x1;
  double y1;
  bool contains(double x, double y) const { return x > x0 && x < x1 && y > y0 && y < y1; }
};

// The installation column and the work area of the scene (see its header).
constexpr Region installation{0, 0, 332, 600};
constexpr Region work_area{332, 0, 648, 418};

// LIFT.ANM with every variable bound to storage of its type.
class LiftScene {
 public:
  LiftScene() {
    std::vector<Diagnostic> diagnostics;
    auto loaded = load_scene_file(LIFT_SCENE_PATH, diagnostics);
    if (!loaded) throw std::runtime_error(diagnostics.empty() ? "LIFT.ANM" : diagnostics.front().to_string());
    scene_ = std::make_unique<Scene>(std::move(*loaded));
    bindings_ = std::make_unique<Bindings>(*scene_);
    storage_.resize(scene_->variables.size());
    for (std::size_t i = 0; i < storage_.size(); ++i) bindings_->bind(static_cast<int>(i), storage_[i].data());
    start_values();
  }

  const Scene& scene() const { return *scene_; }
  const Bindings& bindings() const { return *bindings_; }

  const Command& command(std::string_view name) const {
    const Command* c = scene_->find_command(name);
    if (c == nullptr) throw std::runtime_error("LIFT.ANM has no command " + std::string(name));
    return *c;
  }

  // Writers in the memory formats of vismo.h; `name` is found in any layer.
  void set_number(std::string_view name, double value) {
    const auto [bytes, type] = variable(name);
    switch (type) {
      case VarType::int16:
        put(bytes, static_cast<std::int16_t>(value));
        break;
      case VarType::int32:
      case VarType::colour:
        put(bytes, static_cast<std::int32_t>(value));
        break;
      case VarType::float32:
        put(bytes, static_cast<float>(value));
        break;
      default:
        throw std::runtime_error(std::string(name) + " is not a number");
    }
  }
  void set_pair(std::string_view name, double x, double y) {
    const auto [bytes, type] = variable(name);
    if (type != VarType::point && type != VarType::scale) throw std::runtime_error(std::string(name) + " is no pair");
    put(bytes, static_cast<float>(x));
    put(bytes + 4, static_cast<float>(y));
  }
  void set_text(std::string_view name, std::string_view text) {
    const auto [bytes, type] = variable(name);
    if (type != VarType::text) throw std::runtime_error(std::string(name) + " is no text");
    std::memset(bytes, 0, 80);
    put(bytes, static_cast<std::uint8_t>(text.size()));
    std::memcpy(bytes + 1, text.data(), text.size());
  }
  void set_polyline(std::string_view name, std::initializer_list<std::pair<double, double>> points) {
    const auto [bytes, type] = variable(name);
    if (type != VarType::polyline) throw std::runtime_error(std::string(name) + " is no polyline");
    std::memset(bytes, 0, 88);
    put(bytes, static_cast<std::int16_t>(points.size()));
    std::size_t offset = 8;
    for (const auto& [x, y] : points) {
      put(bytes + offset, static_cast<float>(x));
      put(bytes + offset + 4, static_cast<float>(y));
      offset += 8;
    }
  }

  // The cabin `metres` above the lower landing, everything that moves with
  // it placed as the program places it.
  void place_cabin(double metres) {
    const double y = 70.0 + 50.0 * metres;
    set_pair("POSCAB", 170, y);
    set_pair("POSKONTP", 285, 540 - y);
    set_polyline("CONCABLM", {{170, y + 69}, {170, 524}});
    set_polyline("CONCABLD", {{285, 520}, {285, 540 - y}});
  }

 private:
  struct alignas(8) Slot : std::array<std::byte, 88> {};

  std::pair<std::byte*, VarType> variable(std::string_view name) {
    for (std::size_t i = 0; i < scene_->variables.size(); ++i) {
      if (scene_->variables[i].name == name) return {storage_[i].data(), scene_->variables[i].type};
    }
    throw std::runtime_error("LIFT.ANM has no variable " + std::string(name));
  }
  template <typename T>
  static void put(std::byte* out, T value) {
    std::memcpy(out, &value, sizeof value);
  }

  // What the program holds when the main loop starts.
  void start_values() {
    for (const Variable& v : scene_->variables) {
      if (v.type == VarType::colour) set_number(v.name, 3);
    }
    for (const char* on : {"colvis10", "colvis20", "colvis30", "colvis40", "colvis50"}) set_number(on, 4);
    place_cabin(0.0);
    set_pair("POSPOID", 170, 37);
    set_number("GODROUE", 45);
    set_pair("TALCAISS", 1, 0.5);
    set_pair("TALKONTP", 1, 1);
    set_pair("POSPNTP", 250, -200);
    set_pair("POSPNTR", 250, -200);
    set_text("AXELP", "1.0");
    set_text("MASSP", "100");
    set_text("MASKP", "200");
    set_text("FROTP", "500");
    for (const char* figure : {"B1", "B2", "B3", "B4", "B6", "B7", "B8"}) set_text(figure, "1234");
  }

  std::unique_ptr<Scene> scene_;
  std::unique_ptr<Bindings> bindings_;
  std::vector<Slot> storage_;
};

// A canvas of the scene and the pixels it holds.
class Picture {
 public:
  explicit Picture(const LiftScene& lift) : lift_(lift), canvas_(lift.scene(), pixel_width, pixel_height) {}

  void play(std::initializer_list<std::string_view> commands) {
    for (std::string_view name : commands) canvas_.play(lift_.command(name), lift_.bindings());
  }
  void play(std::string_view name) { canvas_.play(lift_.command(name), lift_.bindings()); }

  // The colour (0xRRGGBB) of the pixel at scene point (x, y).
  std::uint32_t at(double x, double y) const {
    const auto [px, py] = canvas_.view().to_device(x, y);
    return pixel(static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)));
  }

  std::uint32_t pixel(int px, int py) const {
    cairo_surface_t* surface = canvas_.surface();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    px = std::clamp(px, 0, pixel_width - 1);
    py = std::clamp(py, 0, pixel_height - 1);
    std::uint32_t argb = 0;
    std::memcpy(&argb, data + static_cast<std::ptrdiff_t>(py) * stride + static_cast<std::ptrdiff_t>(px) * 4,
                sizeof argb);
    return argb & 0xFFFFFFU;
  }

  // Plays the canvas keeps to paint again at another size.
  std::size_t kept() const { return canvas_.retained(); }

  std::vector<std::uint32_t> pixels() const {
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(pixel_width) * pixel_height);
    for (int py = 0; py < pixel_height; ++py) {
      for (int px = 0; px < pixel_width; ++px) out.push_back(pixel(px, py));
    }
    return out;
  }

  // The pixels whose scene point lies in `region` and that differ from `before`.
  long changed(const std::vector<std::uint32_t>& before, const Region& region = {0, 0, 800, 600}) const {
    long count = 0;
    for (int py = 0; py < pixel_height; ++py) {
      for (int px = 0; px < pixel_width; ++px) {
        const auto [x, y] = canvas_.view().to_scene(px + 0.5, py + 0.5);
        if (!region.contains(x, y)) continue;
        if (pixel(px, py) != before[static_cast<std::size_t>(py) * pixel_width + px]) ++count;
      }
    }
    return count;
  }

  // From (x, y) in steps of a quarter unit along (dx, dy): how far the
  // pixels keep close to `colour`.
  double run_of(std::uint32_t colour, double x, double y, double dx, double dy) const {
    double length = 0.0;
    while (length < 400.0 && distance(at(x + dx * (length + 0.25), y + dy * (length + 0.25)), colour) <= 40) {
      length += 0.25;
    }
    return length;
  }

 private:
  const LiftScene& lift_;
  Canvas canvas_;
};

// --------------------------------------------------------- every command

// Every command of the file paints something of its own: on a fresh
// canvas, or, for the erase, over the opening picture.
TEST(LiftScene, EveryCommandDrawsSomething) {
  LiftScene lift;
  lift.set_pair("TALNUM", 1, 1);
  const std::map<std::string, std::vector<std::string_view>, std::less<>> first = {{"EFAC", {"INLIFT"}}};
  ASSERT_EQ(lift.scene().commands.size(), 24U);
  for (const Command& command : lift.scene().commands) {
    Picture picture(lift);
    if (const auto it = first.find(command.name); it != first.end()) {
      for (std::string_view name : it->second) picture.play(name);
    }
    const auto before = picture.pixels();
    picture.play(command.name);
    EXPECT_GT(picture.changed(before), 400) << command.name << " paints (almost) nothing";
  }
}

// ------------------------------------------------------- buttons on rects

struct Button {
  const char* name;
  Region rect;
};

// The panel's buttons, at the rectangles the program tests its clicks in.
const std::vector<Button>& panel_buttons() {
  static const std::vector<Button> buttons = {
      {"help pages (banner)", {658, 568, 682, 590}},
      {"options", {658, 70, 712, 115}},
      {"erase", {658, 98, 668, 115}},
      {"pause", {726, 98, 740, 115}},
      {"slower", {726, 70, 740, 88}},
      {"faster", {769, 70, 784, 88}},
      {"legend", {730, 20, 784, 60}},
      {"single step", {769, 98, 784, 115}},
      {"step profile", {663, 518, 686, 540}},
      {"ramp profile", {757, 518, 780, 540}},
      {"max. acceleration -", {663, 458, 686, 480}},
      {"max. acceleration +", {757, 458, 780, 480}},
      {"load -", {663, 378, 686, 400}},
      {"load +", {757, 378, 780, 400}},
      {"counterweight -", {663, 318, 686, 340}},
      {"counterweight +", {757, 318, 780, 340}},
      {"friction -", {663, 258, 686, 280}},
      {"friction +", {757, 258, 780, 280}},
      {"lever down", {660, 145, 685, 172}},
      {"lever up", {760, 145, 785, 172}},
      {"reset", {660, 23, 710, 62}},
      {"quit", {766, 568, 790, 590}},
  };
  return buttons;
}

// The boxes of the options dialog with the mark that colours each: a box
// shows the chosen colour when its mark reads `chosen_when`.
struct Box {
  const char* name;
  Region rect;
  const char* mark;
  int chosen_when;
};

const std::vector<Box>& dialog_boxes() {
  static const std::vector<Box> boxes = {
      {"motor force off", {526, 455, 546, 475}, "colvis0", 3},
      {"motor force on", {577, 455, 597, 475}, "colvis0", 4},
      {"cabin weight off", {526, 425, 546, 445}, "colvis2", 3},
      {"cabin weight on", {577, 425, 597, 445}, "colvis2", 4},
      {"friction off", {526, 395, 546, 415}, "colvis3", 3},
      {"friction on", {577, 395, 597, 415}, "colvis3", 4},
      {"counterweight weight off", {526, 365, 546, 385}, "colvis4", 3},
      {"counterweight weight on", {577, 365, 597, 385}, "colvis4", 4},
      {"energy table off", {526, 305, 546, 325}, "colvis6", 3},
      {"energy table on", {577, 305, 597, 325}, "colvis6", 4},
      {"grid first", {475, 255, 488, 276}, "colvis10", 4},
      {"grid second", {495, 255, 523, 276}, "colvis11", 4},
      {"motoring curve off", {475, 225, 488, 246}, "colvis20", 4},
      {"motoring curve on", {495, 225, 523, 246}, "colvis21", 4},
      {"braking curve off", {475, 195, 488, 216}, "colvis30", 4},
      {"braking curve on", {495, 195, 523, 216}, "colvis31", 4},
  };
  return boxes;
}

// A button is drawn on its rectangle when the middle of each edge differs
// clearly from the point three units outside it (an outline or a change
// of fill lies exactly there), and its inside differs from outside too.
void expect_drawn_on(const Picture& picture, const char* name, const Region& r) {
  const double mx = (r.x0 + r.x1) / 2;
  const double my = (r.y0 + r.y1) / 2;
  const std::array<std::array<double, 4>, 4> edges = {{
      {r.x0, my, r.x0 - 3, my},
      {r.x1, my, r.x1 + 3, my},
      {mx, r.y0, mx, r.y0 - 3},
      {mx, r.y1, mx, r.y1 + 3},
  }};
  for (const auto& [ex, ey, ox, oy] : edges) {
    EXPECT_GT(distance(picture.at(ex, ey), picture.at(ox, oy)), 60)
        << name << ": no edge at (" << ex << ", " << ey << "): " << hex(picture.at(ex, ey)) << " inside, "
        << hex(picture.at(ox, oy)) << " outside";
  }
  const std::uint32_t outside = picture.at(r.x0 - 3, my);
  int differing = 0;
  for (double fx : {0.3, 0.5, 0.7}) {
    for (double fy : {0.3, 0.5, 0.7}) {
      differing += picture.at(r.x0 + fx * (r.x1 - r.x0), r.y0 + fy * (r.y1 - r.y0)) != outside ? 1 : 0;
    }
  }
  EXPECT_GE(differing, 5) << name << ": its inside looks like the panel around it";
}

TEST(LiftScene, PanelButtonsLieOnTheirRectangles) {
  LiftScene lift;
  Picture picture(lift);
  picture.play("DECOR");
  for (const Button& b : panel_buttons()) expect_drawn_on(picture, b.name, b.rect);
}

TEST(LiftScene, DialogBoxesLieOnTheirRectangles) {
  LiftScene lift;
  Picture picture(lift);
  picture.play({"INLIFT", "MENUVISU"});
  for (const Box& b : dialog_boxes()) expect_drawn_on(picture, b.name, b.rect);
}

// Each box shows its mark: the chosen colour when its colour index says
// so, the other colour when not (sampled in a corner, clear of the tick).
TEST(LiftScene, DialogBoxesShowTheirMarks) {
  LiftScene lift;
  for (const Box& b : dialog_boxes()) {
    for (int mark : {3, 4}) {
      lift.set_number(b.mark, mark);
      Picture picture(lift);
      picture.play("MENUVISU");
      const std::uint32_t expected = mark == b.chosen_when ? chosen_mark : unchosen_mark;
      EXPECT_EQ(hex(picture.at(b.rect.x0 + 2.5, b.rect.y0 + 2.5)), hex(expected))
          << b.name << " with " << b.mark << " " << mark;
    }
  }
}

// The button (739, 568, 763, 590) has no action: nothing but the title
// band is drawn there, also with the banner menu open.
TEST(LiftScene, NothingIsDrawnOnTheButtonWithoutAction) {
  LiftScene lift;
  for (auto commands : {std::vector<std::string_view>{"DECOR"}, {"INLIFT"}, {"INLIFT", "BANDO"}}) {
    Picture picture(lift);
    for (std::string_view name : commands) picture.play(name);
    for (double x = 739.5; x < 763; x += 0.5) {
      for (double y = 568.5; y < 590; y += 0.5) {
        ASSERT_EQ(hex(picture.at(x, y)), hex(title_band)) << "at (" << x << ", " << y << ") after " << commands.back();
      }
    }
  }
}

// ---------------------------------------------------- the opening picture

// INLIFT paints what its parts paint in the order the program would play
// them; only the work area differs, where INLIFT adds the welcome card.
// (scripts/scene-inlift rebuilds INLIFT from its parts.)
TEST(LiftScene, OpeningPictureIsMadeOfItsParts) {
  LiftScene lift;
  Picture opening(lift);
  opening.play("INLIFT");
  Picture parts(lift);
  parts.play({"DECOR", "ECHELON", "CHGE", "MANETE", "CLOCK", "NORMAL", "LIFT"});
  const auto expected = parts.pixels();
  long differ = 0;
  for (const Region& r : {installation, Region{648, 0, 800, 600}, Region{332, 418, 648, 600}}) {
    differ += opening.changed(expected, r);
  }
  EXPECT_EQ(differ, 0) << "run scripts/scene-inlift after changing one of INLIFT's parts";
  EXPECT_GT(opening.changed(expected, work_area), 1000) << "the welcome card is missing";
}

// ------------------------------------------------- geometry and physics

// The cabin floor follows POSCAB; at rest it is level with the landing
// (both at y 70 and 370); the counterweight hangs below the end of its
// cable, which follows POSKONTP the other way.
TEST(LiftScene, CabinAndCounterweightFollowTheirPositions) {
  LiftScene lift;
  for (double metres : {0.0, 3.0, 6.0}) {
    lift.place_cabin(metres);
    Picture picture(lift);
    picture.play({"DECOR", "NORMAL", "LIFT"});
    const double floor = 70.0 + 50.0 * metres;
    const double hook = 540.0 - floor;
    SCOPED_TRACE("cabin " + std::to_string(metres) + " m up");
    EXPECT_EQ(hex(picture.at(150, floor + 1.5)), hex(cabin_floor)) << "cabin floor";
    EXPECT_NE(hex(picture.at(150, floor - 1.5)), hex(cabin_floor)) << "below the cabin floor";
    EXPECT_EQ(hex(picture.at(170, floor + 80)), hex(cable)) << "cabin cable above the roof";
    EXPECT_EQ(hex(picture.at(278, hook - 40 + 20)), hex(counterweight_block)) << "counterweight block";
    EXPECT_EQ(hex(picture.at(285, hook + 25)), hex(cable)) << "counterweight cable";
    if (metres == 0.0 || metres == 6.0) {
      EXPECT_EQ(hex(picture.at(100, floor - 1.5)), hex(landing)) << "landing below the floor's level";
      EXPECT_NE(hex(picture.at(100, floor + 1.5)), hex(landing)) << "landing above the floor's level";
    }
  }
}

// The pulley's mark, on a spoke at 44 units from the axle, turns with ROTROU.
TEST(LiftScene, PulleyTurnsWithItsAngle) {
  LiftScene lift;
  for (double degrees : {0.0, -90.0, 180.0, -400.0}) {
    lift.set_number("ROTROU", degrees);
    Picture picture(lift);
    picture.play({"NORMAL", "LIFT"});
    const double a = (90.0 + degrees) * std::numbers::pi / 180.0;
    EXPECT_EQ(hex(picture.at(227.5 + 44 * std::cos(a), 522 + 44 * std::sin(a))), hex(pulley_mark)) << degrees;
  }
}

// A force arrow starts where its force acts and is 120 units long at a
// scale of 1 (0.0002 per newton, so 1000 N are 24 units); a negative scale
// turns it over, a zero scale hides it.
struct ArrowCase {
  const char* scale;
  std::uint32_t colour;
  double x;  // where it starts, the cabin 3 m up (floor at 220, hook of the counterweight at 320)
  double y;
  double down;   // -1: drawn downward at a positive scale, +1 upward
  double value;  // the scale
};

TEST(LiftScene, ForceArrowsStartAtTheirForceAndScale) {
  const std::vector<ArrowCase> cases = {
      {"TALMOT", motor_colour, 170, 289, 1, 0.4},                     // rope hitch on the roof
      {"TALMOT", motor_colour, 170, 289, 1, -0.25},                   // the motor holds back
      {"TALFROT", friction_colour, 132, 254, -1, 0.2},                // left guide shoes, against an upward travel
      {"TALFROT", friction_colour, 132, 254, -1, -0.2},               // and a downward one
      {"TALPOIDT", cabin_weight_colour, 170, 257, -1, 0.5},           // POSPOID above the floor's middle
      {"TALKPOID", counterweight_weight_colour, 285, 280, -1, 0.75},  // middle of the block
  };
  for (const ArrowCase& c : cases) {
    LiftScene lift;
    lift.place_cabin(3.0);
    lift.set_pair(c.scale, c.value, c.value);
    Picture picture(lift);
    picture.play({"ISOL", "LIFT"});
    const double direction = c.down * (c.value < 0 ? -1 : 1);
    const double length = picture.run_of(c.colour, c.x, c.y + direction * 0.5, 0, direction) + 0.5;
    EXPECT_NEAR(length, 120 * std::abs(c.value), 3.0) << c.scale << " " << c.value;
    EXPECT_LT(picture.run_of(c.colour, c.x, c.y - direction * 0.5, 0, -direction), 1.0)
        << c.scale << " " << c.value << " reaches back behind its start";

    lift.set_pair(c.scale, 0, 0);
    Picture hidden(lift);
    hidden.play({"ISOL", "LIFT"});
    EXPECT_LT(hidden.run_of(c.colour, c.x, c.y + direction * 0.5, 0, direction), 1.0) << c.scale << " at 0";
  }
}

// At rest the friction scale has no width (x 0): no arrow.
TEST(LiftScene, FrictionArrowHiddenAtRest) {
  LiftScene lift;
  lift.place_cabin(3.0);
  lift.set_pair("TALFROT", 0, 0.1);
  Picture picture(lift);
  picture.play({"ISOL", "LIFT"});
  EXPECT_LT(picture.run_of(friction_colour, 132, 253.5, 0, -1), 1.0);
}

// The lever's knob: at 125 degrees from its pivot when down (POSMANT 0),
// at 55 degrees when up (70).
TEST(LiftScene, LeverFollowsItsPosition) {
  LiftScene lift;
  for (const auto& [posmant, degrees] : {std::pair{0.0, 125.0}, std::pair{70.0, 55.0}, std::pair{35.0, 90.0}}) {
    lift.set_number("POSMANT", posmant);
    Picture picture(lift);
    picture.play("MANETE");
    const double a = degrees * std::numbers::pi / 180.0;
    EXPECT_EQ(hex(picture.at(722.5 + 40 * std::cos(a), 150 + 40 * std::sin(a))), hex(lever_knob)) << posmant;
  }
}

// The clock's needle points right at level 0 (fast), left at level 8
// (180 degrees, slow), straight up half way.
TEST(LiftScene, ClockNeedleFollowsItsAngle) {
  LiftScene lift;
  for (double degrees : {0.0, 90.0, 180.0}) {
    lift.set_number("ROTAIGU", degrees);
    for (std::string_view command : {"CLOCK", "STOP"}) {
      Picture picture(lift);
      picture.play(command);
      const double a = degrees * std::numbers::pi / 180.0;
      const std::uint32_t needle = picture.at(754.5 + 8 * std::cos(a), 74 + 8 * std::sin(a));
      EXPECT_GT(distance(needle, 0xFFFFFF), 150) << command << " " << degrees << ": " << hex(needle);
    }
  }
}

// The energy table's figures show only while TALNUM is (1, 1).
TEST(LiftScene, TableFiguresFollowTheirScale) {
  LiftScene lift;
  lift.set_text("B6", "8888");
  const Region figures{520, 421, 609, 529};
  for (const auto& [scale, shown] : {std::pair{0.0, false}, std::pair{1.0, true}}) {
    lift.set_pair("TALNUM", scale, scale);
    Picture picture(lift);
    picture.play("CADRVAL");
    const auto frame = picture.pixels();
    picture.play("LIFT");
    if (shown) {
      EXPECT_GT(picture.changed(frame, figures), 300);
    } else {
      EXPECT_EQ(picture.changed(frame, figures), 0);
    }
  }
}

// LIFT plays up to 100 times a second: each play clears what it paints
// over, so the window forgets the plays before it instead of keeping
// them all to paint again.
TEST(LiftScene, LiftClearsWhatItPaints) {
  LiftScene lift;
  lift.set_pair("TALNUM", 1, 1);
  lift.set_pair("TALMOT", 0.4, 0.4);
  lift.set_pair("TALFROT", 0.1, 0.1);
  for (std::string_view view : {"NORMAL", "ISOL", "TRACE"}) {
    Picture picture(lift);
    picture.play({"INLIFT", "CADRVAL", view});
    const std::size_t before = picture.kept();
    for (int k = 0; k <= 60; ++k) {
      lift.place_cabin(0.1 * k);
      lift.set_number("ROTROU", -13.0 * k);
      lift.set_number("GODROUE", 43 + k % 3);
      lift.set_pair("POSPNTR", 250 + 5 * k, 51 + 3 * k);
      picture.play("LIFT");
    }
    EXPECT_LE(picture.kept(), before + 1) << "in " << view;
  }
}

// ----------------------------------------------------------------- views

// The three views draw the installation column differently.
TEST(LiftScene, ViewsDiffer) {
  LiftScene lift;
  lift.place_cabin(2.0);
  lift.set_pair("TALPOIDT", 0.6, 0.6);
  std::vector<std::vector<std::uint32_t>> shots;
  for (std::string_view view : {"NORMAL", "ISOL", "TRACE"}) {
    Picture picture(lift);
    picture.play({"DECOR", view, "LIFT"});
    shots.push_back(picture.pixels());
  }
  for (std::size_t i = 0; i < shots.size(); ++i) {
    for (std::size_t j = i + 1; j < shots.size(); ++j) {
      long differ = 0;
      for (std::size_t k = 0; k < shots[i].size(); ++k) differ += shots[i][k] != shots[j][k] ? 1 : 0;
      EXPECT_GT(differ, 20000) << "views " << i << " and " << j;
    }
  }
}

// The plot view draws the curves where their pens went: the braking
// curve from (250, 51) to (350, 151), 2 s and 5 kJ later.
TEST(LiftScene, PlotViewDrawsTheCurves) {
  LiftScene lift;
  Picture picture(lift);
  picture.play({"DECOR", "TRACE", "AXES", "TRACE"});
  for (int step = 0; step <= 10; ++step) {
    lift.set_pair("POSPNTP", 250 + 10 * step, 51 + 10 * step);
    picture.play("LIFT");
  }
  EXPECT_EQ(hex(picture.at(300, 101)), hex(braking_colour));
  // In the installation view the curves are not drawn.
  Picture normal(lift);
  normal.play({"DECOR", "NORMAL"});
  for (int step = 0; step <= 10; ++step) {
    lift.set_pair("POSPNTP", 250 + 10 * step, 51 + 10 * step);
    normal.play("LIFT");
  }
  EXPECT_NE(hex(normal.at(300, 101)), hex(braking_colour));
}

// ------------------------------------- what stays after the next commands

// The program shows a help page and then refreshes the layers (DECOR, the
// profile, the load controls, the table, the plot axes, the lever) and
// replays LIFT: the page must still be there, in every view, and the
// installation must not have lost the pulley's top to the banner strip.
TEST(LiftScene, HelpPagesSurviveTheRefreshAfterThem) {
  LiftScene lift;
  lift.set_pair("TALNUM", 1, 1);
  for (std::string_view view : {"NORMAL", "ISOL", "TRACE"}) {
    for (std::string_view page : {"USE", "FONC", "REM", "SYMBOLS"}) {
      Picture picture(lift);
      picture.play({"INLIFT", view, "LIFT", "CADRVAL", "BANDO", page});
      const auto shown = picture.pixels();
      picture.play({"DECOR", "ECHELON", "CHGE", "CADRVAL", "AXES", "MANETE", "LIFT"});
      EXPECT_EQ(picture.changed(shown, work_area), 0) << page << " in " << view;
      EXPECT_NE(hex(picture.at(227.5, 570)), hex(0x102A43)) << "the banner strip is still over the pulley";
    }
  }
}

// The options dialog is gone once it has closed: the program plays the
// view (perhaps) and LIFT after it, no refresh.
TEST(LiftScene, ClosedDialogIsWipedByLift) {
  LiftScene lift;
  for (std::string_view view : {"NORMAL", "ISOL", "TRACE"}) {
    Picture picture(lift);
    picture.play({"INLIFT", "MENUVISU", "MANETE", "MENUVISU", "MANETE", view, "LIFT"});
    EXPECT_NE(hex(picture.at(500, 505)), hex(title_band)) << "dialog title still shown in " << view;
    EXPECT_NE(hex(picture.at(587, 465)), hex(unchosen_mark)) << "a dialog box still shown in " << view;
  }
}

// The erase empties the work area; the refresh after it brings back the
// table and, in the plot view, the axes, but no curve.
TEST(LiftScene, EraseLeavesTheWorkAreaEmpty) {
  LiftScene lift;
  Picture picture(lift);
  picture.play({"INLIFT", "EFAC", "DECOR", "ECHELON", "CHGE", "MANETE", "LIFT"});
  for (double x = 340; x < 640; x += 7) {
    for (double y = 10; y < 410; y += 7) {
      ASSERT_EQ(hex(picture.at(x, y)), hex(scene_background)) << "at (" << x << ", " << y << ")";
    }
  }
}

}  // namespace
}  // namespace vismo
