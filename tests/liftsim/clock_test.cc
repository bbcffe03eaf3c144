// The simulation clock: pause, resume, the nine levels and the needle, and
// the single-step wait.
#include <cmath>

#include "lift_fixture.h"
#include "named_case.h"

namespace {

using named_case::PrintTo;

// A click of the panel: left on a button, or a right press elsewhere.
struct Action {
  Spot at;
  int buttons;
};
constexpr Action pause{spot::pause, 1};
constexpr Action resume{spot::nowhere, 2};
constexpr Action slower{spot::slower, 1};
constexpr Action faster{spot::faster, 1};

struct ClockCase {
  const char* name;
  int launch_code;
  std::vector<Action> actions;  // one pass each
  int level;
  float time_step, saved_time_step, needle;
  std::vector<std::string> commands;  // "STOP" and "CLOCK" played, in order
};

class Clock : public Lift, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(Clock, FollowsItsButtons) {
  const ClockCase& c = GetParam();
  start(c.launch_code);
  for (const Action& a : c.actions) {
    rt.press(a.at.x, a.at.y, a.buttons);
    rt.press(a.at.x, a.at.y, 0);
    pass();
  }
  EXPECT_EQ(time_scale_level, c.level);
  EXPECT_EQ(time_step, c.time_step);
  EXPECT_EQ(saved_time_step, c.saved_time_step);
  EXPECT_EQ(time_divisor, std::pow(2.0F, static_cast<float>(c.level)));
  EXPECT_EQ(ROTAIGU, c.needle);
  std::vector<std::string> clock_commands;
  for (const auto& e : execs()) {
    if (e == "STOP" || e == "CLOCK") clock_commands.push_back(e);
  }
  EXPECT_EQ(clock_commands, c.commands);
}

INSTANTIATE_TEST_SUITE_P(
    Panel, Clock,
    ::testing::Values(
        ClockCase{"pause", 1000, {pause}, 0, 0.0F, 1.0F, 0.0F, {"STOP"}},
        ClockCase{"pause_when_paused_plays_nothing", 1010, {pause, pause}, 1, 0.0F, 0.5F, 22.5F, {"STOP"}},
        ClockCase{"resume_after_pause", 1020, {pause, resume}, 2, 0.25F, 0.25F, 45.0F, {"STOP", "CLOCK"}},
        ClockCase{"pause_twice_then_resume", 1030, {pause, pause, resume}, 3, 0.125F, 0.125F, 67.5F,
                  {"STOP", "CLOCK"}},
        ClockCase{"resume_while_running_replays_clock", 1000, {resume}, 0, 1.0F, 1.0F, 0.0F, {"CLOCK"}},
        ClockCase{"two_slower", 1234, {slower, slower}, 5, 0.03125F, 0.03125F, 112.5F, {"CLOCK", "CLOCK"}},
        ClockCase{"faster", 1030, {faster}, 2, 0.25F, 0.25F, 45.0F, {"CLOCK"}},
        ClockCase{"slower_at_eight_does_nothing", 1080, {slower}, 8, 1.0F / 256, 1.0F / 256, 180.0F, {}},
        ClockCase{"faster_at_zero_does_nothing", 1000, {faster}, 0, 1.0F, 1.0F, 0.0F, {}},
        ClockCase{"nine_from_launch_stays_on_slower", 1090, {slower}, 9, 1.0F / 512, 1.0F / 512, 202.5F, {}},
        ClockCase{"nine_from_launch_goes_to_eight", 1090, {faster}, 8, 1.0F / 256, 1.0F / 256, 180.0F, {"CLOCK"}},
        ClockCase{"speed_change_ends_a_pause", 1020, {pause, faster}, 1, 0.5F, 0.5F, 22.5F, {"STOP", "CLOCK"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lift, HeldRightPressReplaysClockOnEveryPass) {
  start();
  rt.press(300, 300, 2, 4);
  pass(4);
  EXPECT_EQ(count("CLOCK"), 4);
}

TEST_F(Lift, SingleStepWithoutTravelWaitsForALeftPressOnEveryPass) {
  start();
  rt.idle_poll_limit = 100;
  click(spot::single_step);
  rt.press(300, 300, 0, 5);  // the wait polls through these
  rt.press(300, 300, 1);     // and ends on this press
  rt.press(300, 300, 0);     // read by the next pass's poll
  rt.press(300, 300, 1);     // which waits again until this one
  rt.polls = 0;
  pass();
  EXPECT_EQ(single_step_mode, 1);
  EXPECT_EQ(rt.polls, 8);  // the click, its release, five idle polls, the press
  pass();
  EXPECT_EQ(rt.polls, 10);
  EXPECT_EQ(count("LIFT"), 2);
}

TEST_F(Lift, SingleStepLetsPassesRunWhileTheLeftButtonIsHeld) {
  start();
  rt.idle_poll_limit = 100;
  click(spot::single_step);
  rt.press(300, 300, 1);
  pass();
  rt.polls = 0;
  rt.press(300, 300, 1, 20);
  pass(20);
  EXPECT_EQ(rt.polls, 20);
}

TEST_F(Lift, SingleStepDuringATravelStopsOncePerRedraw) {
  start();
  rt.idle_poll_limit = 100;
  click(spot::lever_up);
  pass(5);
  click(spot::single_step);
  pass();
  ASSERT_EQ(single_step_mode, 1);
  int waits = 0;
  for (int i = 0; i < 30; ++i) {
    // A pass waits when the previous one ended with a redraw of the lift.
    const bool waits_here = redraw_counter == 0.0;
    rt.press(300, 300, 0, waits_here ? 3 : 1);
    if (waits_here) rt.press(300, 300, 1);
    const long before = rt.polls;
    pass();
    EXPECT_EQ(rt.polls - before, waits_here ? 4 : 1) << "pass " << i;
    waits += waits_here ? 1 : 0;
  }
  EXPECT_EQ(waits, 3);
}

}  // namespace
