// The window's painter and canvas, painted into images without a window:
// key pixels and regions for each drawing operation, the pens, the scene
// states, skipping unchanged plays, and redrawing at another size.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "canvas.h"

namespace vismo {
namespace {

// Memory formats as a program lays them out (vismo.h).
struct Point {
  float x;
  float y;
};
struct Text {
  std::uint8_t length = 0;
  std::array<char, 79> chars{};
};
struct Polyline {
  std::int16_t count = 0;
  std::array<std::uint8_t, 6> unused{};
  std::array<Point, 10> points{};
};
static_assert(sizeof(Text) == 80 && sizeof(Polyline) == 88);

void set_text(Text& t, std::string_view s) {
  t.length = static_cast<std::uint8_t>(s.size());
  t.chars.fill('\0');
  std::memcpy(t.chars.data(), s.data(), s.size());
}

constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t blue = 0x0000FF;
constexpr std::uint32_t background = 0xF5F7FA;

// A parsed scene, its bindings and a canvas of `width` x `height` pixels.
class Painted {
 public:
  explicit Painted(std::string_view body, int width = 800, int height = 600) {
    const std::string text = "vismo 1\nsize 800 600\nbackground #f5f7fa\n" + std::string(body);
    std::vector<Diagnostic> diagnostics;
    auto parsed = parse_scene(text, "test.scn", diagnostics);
    for (const Diagnostic& d : diagnostics) ADD_FAILURE() << d.to_string();
    if (!parsed) throw std::runtime_error("scene did not parse");
    scene_ = std::make_unique<Scene>(std::move(*parsed));
    bindings_ = std::make_unique<Bindings>(*scene_);
    canvas_ = std::make_unique<Canvas>(*scene_, width, height);
  }

  void bind(std::string_view layer, std::string_view name, const void* address) {
    const int index = scene_->find_variable(layer, name);
    ASSERT_GE(index, 0) << name;
    bindings_->bind(index, address);
  }

  bool play(std::string_view name) {
    const Command* command = scene_->find_command(name);
    if (command == nullptr) throw std::runtime_error("no command " + std::string(name));
    return canvas_->play(*command, *bindings_);
  }

  // The colour (0xRRGGBB) of the device pixel under scene point (x, y).
  std::uint32_t at(double x, double y) const {
    const auto [px, py] = canvas_->view().to_device(x, y);
    return device(static_cast<int>(px), static_cast<int>(py));
  }

  std::uint32_t device(int px, int py) const {
    cairo_surface_t* s = canvas_->surface();
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    std::uint32_t argb = 0;
    std::memcpy(&argb, data + static_cast<std::ptrdiff_t>(py) * stride + static_cast<std::ptrdiff_t>(px) * 4, 4);
    return argb & 0xFFFFFFU;
  }

  // Pixels in the scene box (x0, y0)-(x1, y1) darker than mid-grey.
  int dark_pixels(double x0, double y0, double x1, double y1) const {
    const auto [ax, ay] = canvas_->view().to_device(x0, y1);
    const auto [bx, by] = canvas_->view().to_device(x1, y0);
    int count = 0;
    for (int py = static_cast<int>(ay); py < static_cast<int>(by); ++py) {
      for (int px = static_cast<int>(ax); px < static_cast<int>(bx); ++px) {
        const std::uint32_t c = device(px, py);
        const unsigned sum = ((c >> 16U) & 0xFFU) + ((c >> 8U) & 0xFFU) + (c & 0xFFU);
        if (sum < 3U * 128U) ++count;
      }
    }
    return count;
  }

  Canvas& canvas() { return *canvas_; }
  const Scene& scene() const { return *scene_; }

 private:
  std::unique_ptr<Scene> scene_;
  std::unique_ptr<Bindings> bindings_;
  std::unique_ptr<Canvas> canvas_;
};

// Colours within a small distance per channel (anti-aliasing, rounding).
bool near(std::uint32_t a, std::uint32_t b, unsigned tolerance = 8) {
  for (unsigned shift : {0U, 8U, 16U}) {
    const int ca = static_cast<int>((a >> shift) & 0xFFU);
    const int cb = static_cast<int>((b >> shift) & 0xFFU);
    if (static_cast<unsigned>(std::abs(ca - cb)) > tolerance) return false;
  }
  return true;
}

::testing::AssertionResult is_colour(std::uint32_t actual, std::uint32_t expected) {
  if (near(actual, expected)) return ::testing::AssertionSuccess();
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "got #%06x, expected #%06x", actual, expected);
  return ::testing::AssertionFailure() << text.data();
}

TEST(SceneView, FitsTheSceneWithMarginsAndYUp) {
  const SceneView view(800, 600, 1000, 600);
  EXPECT_DOUBLE_EQ(view.scale(), 1.0);
  const auto [px, py] = view.to_device(0, 600);  // top left of the scene
  EXPECT_DOUBLE_EQ(px, 100.0);
  EXPECT_DOUBLE_EQ(py, 0.0);
  const auto [sx, sy] = view.to_scene(100.0 + 772.5, 600.0 - 158.5);
  EXPECT_DOUBLE_EQ(sx, 772.5);
  EXPECT_DOUBLE_EQ(sy, 158.5);
  const SceneView big(800, 600, 1600, 1300);
  EXPECT_DOUBLE_EQ(big.scale(), 2.0);
  EXPECT_EQ(big.scene_pixels().y0, 50);
  EXPECT_EQ(big.scene_pixels().y1, 1250);
  const SceneView odd(800, 600, 1088, 816);  // 1.36: no margin row from rounding
  EXPECT_EQ(odd.scene_pixels().y0, 0);
  EXPECT_EQ(odd.scene_pixels().y1, 816);
  EXPECT_EQ(odd.scene_pixels().x1, 1088);
}

TEST(Render, EmptyCanvasIsBackgroundInsideAndMarginOutside) {
  Painted p("command NOTHING\nend\n", 1000, 600);
  EXPECT_TRUE(is_colour(p.at(400, 300), background));
  EXPECT_FALSE(near(p.device(50, 300), background));  // the letterbox margin
}

TEST(Render, FilledRectangleHasItsColourAtTheCentre) {
  Painted p("command R\n  rect 100 100 200 180 fill=#ff0000\nend\n");
  p.play("R");
  EXPECT_TRUE(is_colour(p.at(150, 140), red));
  EXPECT_TRUE(is_colour(p.at(90, 140), background));
  EXPECT_TRUE(is_colour(p.at(150, 190), background));
}

TEST(Render, YGrowsUpward) {
  Painted p("command R\n  rect 0 560 40 600 fill=#0000ff\nend\n");
  p.play("R");
  EXPECT_TRUE(is_colour(p.device(10, 10), blue));  // top left of the image
  EXPECT_TRUE(is_colour(p.device(10, 590), background));
}

TEST(Render, StrokedAndRoundedRectangles) {
  Painted p(
      "command R\n"
      "  rect 100 100 300 300 stroke=#0000ff width=6\n"
      "  rect 400 100 600 300 fill=#ff0000 radius=40\n"
      "end\n");
  p.play("R");
  EXPECT_TRUE(is_colour(p.at(100, 200), blue));        // on the outline
  EXPECT_TRUE(is_colour(p.at(200, 200), background));  // not filled
  EXPECT_TRUE(is_colour(p.at(500, 200), red));
  EXPECT_TRUE(is_colour(p.at(403, 297), background));  // the rounded corner is cut
  EXPECT_TRUE(is_colour(p.at(403, 200), red));
}

TEST(Render, RectangleWithoutColoursIsOutlinedInBlack) {
  Painted p("command R\n  rect 100 100 300 300 width=4\nend\n");
  p.play("R");
  EXPECT_TRUE(is_colour(p.at(100, 200), 0x000000));
  EXPECT_TRUE(is_colour(p.at(200, 200), background));
}

TEST(Render, ClearPaintsTheBackgroundOrItsFill) {
  Painted p(
      "command R\n  rect 0 0 800 600 fill=#ff0000\nend\n"
      "command C\n  clear 100 100 300 300\n  clear 400 100 500 200 fill=#0000ff\nend\n");
  p.play("R");
  p.play("C");
  EXPECT_TRUE(is_colour(p.at(200, 200), background));
  EXPECT_TRUE(is_colour(p.at(450, 150), blue));
  EXPECT_TRUE(is_colour(p.at(350, 200), red));
}

TEST(Render, DashedLineAlternates) {
  Painted p("command L\n  line 100 300 700 300 stroke=#0000ff width=6 dash=20\nend\n");
  p.play("L");
  EXPECT_TRUE(is_colour(p.at(110, 300), blue));
  EXPECT_TRUE(is_colour(p.at(130, 300), background));
  EXPECT_TRUE(is_colour(p.at(150, 300), blue));
  EXPECT_TRUE(is_colour(p.at(110, 310), background));
}

TEST(Render, PolylineFromNumbersAndFromAVariable) {
  Painted p(
      "layer L\n  polyline CABLE\nend\n"
      "command P\n  polyline 100 100 200 100 200 200 stroke=#ff0000 width=4\n  polyline $CABLE stroke=#0000ff "
      "width=4\nend\n");
  Polyline cable;
  cable.count = 3;
  cable.points[0] = {400, 100};
  cable.points[1] = {500, 100};
  cable.points[2] = {500, 200};
  cable.points[3] = {700, 500};  // beyond the count: not drawn
  p.bind("L", "CABLE", &cable);
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(150, 100), red));
  EXPECT_TRUE(is_colour(p.at(200, 150), red));
  EXPECT_TRUE(is_colour(p.at(450, 100), blue));
  EXPECT_TRUE(is_colour(p.at(500, 150), blue));
  EXPECT_TRUE(is_colour(p.at(600, 350), background));
}

TEST(Render, PolygonIsFilled) {
  Painted p("command P\n  polygon 100 100 300 100 200 300 fill=#ff0000\nend\n");
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(200, 150), red));
  EXPECT_TRUE(is_colour(p.at(120, 280), background));
}

TEST(Render, ArrowHasAShaftAndAFilledHead) {
  Painted p("command A\n  arrow 100 300 400 300 stroke=#0000ff width=2 head=40\nend\n");
  p.play("A");
  EXPECT_TRUE(is_colour(p.at(200, 300), blue));  // shaft
  EXPECT_TRUE(is_colour(p.at(370, 310), blue));  // head, wider than the shaft
  EXPECT_TRUE(is_colour(p.at(200, 310), background));
  EXPECT_TRUE(is_colour(p.at(410, 300), background));  // nothing past the tip
}

TEST(Render, CircleAndArc) {
  Painted p("command C\n  circle 200 300 50 fill=#ff0000\n  arc 500 300 100 0 90 stroke=#0000ff width=6\nend\n");
  p.play("C");
  EXPECT_TRUE(is_colour(p.at(200, 300), red));
  EXPECT_TRUE(is_colour(p.at(160, 340), background));      // corner of the bounding box
  EXPECT_TRUE(is_colour(p.at(570.7, 370.7), blue));        // 45 degrees: counter-clockwise from +x, y up
  EXPECT_TRUE(is_colour(p.at(429.3, 229.3), background));  // 225 degrees: not on the arc
  EXPECT_TRUE(is_colour(p.at(500, 300), background));
}

TEST(Render, TextAppearsUprightAndAligned) {
  Painted p(
      "command T\n  text 100 100 \"L\" size=200\n"
      "  text 700 400 \"right\" size=30 align=right\n"
      "  text 400 500 \"mid\" size=30 align=center weight=bold\nend\n");
  p.play("T");
  // An upright L: the stem on the left, the bar at the bottom (just above
  // the baseline), nothing at the top right.
  EXPECT_GT(p.dark_pixels(115, 110, 135, 240), 300);  // the stem
  EXPECT_GT(p.dark_pixels(140, 102, 200, 115), 300);  // the bar
  EXPECT_EQ(p.dark_pixels(150, 150, 220, 240), 0);
  EXPECT_GT(p.dark_pixels(600, 395, 700, 425), 100);  // ends at x = 700
  EXPECT_EQ(p.dark_pixels(700, 395, 800, 425), 0);
  EXPECT_GT(p.dark_pixels(350, 495, 400, 525), 50);  // either side of x = 400
  EXPECT_GT(p.dark_pixels(400, 495, 450, 525), 50);
}

TEST(Render, TextFromATextVariable) {
  Painted p("layer L\n  text MASS\nend\ncommand T\n  text 100 300 $MASS size=30\nend\n");
  Text mass;
  set_text(mass, "");
  p.bind("L", "MASS", &mass);
  p.play("T");
  EXPECT_EQ(p.dark_pixels(90, 290, 300, 330), 0);
  set_text(mass, "1250 kg");
  p.play("T");
  EXPECT_GT(p.dark_pixels(90, 290, 300, 330), 100);
}

TEST(Render, TextWithEightBitCharactersStillDraws) {
  Painted p("layer L\n  text T\nend\ncommand T\n  text 100 300 $T size=30\n  rect 0 0 50 50 fill=#ff0000\nend\n");
  Text t;
  set_text(t, "\xE9t\xE9 \xFF");  // Latin-1, not UTF-8
  p.bind("L", "T", &t);
  p.play("T");
  EXPECT_GT(p.dark_pixels(90, 290, 300, 330), 50);
  EXPECT_TRUE(is_colour(p.at(25, 25), red));  // later operations still paint
}

TEST(Render, GroupTranslatesByAPointVariable) {
  Painted p(
      "layer L\n  point POS\nend\ncommand G\n  clear 0 0 800 600\n  group translate=$POS\n    rect 0 0 40 40 "
      "fill=#ff0000\n  end\nend\n");
  Point pos{300, 200};
  p.bind("L", "POS", &pos);
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(320, 220), red));
  pos = {500, 400};
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(320, 220), background));
  EXPECT_TRUE(is_colour(p.at(520, 420), red));
}

TEST(Render, ZeroScaleHidesAndNegativeScaleTurnsOver) {
  Painted p(
      "layer L\n  scale S\nend\ncommand G\n  clear 0 0 800 600\n  group translate=400,300 scale=$S\n    rect 0 "
      "-10 100 10 fill=#ff0000\n  end\nend\n");
  std::array<float, 2> s{1.0F, 1.0F};
  p.bind("L", "S", s.data());
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(450, 300), red));
  s = {0.0F, 0.0F};
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(450, 300), background));
  s = {1.0F, 0.0F};  // one zero component is enough
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(450, 300), background));
  s = {-1.0F, 1.0F};
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(450, 300), background));
  EXPECT_TRUE(is_colour(p.at(350, 300), red));
  s = {0.5F, 1.0F};
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(420, 300), red));
  EXPECT_TRUE(is_colour(p.at(480, 300), background));
}

TEST(Render, RotationTurnsAboutTheOrigin) {
  Painted p(
      "layer L\n  float ANGLE\nend\ncommand G\n  clear 0 0 800 600\n  group rotate=$ANGLE origin=400,300\n    "
      "rect 400 295 500 305 fill=#ff0000\n  end\nend\n");
  float angle = 0.0F;
  p.bind("L", "ANGLE", &angle);
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(480, 300), red));
  angle = 90.0F;  // counter-clockwise: the bar now points up
  p.play("G");
  EXPECT_TRUE(is_colour(p.at(480, 300), background));
  EXPECT_TRUE(is_colour(p.at(400, 380), red));
  EXPECT_TRUE(is_colour(p.at(400, 220), background));
}

TEST(Render, ColourIndexSwitchesColourThroughThePalette) {
  Painted p(
      "palette 3 #9aa5b1\npalette 4 #2f9e44\nlayer L\n  colour MARK\nend\ncommand M\n  rect 100 100 200 200 "
      "fill=$MARK\nend\n");
  std::int32_t mark = 3;
  p.bind("L", "MARK", &mark);
  p.play("M");
  EXPECT_TRUE(is_colour(p.at(150, 150), 0x9AA5B1));
  mark = 4;
  p.play("M");
  EXPECT_TRUE(is_colour(p.at(150, 150), 0x2F9E44));
  mark = 77;  // no such index: opaque black
  p.play("M");
  EXPECT_TRUE(is_colour(p.at(150, 150), 0x000000));
}

TEST(Render, ChooseDrawsTheMatchingCaseOrElse) {
  Painted p(
      "layer L\n  int16 MODE\nend\ncommand C\n  clear 0 0 800 600\n  choose $MODE\n    case 1 2\n      rect 0 "
      "0 100 100 fill=#ff0000\n    end\n    case 3\n      rect 200 0 300 100 fill=#ff0000\n    end\n    else\n "
      "     rect 400 0 500 100 fill=#ff0000\n    end\n  end\nend\n");
  std::int16_t mode = 2;
  p.bind("L", "MODE", &mode);
  p.play("C");
  EXPECT_TRUE(is_colour(p.at(50, 50), red));
  EXPECT_TRUE(is_colour(p.at(250, 50), background));
  EXPECT_TRUE(is_colour(p.at(450, 50), background));
  mode = 3;
  p.play("C");
  EXPECT_TRUE(is_colour(p.at(50, 50), background));
  EXPECT_TRUE(is_colour(p.at(250, 50), red));
  mode = 9;
  p.play("C");
  EXPECT_TRUE(is_colour(p.at(250, 50), background));
  EXPECT_TRUE(is_colour(p.at(450, 50), red));
}

TEST(Render, SceneStateSetByOneCommandIsChosenByAnother) {
  Painted p(
      "state VIEW 0\n"
      "command NORMAL\n  set VIEW 0\nend\ncommand PLOT\n  set VIEW 2\nend\n"
      "command SHOW\n  clear 0 0 800 600\n  choose $VIEW\n    case 0\n      rect 0 0 100 100 fill=#ff0000\n    "
      "end\n    case 2\n      rect 200 0 300 100 fill=#0000ff\n    end\n  end\nend\n");
  p.play("SHOW");
  EXPECT_TRUE(is_colour(p.at(50, 50), red));
  p.play("PLOT");
  EXPECT_EQ(p.canvas().states().at(0), 2);
  p.play("SHOW");
  EXPECT_TRUE(is_colour(p.at(50, 50), background));
  EXPECT_TRUE(is_colour(p.at(250, 50), blue));
  p.play("NORMAL");
  p.play("SHOW");
  EXPECT_TRUE(is_colour(p.at(50, 50), red));
}

TEST(Render, PenJoinsSuccessivePositionsAndLiftsOnAJumpBack) {
  Painted p("layer L\n  point PEN\nend\ncommand P\n  pen $PEN stroke=#0000ff width=4\nend\n");
  Point pen{100, 100};
  p.bind("L", "PEN", &pen);
  p.play("P");
  pen = {200, 200};
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(150, 150), blue));
  pen = {50, 300};  // jumps back: no segment from (200, 200)
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(125, 250), background));
  pen = {150, 300};
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(100, 300), blue));
}

TEST(Render, PenLiftsOutsideTheScene) {
  Painted p("layer L\n  point PEN\nend\ncommand P\n  pen $PEN stroke=#0000ff width=4\nend\n");
  Point pen{100, 100};
  p.bind("L", "PEN", &pen);
  p.play("P");
  pen = {200, -200};  // hidden below the scene
  p.play("P");
  pen = {300, 100};
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(150, 0.5), background));
  EXPECT_TRUE(is_colour(p.at(200, 100), background));  // no segment from (100, 100) to (300, 100)
  pen = {400, 100};
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(350, 100), blue));
}

TEST(Render, PenTrailSurvivesARepaintAndErasePensForgetsIt) {
  Painted p(
      "layer L\n  point PEN\nend\n"
      "command P\n  clear 0 0 800 600\n  pen $PEN stroke=#0000ff width=4\nend\n"
      "command ERASE\n  erase-pens\nend\n");
  Point pen{100, 100};
  p.bind("L", "PEN", &pen);
  p.play("P");
  pen = {300, 100};
  p.play("P");
  pen = {500, 100};
  p.play("P");  // clears, then draws the whole trail again
  EXPECT_TRUE(is_colour(p.at(200, 100), blue));
  EXPECT_TRUE(is_colour(p.at(400, 100), blue));
  p.play("ERASE");
  pen = {600, 100};
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(200, 100), background));
  EXPECT_TRUE(is_colour(p.at(550, 100), background));
  pen = {700, 100};
  p.play("P");
  EXPECT_TRUE(is_colour(p.at(650, 100), blue));
}

TEST(Canvas, APlayThatWouldPaintTheSameIsSkipped) {
  Painted p(
      "layer L\n  point POS\nend\ncommand A\n  group translate=$POS\n    rect 0 0 10 10 fill=#ff0000\n  "
      "end\nend\ncommand B\n  rect 0 0 5 5\nend\n");
  Point pos{100, 100};
  p.bind("L", "POS", &pos);
  EXPECT_TRUE(p.play("A"));
  (void)p.canvas().take_damage();
  EXPECT_FALSE(p.play("A"));
  EXPECT_FALSE(p.play("A"));
  EXPECT_TRUE(p.canvas().take_damage().empty());
  pos.x = 101;
  EXPECT_TRUE(p.play("A"));
  const DeviceRect damage = p.canvas().take_damage();
  EXPECT_FALSE(damage.empty());
  EXPECT_LT(damage.width(), 20);  // only what the play painted
  EXPECT_TRUE(p.play("B"));
  EXPECT_TRUE(p.play("A"));  // B painted in between
  EXPECT_EQ(p.canvas().counts().skipped, 2U);
}

TEST(Canvas, ResizeRepaintsSharplyAtTheNewSize) {
  Painted p(
      "layer L\n  text T\nend\ncommand BACK\n  rect 0 0 800 600 fill=#ff0000\nend\n"
      "command FRONT\n  clear 100 100 300 200\n  text 110 120 $T size=40\nend\n");
  Text t;
  set_text(t, "Hello");
  p.bind("L", "T", &t);
  p.play("BACK");
  p.play("FRONT");
  set_text(t, "");  // the canvas shows what was read at the play
  p.canvas().resize(1600, 1200);
  EXPECT_DOUBLE_EQ(p.canvas().view().scale(), 2.0);
  EXPECT_TRUE(is_colour(p.at(50, 50), red));
  EXPECT_TRUE(is_colour(p.at(290, 190), background));
  EXPECT_GT(p.dark_pixels(105, 110, 295, 170), 1000);
  p.canvas().resize(1000, 600);  // letterboxed
  EXPECT_TRUE(is_colour(p.at(50, 50), red));
  EXPECT_FALSE(near(p.device(50, 300), red));
}

TEST(Canvas, PlaysPaintedOverAreDropped) {
  Painted p(
      "layer L\n  point AT\nend\ncommand DECOR\n  rect 0 0 800 600 fill=#ff0000\nend\n"
      "command MOVE\n  clear 100 100 300 300\n  group translate=$AT\n    rect 100 150 140 200 fill=#0000ff\n  "
      "end\nend\n");
  Point at{0.0F, 0.0F};
  p.bind("L", "AT", &at);
  p.play("DECOR");
  for (int i = 0; i < 100; ++i) {
    at.x = static_cast<float>(i);
    p.play("MOVE");
  }
  EXPECT_EQ(p.canvas().retained(), 2U);  // DECOR and the last MOVE
  p.canvas().resize(400, 300);
  EXPECT_TRUE(is_colour(p.at(210, 175), blue));
  EXPECT_TRUE(is_colour(p.at(150, 175), background));
  EXPECT_TRUE(is_colour(p.at(500, 500), red));
  p.play("DECOR");  // covers everything
  EXPECT_EQ(p.canvas().retained(), 1U);
}

TEST(Canvas, PlaysPaintedOverAreDroppedAtAFractionalScale) {
  Painted p(
      "layer L\n  point AT\nend\ncommand MOVE\n  clear 100.3 100.7 300.2 300.9\n  group translate=$AT\n    "
      "rect 100 150 140 200 fill=#0000ff\n  end\nend\n",
      1088, 816);
  Point at{0.0F, 0.0F};
  p.bind("L", "AT", &at);
  for (int i = 0; i < 50; ++i) {
    at.x = static_cast<float>(i);
    p.play("MOVE");
  }
  EXPECT_EQ(p.canvas().retained(), 1U);
}

TEST(Canvas, APlayIsDroppedWhenLaterClearsCoverItPieceByPiece) {
  Painted p(
      "command TWO\n  rect 100 100 150 150 fill=#ff0000\n  rect 500 100 550 150 fill=#ff0000\nend\n"
      "command LEFT\n  clear 90 90 160 160\nend\n"
      "command RIGHT\n  clear 490 90 520 160\nend\n"
      "command REST\n  clear 520 90 560 160\nend\n");
  p.play("TWO");
  p.play("LEFT");
  EXPECT_EQ(p.canvas().retained(), 2U);  // TWO still shows on the right
  p.play("RIGHT");
  EXPECT_EQ(p.canvas().retained(), 3U);
  p.play("REST");  // the last piece of TWO
  EXPECT_EQ(p.canvas().retained(), 3U);
  EXPECT_EQ(p.canvas().counts().culled, 1U);
  p.canvas().resize(1600, 1200);
  EXPECT_TRUE(is_colour(p.at(125, 125), background));
  EXPECT_TRUE(is_colour(p.at(525, 125), background));
}

TEST(SceneRect, SubtractLeavesWhatSticksOut) {
  std::vector<SceneRect> boxes{{0, 0, 10, 10}};
  subtract(boxes, SceneRect{2, 2, 8, 8}, 0.0);  // a hole: four pieces around it
  double area = 0;
  for (const SceneRect& b : boxes) area += (b.x1 - b.x0) * (b.y1 - b.y0);
  EXPECT_DOUBLE_EQ(area, 100.0 - 36.0);
  subtract(boxes, SceneRect{-1, -1, 11, 5}, 0.0);
  subtract(boxes, SceneRect{-1, 5, 11, 11}, 0.0);
  EXPECT_TRUE(boxes.empty());
}

TEST(Canvas, OldestPlaysAreFlattenedPastTheLimit) {
  Painted p("layer L\n  point PEN\nend\ncommand P\n  pen $PEN stroke=#0000ff width=4\nend\n");
  p.canvas().set_retain_limit(4);
  Point pen{100, 100};
  p.bind("L", "PEN", &pen);
  for (int i = 0; i < 10; ++i) {
    pen = {100.0F + 50.0F * static_cast<float>(i), 100.0F};
    p.play("P");
  }
  EXPECT_EQ(p.canvas().retained(), 4U);
  EXPECT_GT(p.canvas().counts().flattened, 0U);
  p.canvas().resize(1600, 1200);
  EXPECT_TRUE(is_colour(p.at(125, 100), blue));
  EXPECT_TRUE(is_colour(p.at(525, 100), blue));
}

TEST(Canvas, MessagesAreShownAndKeptAcrossResizes) {
  Painted p("command NOTHING\nend\n");
  p.canvas().show_messages({"The scene could not be loaded:", "LIFT.ANM:3:1: unknown statement `x`"});
  EXPECT_GT(p.dark_pixels(0, 540, 400, 600), 100);
  p.canvas().resize(1200, 900);
  EXPECT_GT(p.dark_pixels(0, 540, 400, 600), 100);
}

}  // namespace
}  // namespace vismo
