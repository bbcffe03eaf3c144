// Force vectors, the setting texts, the energy table and the energy plot.
#include <cstring>
#include <string>

#include "lift_fixture.h"
#include "named_case.h"

namespace {

using named_case::PrintTo;

struct FormatCase {
  double value;
  const char* format;
  const char* text;
};

class Format : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Format, WritesTheTextAndItsLength) {
  const FormatCase& c = GetParam();
  scene_text t{};
  std::memset(&t, 0x55, sizeof t);
  format_number(t, c.format, c.value);
  EXPECT_EQ(text_of(t), c.text);
  EXPECT_EQ(t.length, std::strlen(c.text));
  EXPECT_EQ(t.chars[t.length], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Readouts, Format,
    ::testing::Values(FormatCase{100, "%3.0f", "100"}, FormatCase{50, "%3.0f", " 50"},
                      FormatCase{0, "%3.0f", "  0"}, FormatCase{1000, "%3.0f", "1000"},
                      FormatCase{-1234.4, "%3.0f", "-1234"}, FormatCase{1, "%3.1f", "1.0"},
                      FormatCase{0, "%3.2f", "0.00"}, FormatCase{2.347, "%3.2f", "2.35"},
                      // Exact halves go away from zero, where printf would round to even.
                      FormatCase{2452.5, "%3.0f", "2453"}, FormatCase{0.5, "%3.0f", "  1"},
                      FormatCase{2.5, "%3.0f", "  3"}, FormatCase{-2.5, "%3.0f", " -3"},
                      FormatCase{3433.5, "%3.0f", "3434"},
                      // Not a tie: the double just below a half rounds down.
                      FormatCase{2452.4999999999995, "%3.0f", "2452"},
                      // A negative value that rounds to zero keeps its sign.
                      FormatCase{-0.3, "%3.0f", " -0"}, FormatCase{-0.0, "%3.0f", " -0"}));

TEST(FormatNumber, ResultLongerThanTheTextIsCutAtItsCapacity) {
  scene_text t[2]{};
  std::memset(&t[1], 0x55, sizeof t[1]);
  format_number(t[0], "%3.0f", 1e200);
  EXPECT_EQ(t[0].length, scene_text_capacity);
  EXPECT_EQ(t[0].chars[scene_text_capacity], '\0');
  EXPECT_EQ(text_of(t[0]).find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(t[1].length, 0x55) << "the text next to it was overwritten";
}

// Force vectors: the same float in x and y, zero when the option is off.
struct VectorCase {
  const char* name;
  std::int16_t show_motor, show_cabin, show_friction, show_counterweight;
  double motor, dir, spd, friction, weight, counterweight;
  scene_scale motor_scale, friction_scale, cabin_scale, counterweight_scale;
};

class Vectors : public Lift, public ::testing::WithParamInterface<VectorCase> {};

TEST_P(Vectors, FollowOptionsForcesAndDirection) {
  const VectorCase& c = GetParam();
  show_motor_force = c.show_motor;
  show_cabin_weight = c.show_cabin;
  show_friction_force = c.show_friction;
  show_counterweight_weight = c.show_counterweight;
  motor_force = c.motor;
  direction = c.dir;
  speed = c.spd;
  friction_force = c.friction;
  cabin_weight = c.weight;
  counterweight_mass = c.counterweight;
  update_force_vectors();
  auto expect_scale = [](const char* what, scene_scale got, scene_scale want) {
    EXPECT_EQ(got.x, want.x) << what;
    EXPECT_EQ(got.y, want.y) << what;
  };
  expect_scale("motor", TALMOT, c.motor_scale);
  expect_scale("friction", TALFROT, c.friction_scale);
  expect_scale("cabin weight", TALPOIDT, c.cabin_scale);
  expect_scale("counterweight weight", TALKPOID, c.counterweight_scale);
}

constexpr float f(double v) {
  return static_cast<float>(v);
}

INSTANTIATE_TEST_SUITE_P(
    Readouts, Vectors,
    ::testing::Values(
        VectorCase{"all_off", 0, 0, 0, 0, 1981, 1, 1, 500, 2943, 200, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
        VectorCase{"before_first_travel", 1, 1, 1, 1, 0, 0, 0, 500, 2943, 300,
                   {0, 0}, {0, 0}, {f(0.5886), f(0.5886)}, {f(0.5886), f(0.5886)}},
        VectorCase{"moving_up", 1, 0, 1, 1, 1481, 1, 2, 500, 2943, 200,
                   {f(1481 * 0.0002), f(1481 * 0.0002)}, {f(0.1), f(0.1)}, {0, 0}, {f(0.3924), f(0.3924)}},
        VectorCase{"stopped_after_going_up", 0, 0, 1, 0, 0, 1, 0, 500, 2943, 200,
                   {0, 0}, {0, f(0.1)}, {0, 0}, {0, 0}},
        VectorCase{"moving_down_turns_motor_over", 1, 0, 1, 0, 19, -1, 1, 500, 2943, 200,
                   {f(-19 * 0.0002), f(-19 * 0.0002)}, {f(-0.1), f(-0.1)}, {0, 0}, {0, 0}},
        VectorCase{"braking_down_points_up", 1, 0, 0, 0, -481, -1, 2, 500, 2943, 200,
                   {f(481 * 0.0002), f(481 * 0.0002)}, {0, 0}, {0, 0}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

class EnergyTable : public Lift {
 protected:
  void show_table() {
    energy_table_state = 1;
    update_energy_table();
  }
};

TEST_F(EnergyTable, ParameterTextsFollowTheSettings) {
  start();
  click(spot::accel_up);
  click(spot::load_down);
  click(spot::counterweight_down);
  click(spot::counterweight_down);
  click(spot::friction_up);
  click(spot::friction_up);
  click(spot::friction_up);
  click(spot::friction_up);
  click(spot::friction_up);
  pass(9);
  EXPECT_EQ(text_of(AXELP), "3.0");
  EXPECT_EQ(text_of(MASSP), " 50");
  EXPECT_EQ(text_of(MASKP), "  0");
  EXPECT_EQ(text_of(FROTP), "1000");
}

TEST_F(EnergyTable, TableShowsItsFiguresInThePassItIsShown) {
  start();
  rt.clear();
  show_table();
  EXPECT_EQ(energy_table_state, 2);
  EXPECT_EQ(energy_table_visible, 1);
  EXPECT_EQ(TALNUM.x, 1.0F);
  EXPECT_EQ(TALNUM.y, 1.0F);
  EXPECT_EQ(execs(), (std::vector<std::string>{"DECOR", "ECHELON", "CHGE", "CADRVAL", "MANETE"}));
  EXPECT_EQ(text_of(B1), "0.00");
  EXPECT_EQ(text_of(B2), "  0");
  EXPECT_EQ(text_of(B3), "2943");
  EXPECT_EQ(text_of(B4), "1962");
  EXPECT_EQ(text_of(B6), "  0");
  EXPECT_EQ(B5.length, 0);
}

struct WeightCase {
  int load_clicks_down, load_clicks_up;
  const char* text;
};

class CabinWeightFigure : public EnergyTable, public ::testing::WithParamInterface<WeightCase> {};

TEST_P(CabinWeightFigure, RoundsHalvesUp) {
  start();
  for (int i = 0; i < GetParam().load_clicks_down; ++i) click(spot::load_down);
  for (int i = 0; i < GetParam().load_clicks_up; ++i) click(spot::load_up);
  pass(GetParam().load_clicks_down + GetParam().load_clicks_up);
  show_table();
  EXPECT_EQ(text_of(B3), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Readouts, CabinWeightFigure,
                         ::testing::Values(WeightCase{2, 0, "1962"}, WeightCase{1, 0, "2453"},
                                           WeightCase{0, 0, "2943"}, WeightCase{0, 1, "3434"},
                                           WeightCase{0, 2, "3924"}));

TEST_F(EnergyTable, HiddenFiguresKeepTheirTextsUntilShownAgain) {
  start();
  show_table();
  click(spot::lever_up);
  pass(1000);
  const std::string during = text_of(B6);
  energy_table_state = 0;
  rt.clear();
  update_energy_table();
  EXPECT_EQ(TALNUM.x, 0.0F);
  EXPECT_EQ(count("CADRVAL"), 0);
  EXPECT_EQ(count("DECOR"), 1);
  run_until_rest();
  EXPECT_EQ(text_of(B6), during);
  show_table();
  EXPECT_NE(text_of(B6), during);
  EXPECT_EQ(text_of(B1), "5.00");
}

TEST_F(EnergyTable, TableFiguresDuringATravel) {
  start();
  show_table();
  click(spot::lever_up);
  pass();
  EXPECT_EQ(text_of(B1), "0.00");
  EXPECT_EQ(text_of(B2), "1981");
  run_until_rest();
  EXPECT_EQ(text_of(B2), "  0");
  EXPECT_NE(text_of(B6), "  0");
}

TEST_F(EnergyTable, SlightlyNegativeMotorForceShowsMinusZero) {
  start();
  show_table();
  motor_force = -0.4;
  update_energy_table();
  EXPECT_EQ(text_of(B2), " -0");
}

// The energy plot's pens.
class Plot : public Lift {
 protected:
  void curves(bool motoring, bool braking) {
    motoring_plot_on = motoring ? 1 : 0;
    motoring_plot_off = motoring ? 0 : 1;
    braking_plot_on = braking ? 1 : 0;
    braking_plot_off = braking ? 0 : 1;
  }
};

TEST_F(Plot, BothCurvesOffHidesThePensAndPlaysNothing) {
  start();
  click(spot::lever_up);
  for (int i = 0; i < 300; ++i) {
    pass();
    ASSERT_EQ(POSPNTR.y, -200.0F);
    ASSERT_EQ(POSPNTP.y, -200.0F);
  }
  EXPECT_EQ(count("TRACE") + count("AXES"), 0);
}

TEST_F(Plot, MotoringCurveOnAtRest) {
  start();
  curves(true, false);
  update_energy_plot();
  EXPECT_EQ(POSPNTR.x, 250.0F);
  EXPECT_EQ(POSPNTR.y, 51.0F);
  EXPECT_EQ(POSPNTP.y, -200.0F);
  EXPECT_EQ(POSPNTT.y, 0.0F);
  EXPECT_EQ(execs(), (std::vector<std::string>{"TRACE", "DECOR", "ECHELON", "CHGE", "AXES", "MANETE"}));
  rt.clear();
  curves(true, true);
  update_energy_plot();
  EXPECT_TRUE(execs().empty());
  EXPECT_EQ(POSPNTP.y, 51.0F);
  curves(false, false);
  update_energy_plot();
  EXPECT_EQ(execs(), (std::vector<std::string>{"DECOR", "ECHELON", "CHGE", "MANETE"}));
  EXPECT_EQ(trace_shown, 0);
}

struct AxisCase {
  const char* name;
  int launch_code;
  float advance;
};

class TimeAxis : public Plot, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(TimeAxis, AdvancesWithSimulatedTimeAwayFromTheLandings) {
  start(GetParam().launch_code);
  EXPECT_EQ(static_cast<float>(time_step * 0.05), GetParam().advance);
  curves(true, true);
  click(spot::lever_up);
  int grew = 0;
  do {
    const float before = POSPNTP.x;
    pass();
    ASSERT_EQ(POSPNTR.x, POSPNTP.x);
    ASSERT_EQ(POSPNTT.x, POSPNTP.x);
    ASSERT_EQ(POSPNTT.y, 0.0F);
    if (position <= 0.01 || position >= 5.99) {
      ASSERT_EQ(POSPNTP.x, 250.0F) << "at " << position;
    } else {
      ASSERT_EQ(POSPNTP.x, static_cast<float>(before + time_step * 0.05)) << "at " << position;
      ++grew;
    }
  } while (moving_up != 0);
  EXPECT_GT(grew, 1000);
  EXPECT_GT(POSPNTR.y, 51.0F);
}

INSTANTIATE_TEST_SUITE_P(Readouts, TimeAxis,
                         ::testing::Values(AxisCase{"full_speed", 1000, 0.05F}, AxisCase{"half_speed", 1010, 0.025F}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Plot, TimeAxisStandsStillWhilePaused) {
  start();
  curves(true, false);
  click(spot::lever_up);
  pass(1000);
  click(spot::pause);
  pass();
  const float x = POSPNTP.x;
  pass(50);
  EXPECT_EQ(POSPNTP.x, x);
  EXPECT_GT(x, 250.0F);
}

}  // namespace
