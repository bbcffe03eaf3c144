// The banner menu, erase, the options dialog with its marks, the legend,
// the reset, the layer refresh and the view that follows the options.
#include "lift_fixture.h"
#include "named_case.h"

namespace {

using named_case::PrintTo;

using Commands = std::vector<std::string>;

const Commands refresh_at_rest = {"DECOR", "ECHELON", "CHGE", "MANETE"};

Commands join(std::initializer_list<Commands> parts) {
  Commands all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class Menus : public Lift {
 protected:
  // Runs a pass that opens the options dialog, lets it poll `states` (one
  // poll each), then closes it with a right press; the next poll of the
  // script's idle state sees it released.
  void use_options_dialog(const std::vector<recording::Mouse>& states) {
    rt.press(spot::options.x, spot::options.y, 1);
    for (const auto& m : states) rt.press(m.x, m.y, m.buttons);
    rt.press(300, 300, 2);
    pass();
  }
};

struct BannerCase {
  const char* name;
  std::vector<recording::Mouse> choice;  // polled by the menu loop
  std::string played;
};

class Banner : public Menus, public ::testing::WithParamInterface<BannerCase> {};

TEST_P(Banner, PlaysTheChoiceThenRefreshes) {
  start();
  pass();  // the first pass plays the normal view
  rt.clear();
  click(spot::banner);
  rt.press(300, 300, 0, 3);  // the menu waits through idle polls
  for (const auto& m : GetParam().choice) rt.press(m.x, m.y, m.buttons);
  rt.press(300, 300, 0);
  const long polls_before = rt.polls;
  pass();
  EXPECT_EQ(execs(), join({{"BANDO", GetParam().played}, refresh_at_rest, {"LIFT"}}));
  // The click, its release, three idle polls, the choice, its release.
  EXPECT_EQ(rt.polls - polls_before, 2 + 3 + static_cast<long>(GetParam().choice.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, Banner,
    ::testing::Values(BannerCase{"use", {{80, 579, 1}}, "USE"},
                      BannerCase{"how_it_works", {{240, 579, 1}}, "FONC"},
                      BannerCase{"remarks", {{400, 579, 1}}, "REM"},
                      BannerCase{"held_left_press_is_waited_out", {{80, 579, 1}, {80, 579, 1}, {90, 500, 1}}, "USE"},
                      BannerCase{"left_press_outside_the_choices", {{500, 579, 1}}, "BANDO"},
                      BannerCase{"left_press_on_a_choice_edge", {{140, 579, 1}}, "BANDO"},
                      BannerCase{"right_press_inside_the_strip", {{500, 579, 2}}, "BANDO"},
                      BannerCase{"right_press_on_the_strip_edge", {{630, 590, 2}}, "BANDO"},
                      BannerCase{"right_press_outside_the_strip", {{300, 300, 2}}, "DECOR"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Menus, EraseRefreshesAndTheDialogDoesNotOpen) {
  start();
  pass();
  rt.clear();
  click(spot::erase);
  pass();
  EXPECT_EQ(execs(), join({{"EFAC"}, refresh_at_rest, {"LIFT"}}));
  EXPECT_EQ(options_request, 0);
}

TEST_F(Menus, SymbolsLegend) {
  start();
  pass();
  rt.clear();
  click(spot::symbols);
  pass();
  EXPECT_EQ(execs(), (Commands{"SYMBOLS", "LIFT"}));
}

// Each box of the options dialog and what it stores.
struct BoxCase {
  const char* name;
  int x, y;
  std::vector<std::pair<std::int16_t*, int>> options;
  std::vector<std::pair<colour_index*, int>> marks;
};

class OptionBox : public Menus, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(OptionBox, StoresItsValuesAndMarks) {
  const BoxCase& c = GetParam();
  start();
  // Every option and mark starts as the opposite of what some box sets:
  // set everything on first where the box switches something off.
  use_options_dialog({{587, 465, 1}, {587, 435, 1}, {587, 405, 1}, {587, 375, 1}, {587, 315, 1},
                      {509, 265, 1}, {509, 235, 1}, {509, 205, 1}});
  use_options_dialog({{c.x, c.y, 1}});
  for (const auto& [option, value] : c.options) EXPECT_EQ(*option, value);
  for (const auto& [mark, value] : c.marks) EXPECT_EQ(*mark, value);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, OptionBox,
    ::testing::Values(
        BoxCase{"motor_off", 536, 465, {{&show_motor_force, 0}}, {{&colvis0, 3}}},
        BoxCase{"motor_on", 587, 465, {{&show_motor_force, 1}}, {{&colvis0, 4}}},
        BoxCase{"cabin_weight_off", 536, 435, {{&show_cabin_weight, 0}}, {{&colvis2, 3}}},
        BoxCase{"cabin_weight_on", 587, 435, {{&show_cabin_weight, 1}}, {{&colvis2, 4}}},
        BoxCase{"friction_off", 536, 405, {{&show_friction_force, 0}}, {{&colvis3, 3}}},
        BoxCase{"friction_on", 587, 405, {{&show_friction_force, 1}}, {{&colvis3, 4}}},
        BoxCase{"counterweight_off", 536, 375, {{&show_counterweight_weight, 0}}, {{&colvis4, 3}}},
        BoxCase{"counterweight_on", 587, 375, {{&show_counterweight_weight, 1}}, {{&colvis4, 4}}},
        BoxCase{"table_off", 536, 315, {{&energy_table_state, 0}}, {{&colvis6, 3}}},
        // Asked again while shown: the table stays shown and updated.
        BoxCase{"table_on", 587, 315, {{&energy_table_state, 2}}, {{&colvis6, 4}}},
        BoxCase{"row6_first", 481, 265, {}, {{&colvis10, 4}, {&colvis11, 3}}},
        BoxCase{"row6_second", 509, 265, {}, {{&colvis10, 3}, {&colvis11, 4}}},
        BoxCase{"motoring_off", 481, 235, {{&motoring_plot_off, 1}, {&motoring_plot_on, 0}},
                {{&colvis20, 4}, {&colvis21, 3}}},
        BoxCase{"motoring_on", 509, 235, {{&motoring_plot_off, 0}, {&motoring_plot_on, 1}},
                {{&colvis20, 3}, {&colvis21, 4}}},
        BoxCase{"braking_off", 481, 205, {{&braking_plot_off, 1}, {&braking_plot_on, 0}},
                {{&colvis30, 4}, {&colvis31, 3}}},
        BoxCase{"braking_on", 509, 205, {{&braking_plot_off, 0}, {&braking_plot_on, 1}},
                {{&colvis30, 3}, {&colvis31, 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Menus, DialogReplaysItselfAndTheLeverAfterEveryPoll) {
  start();
  pass();
  rt.clear();
  use_options_dialog({{300, 300, 1}, {300, 300, 0}});
  // Opened, then three polls (two states and the closing right press).
  Commands expected = {"MENUVISU"};
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), {"MENUVISU", "MANETE"});
  expected.emplace_back("LIFT");
  EXPECT_EQ(execs(), expected);
}

TEST_F(Menus, DragAcrossARowLeavesTheLastBoxValue) {
  start();
  use_options_dialog({{536, 465, 1}, {587, 465, 1}, {560, 465, 1}, {536, 465, 1}, {587, 465, 1}});
  EXPECT_EQ(show_motor_force, 1);
  EXPECT_EQ(colvis0, 4);
  use_options_dialog({{587, 465, 1}, {536, 465, 1}});
  EXPECT_EQ(show_motor_force, 0);
  EXPECT_EQ(colvis0, 3);
}

TEST_F(Menus, RightPressStillHeldAtTheNextPollResumesTheClock) {
  start();
  click(spot::pause);
  pass();
  ASSERT_EQ(time_step, 0.0F);
  rt.press(spot::options.x, spot::options.y, 1);
  rt.press(536, 465, 2);  // closes the dialog at once, even inside a box
  rt.press(536, 465, 2);  // still held at the panel's next poll
  rt.press(536, 465, 0);
  pass();
  EXPECT_EQ(show_motor_force, 0);
  EXPECT_EQ(time_step, 0.0F);
  pass();
  EXPECT_EQ(time_step, 1.0F);
  EXPECT_EQ(count("CLOCK"), 1);
}

// The view follows the options: a plotted curve, else a force vector, else
// the plain installation; each view is played once per change.
TEST_F(Menus, ViewFollowsTheOptionsOncePerChange) {
  start();
  pass(3);
  EXPECT_EQ(count("NORMAL"), 1);
  rt.clear();

  use_options_dialog({{587, 465, 1}});  // motor vector on
  EXPECT_EQ(count("ISOL"), 1);
  rt.clear();
  use_options_dialog({{536, 465, 1}, {587, 435, 1}});  // another vector instead
  pass();
  EXPECT_EQ(count("ISOL") + count("NORMAL") + count("TRACE"), 0);

  rt.clear();
  use_options_dialog({{509, 235, 1}});  // motoring curve on
  // Once by the plot, which then refreshes with its axes, once as the view.
  EXPECT_EQ(execs(), join({{"MENUVISU", "MENUVISU", "MANETE", "MENUVISU", "MANETE", "TRACE"}, {"DECOR", "ECHELON", "CHGE", "AXES", "MANETE"}, {"TRACE", "LIFT"}}));
  rt.clear();
  use_options_dialog({{587, 405, 1}, {509, 205, 1}});  // a vector and the second curve: no change
  EXPECT_EQ(count("TRACE") + count("ISOL"), 0);

  use_options_dialog({{481, 235, 1}, {481, 205, 1}});  // both curves off, vectors on
  EXPECT_EQ(count("ISOL"), 1);
  EXPECT_EQ(count("AXES"), 0);
  rt.clear();
  use_options_dialog({{536, 435, 1}, {536, 405, 1}});  // last vectors off
  EXPECT_EQ(count("NORMAL"), 1);
}

TEST_F(Menus, RefreshDuringATravelWithTheRampProfile) {
  start();
  click(spot::trapeze);
  pass();
  click(spot::lever_up);
  pass(3);
  rt.clear();
  refresh_layers();
  EXPECT_EQ(execs(), (Commands{"DECOR", "TRAPEZE", "NOCHGE", "MANETE"}));
}

TEST_F(Menus, ResetInTheMiddleOfATravel) {
  start();
  use_options_dialog({{587, 465, 1}});  // motor vector on
  click(spot::lever_up);
  pass(1500);
  const double total = energy_total, braking = energy_braking, force = motor_force;
  ASSERT_GT(total, 0.0);
  rt.clear();
  click(spot::reset);
  pass();
  EXPECT_EQ(execs(), (Commands{"RESETON", "MANETE", "RESETOF", "CHGE", "LIFT"}));
  EXPECT_EQ(moving_up, 0);
  EXPECT_EQ(position, 0.0);
  EXPECT_EQ(speed, 0.0);
  EXPECT_EQ(POSMANT, 0.0F);
  EXPECT_EQ(POSCAB.y, 70.0F);
  EXPECT_EQ(POSKONTP.y, 470.0F);
  EXPECT_EQ(CONCABLM.points[0].y, 139.0F);
  EXPECT_EQ(POSPNTP.x, 250.0F);
  EXPECT_EQ(GODROUE, 45);
  EXPECT_EQ(energy_motoring, 0.0);
  // What the interrupted travel left stays on show until the next travel.
  EXPECT_EQ(energy_total, total);
  EXPECT_EQ(energy_braking, braking);
  EXPECT_EQ(motor_force, force);
  EXPECT_EQ(TALMOT.y, static_cast<float>(force * 0.0002));
  EXPECT_EQ(reset_request, 0);
  // The lift can travel again from the lower landing.
  EXPECT_EQ(travel(spot::lever_up), 5000);
}

TEST_F(Menus, ResetWhilePausedStaysPaused) {
  start();
  click(spot::pause);
  pass();
  click(spot::reset);
  pass();
  EXPECT_EQ(time_step, 0.0F);
  EXPECT_EQ(saved_time_step, 1.0F);
}

TEST_F(Menus, ResetWithoutCounterweightKeepsItsCableAtThePulley) {
  start();
  click(spot::counterweight_down);
  click(spot::counterweight_down);
  click(spot::reset);
  pass(3);
  EXPECT_EQ(CONCABLD.points[1].y, 520.0F);
}

}  // namespace
