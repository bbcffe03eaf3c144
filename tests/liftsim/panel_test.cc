// The control panel poll: which request each press raises, the strict and
// the inclusive edges, and the wait for the release.
#include <set>
#include <string>

#include "lift_fixture.h"
#include "named_case.h"

namespace {

using named_case::PrintTo;

struct NamedFlag {
  const char* name;
  byte* flag;
};

const NamedFlag request_flags[] = {
    {"banner", &banner_request},
    {"options", &options_request},
    {"erase", &erase_request},
    {"symbols", &symbols_request},
    {"reset", &reset_request},
    {"pause", &pause_request},
    {"resume", &resume_request},
    {"slower", &slower_request},
    {"faster", &faster_request},
    {"echelon", &echelon_request},
    {"trapeze", &trapeze_request},
    {"accel_down", &accel_down_request},
    {"accel_up", &accel_up_request},
    {"load_down", &load_down_request},
    {"load_up", &load_up_request},
    {"counterweight_down", &counterweight_down_request},
    {"counterweight_up", &counterweight_up_request},
    {"friction_down", &friction_down_request},
    {"friction_up", &friction_up_request},
    {"lever_down", &lever_down_request},
    {"lever_up", &lever_up_request},
};

std::set<std::string> raised() {
  std::set<std::string> names;
  for (const auto& f : request_flags) {
    if (*f.flag != 0) names.insert(f.name);
  }
  return names;
}

struct PressCase {
  const char* name;
  int x, y, buttons;
  std::set<std::string> requests;
  int polls;  // VisMouse calls made by the poll: 1, or 2 when it waited out a release
};

class Press : public Lift, public ::testing::WithParamInterface<PressCase> {};

TEST_P(Press, RaisesItsRequestsForOnePass) {
  const PressCase& c = GetParam();
  start();
  rt.polls = 0;
  rt.press(c.x, c.y, c.buttons);
  rt.press(c.x, c.y, 0);
  poll_control_panel();
  EXPECT_EQ(raised(), c.requests);
  EXPECT_EQ(rt.polls, c.polls);
  // The next pass rewrites every flag.
  poll_control_panel();
  EXPECT_TRUE(raised().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Panel, Press,
    ::testing::Values(
        PressCase{"banner", 670, 579, 1, {"banner"}, 2},
        PressCase{"options_held_does_not_wait", 690, 80, 1, {"options"}, 1},
        PressCase{"erase_raises_options_too", 663, 106, 1, {"options", "erase"}, 2},
        PressCase{"pause", 733, 106, 1, {"pause"}, 2},
        PressCase{"slower", 733, 79, 1, {"slower"}, 2},
        PressCase{"faster", 776, 79, 1, {"faster"}, 2},
        PressCase{"symbols", 757, 40, 1, {"symbols"}, 2},
        PressCase{"echelon", 674, 529, 1, {"echelon"}, 2},
        PressCase{"trapeze", 768, 529, 1, {"trapeze"}, 2},
        PressCase{"accel_down", 674, 469, 1, {"accel_down"}, 2},
        PressCase{"accel_up", 768, 469, 1, {"accel_up"}, 2},
        PressCase{"load_down", 674, 389, 1, {"load_down"}, 2},
        PressCase{"load_up", 768, 389, 1, {"load_up"}, 2},
        PressCase{"counterweight_down", 674, 329, 1, {"counterweight_down"}, 2},
        PressCase{"counterweight_up", 768, 329, 1, {"counterweight_up"}, 2},
        PressCase{"friction_down", 674, 269, 1, {"friction_down"}, 2},
        PressCase{"friction_up", 768, 269, 1, {"friction_up"}, 2},
        PressCase{"lever_down", 672, 158, 1, {"lever_down"}, 2},
        PressCase{"lever_up", 772, 158, 1, {"lever_up"}, 2},
        PressCase{"reset", 685, 42, 1, {"reset"}, 2},
        PressCase{"unmarked_button_is_only_waited_out", 750, 579, 1, {}, 2},
        // Left presses need to be strictly inside.
        PressCase{"banner_left_edge", 658, 579, 1, {}, 1},
        PressCase{"banner_right_edge", 682, 579, 1, {}, 1},
        PressCase{"lever_up_top_edge", 772, 172, 1, {}, 1},
        PressCase{"outside_every_button", 300, 300, 1, {}, 1},
        // Right presses: edges count as inside the pause button.
        PressCase{"right_on_pause_edge", 726, 106, 2, {}, 1},
        PressCase{"right_inside_pause", 733, 106, 2, {}, 1},
        PressCase{"right_elsewhere_resumes", 300, 300, 2, {"resume"}, 1},
        PressCase{"right_on_a_setting_button", 768, 389, 2, {"resume"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lift, OneClickRaisesExactlyOneRequestAfterItsRelease) {
  start();
  rt.polls = 0;
  // Held for three polls, released at another place.
  rt.press(772, 158, 1, 3);
  rt.press(10, 10, 0);
  poll_control_panel();
  EXPECT_EQ(raised(), std::set<std::string>{"lever_up"});
  EXPECT_EQ(rt.polls, 4);
  EXPECT_EQ(mouse_buttons, 0);
  EXPECT_EQ(mouse_x, 10);
  EXPECT_EQ(mouse_y, 10);
}

struct SingleStepCase {
  const char* name;
  std::vector<recording::Mouse> presses;  // each followed by a release
  byte mode;
};

class SingleStepButton : public Lift, public ::testing::WithParamInterface<SingleStepCase> {};

TEST_P(SingleStepButton, ModeFollowsLeftClicksOnItAndRightPressesOutside) {
  start();
  for (const auto& m : GetParam().presses) {
    rt.press(m.x, m.y, m.buttons);
    rt.press(m.x, m.y, 0);
    poll_control_panel();
  }
  EXPECT_EQ(single_step_mode, GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(
    Panel, SingleStepButton,
    ::testing::Values(SingleStepCase{"left_click_sets", {{776, 106, 1}}, 1},
                      SingleStepCase{"second_click_keeps", {{776, 106, 1}, {776, 106, 1}}, 1},
                      SingleStepCase{"right_on_its_edge_keeps", {{776, 106, 1}, {769, 98, 2}}, 1},
                      SingleStepCase{"right_outside_ends", {{776, 106, 1}, {733, 106, 2}}, 0},
                      SingleStepCase{"left_elsewhere_keeps", {{776, 106, 1}, {300, 300, 1}}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
