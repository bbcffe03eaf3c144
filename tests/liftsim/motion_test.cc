// Settings, lever, travel controller and dynamics: whole travels through the
// real main loop, and the figures a teacher can check by hand.
#include <algorithm>
#include <cmath>

#include "lift_fixture.h"
#include "named_case.h"

namespace {

using named_case::PrintTo;

class Motion : public Lift {
 protected:
  // Settings and clock chosen through the panel, as a user would.
  void choose_ramp_profile() {
    click(spot::trapeze);
    pass();
  }
  void raise_max_accel_to(double target) {
    while (max_accel < target) {
      click(spot::accel_up);
      pass();
    }
  }
};

// What one travel looked like, pass by pass.
struct TravelRecord {
  int passes = 0;
  double top_speed = 0.0;
  double last_accel_distance = 0.0;
  double last_ramp_distance = 0.0;
  std::vector<double> speeds;
  bool energies_monotonic = true;
  bool energy_parts_within_total = true;
};

// Clicks `lever` and runs the whole travel through the main loop.
TravelRecord record_travel(Spot lever) {
  TravelRecord r;
  recording::runtime().click(lever.x, lever.y);
  double last_total = 0.0, last_motoring = 0.0, last_braking = 0.0;
  do {
    main_loop_pass();
    ++r.passes;
    r.top_speed = std::max(r.top_speed, speed);
    r.speeds.push_back(speed);
    if (accel_distance != 0.0) r.last_accel_distance = accel_distance;
    if (ramp_distance != 0.0) r.last_ramp_distance = ramp_distance;
    if (energy_total < last_total || energy_motoring < last_motoring || energy_braking < last_braking) {
      r.energies_monotonic = false;
    }
    if (energy_motoring + energy_braking > energy_total * (1.0 + 1e-12)) r.energy_parts_within_total = false;
    last_total = energy_total;
    last_motoring = energy_motoring;
    last_braking = energy_braking;
  } while (moving_up != 0 || moving_down != 0);
  return r;
}

TEST_F(Motion, WorkedFirstStepOfAnUpwardTravel) {
  start();
  click(spot::lever_up);
  pass();
  EXPECT_EQ(moving_up, 1);
  EXPECT_EQ(POSMANT, 70.0F);
  EXPECT_DOUBLE_EQ(speed, 0.001);
  EXPECT_DOUBLE_EQ(position, 0.000001);
  EXPECT_DOUBLE_EQ(motor_force, 1981.0);
  EXPECT_EQ(redraw_counter, 1.0);
  EXPECT_EQ(elapsed_time, 0.001F);
  EXPECT_EQ(energy_total, 0.0);
  // The lever moves, then the load controls are locked by the first step;
  // the lift is not redrawn until the tenth step.
  EXPECT_EQ(execs(), (std::vector<std::string>{"MANETE", "NOCHGE", "NORMAL"}));
}

// The shape of each profile, as a table of settings and expected figures.
struct ProfileCase {
  const char* name;
  bool ramp;
  double max_accel;
  int passes;
  double top_min, top_max;
  double accel_distance, accel_distance_tolerance;
};

class Profiles : public Motion, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(Profiles, UpAndDownTravelsMirrorEachOtherAndEndOnTheLanding) {
  const ProfileCase& c = GetParam();
  start();
  if (c.ramp) choose_ramp_profile();
  raise_max_accel_to(c.max_accel);
  rt.clear();

  const TravelRecord up = record_travel(spot::lever_up);
  EXPECT_EQ(up.passes, c.passes);
  EXPECT_GE(up.top_speed, c.top_min);
  EXPECT_LE(up.top_speed, c.top_max);
  EXPECT_NEAR(up.last_accel_distance, c.accel_distance, c.accel_distance_tolerance);
  EXPECT_TRUE(up.energies_monotonic);
  EXPECT_TRUE(up.energy_parts_within_total);
  EXPECT_EQ(position, 6.0);
  EXPECT_EQ(POSCAB.y, 370.0F);
  EXPECT_EQ(POSKONTP.y, 170.0F);
  EXPECT_EQ(CONCABLM.points[0].y, 439.0F);
  EXPECT_EQ(count("CHGE"), 1);
  EXPECT_EQ(count("NOCHGE"), 1);

  const TravelRecord down = record_travel(spot::lever_down);
  EXPECT_EQ(down.passes, up.passes);
  ASSERT_EQ(down.speeds.size(), up.speeds.size());
  for (std::size_t i = 0; i < up.speeds.size(); ++i) {
    ASSERT_NEAR(down.speeds[i], up.speeds[i], 1e-9) << "pass " << i;
  }
  EXPECT_TRUE(down.energies_monotonic);
  EXPECT_EQ(position, 0.0);
  EXPECT_EQ(POSCAB.y, 70.0F);
  EXPECT_EQ(POSKONTP.y, 470.0F);

  // At rest after every travel.
  EXPECT_EQ(speed, 0.0);
  EXPECT_EQ(accel, 0.0);
  EXPECT_EQ(motor_force, 0.0);
  EXPECT_EQ(GODROUE, 45);
  EXPECT_EQ(redraw_counter, 0.0);
  EXPECT_EQ(accel_phase, 0);
  EXPECT_EQ(accel_distance, 0.0);
  EXPECT_EQ(ramp_distance, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Travel, Profiles,
    ::testing::Values(
        // Steps at 1 m/s2: 2 s up to 2 m/s over 2 m, 1 s cruise, 2 s braking.
        // The pass counts are exact: the arithmetic is deterministic.
        ProfileCase{"steps_1", false, 1.0, 5000, 2.0, 2.001, 2.0, 0.01},
        ProfileCase{"steps_9", false, 9.0, 3223, 2.0, 2.009, 0.222, 0.01},
        ProfileCase{"ramps_1", true, 1.0, 5207, 2.124, 2.126, 2.52, 0.01},
        ProfileCase{"ramps_9", true, 9.0, 2520, 3.11, 3.13, 0.94, 0.01}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Motion, StepProfileCutsTheSpeedBackToExactlyTwo) {
  start();
  click(spot::lever_up);
  double top = 0.0;
  bool cruising_at_two = false;
  do {
    pass();
    top = std::max(top, speed);
    if (GODROUE == 44 && accel == 0.0) cruising_at_two = speed == 2.0;
  } while (moving_up != 0 && !(GODROUE == 45));
  EXPECT_GT(top, 2.0);
  EXPECT_LE(top, 2.0 + max_accel * 0.001 + 1e-12);
  EXPECT_TRUE(cruising_at_two);
}

TEST_F(Motion, RampProfileFinalRampStartsNearTheLanding) {
  start();
  choose_ramp_profile();
  raise_max_accel_to(9.0);
  click(spot::lever_up);
  double ramp = 0.0;
  do {
    pass();
    if (ramp_distance != 0.0) ramp = ramp_distance;
  } while (moving_up != 0);
  // 0.25 s of ramp at 36 m/s3: about 36 x 0.25^3 / 6 metres.
  EXPECT_NEAR(ramp, 0.095, 0.001);
}

// Motor force at constant speed: friction plus the weight imbalance, with
// the imbalance's sign following the direction.
struct CruiseCase {
  const char* name;
  int load_clicks;           // +50 kg each (negative: -50 kg)
  int counterweight_clicks;  // +100 kg each
  int friction_clicks;       // -100 N each
  double up_force, down_force;
};

class Cruise : public Motion, public ::testing::WithParamInterface<CruiseCase> {};

TEST_P(Cruise, MotorForceAndEnergyWhileCruising) {
  const CruiseCase& c = GetParam();
  start();
  for (int i = 0; i < c.load_clicks; ++i) click(spot::load_up);
  for (int i = 0; i < c.counterweight_clicks; ++i) click(spot::counterweight_up);
  for (int i = 0; i < c.friction_clicks; ++i) click(spot::friction_down);
  pass(c.load_clicks + c.counterweight_clicks + c.friction_clicks);

  for (const auto& [lever, expected] : {std::pair{spot::lever_up, c.up_force}, std::pair{spot::lever_down, c.down_force}}) {
    click(lever);
    bool cruised = false;
    do {
      const double total_before = energy_total;
      // A step's work is priced with the force of the step before.
      const bool was_cruising = cruised;
      pass();
      if (GODROUE == 44 && accel == 0.0 && speed == 2.0) {
        cruised = true;
        ASSERT_NEAR(motor_force, expected, 1e-9);
        if (expected == 0.0 && was_cruising) ASSERT_EQ(energy_total, total_before);
      }
    } while (moving_up != 0 || moving_down != 0);
    EXPECT_TRUE(cruised);
  }
}

INSTANTIATE_TEST_SUITE_P(Travel, Cruise,
                         ::testing::Values(CruiseCase{"start_settings", 0, 0, 0, 1481.0, -481.0},
                                           CruiseCase{"balanced_no_friction", 0, 1, 5, 0.0, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Motion, DownwardAccelerationWithStartSettingsIsMotoring) {
  start();
  travel(spot::lever_up);
  click(spot::lever_down);
  pass(2);
  EXPECT_EQ(moving_down, 1);
  EXPECT_NEAR(motor_force, 19.0, 1e-9);
  EXPECT_GT(energy_motoring, 0.0);
  EXPECT_EQ(energy_braking, 0.0);
}

TEST_F(Motion, PausedClockHoldsTheTravelButTheRedrawCounterRuns) {
  start();
  click(spot::lever_up);
  pass(500);
  click(spot::pause);
  pass();
  ASSERT_EQ(time_step, 0.0F);
  const double held_position = position, held_speed = speed, held_energy = energy_total;
  const float held_rotation = ROTROU, held_time = elapsed_time;
  const double counter = redraw_counter;
  pass(25);
  EXPECT_EQ(position, held_position);
  EXPECT_EQ(speed, held_speed);
  EXPECT_EQ(energy_total, held_energy);
  EXPECT_EQ(ROTROU, held_rotation);
  EXPECT_EQ(elapsed_time, held_time);
  EXPECT_EQ(redraw_counter, std::fmod(counter + 25.0, 10.0));
  // Resumed, the travel goes on from where it stood.
  rt.press(10, 10, 2);
  rt.press(10, 10, 0);
  run_until_rest();
  EXPECT_EQ(position, 6.0);
}

TEST_F(Motion, PausedBeforeTheFirstStepStillLocksTheLoadControls) {
  start();
  click(spot::pause);
  pass();
  click(spot::lever_up);
  pass(3);
  EXPECT_EQ(moving_up, 1);
  EXPECT_EQ(speed, 0.0);
  EXPECT_EQ(motor_force, 0.0);
  EXPECT_EQ(count("NOCHGE"), 1);
}

TEST_F(Motion, WithoutCounterweightItsCableStaysAtThePulley) {
  start();
  click(spot::counterweight_down);
  click(spot::counterweight_down);
  pass(2);
  ASSERT_EQ(counterweight_mass, 0.0);
  EXPECT_EQ(CONCABLD.points[1].y, 520.0F);
  click(spot::lever_up);
  do {
    pass();
    ASSERT_EQ(CONCABLD.points[1].y, 520.0F);
  } while (moving_up != 0);
  EXPECT_EQ(POSKONTP.y, 170.0F);
  // Raised again at the top: the cable reaches the counterweight there.
  click(spot::counterweight_up);
  pass();
  EXPECT_EQ(CONCABLD.points[1].y, 170.0F);
  EXPECT_FLOAT_EQ(TALKONTP.y, 1.0F / 3.0F);
}

TEST_F(Motion, SettingClicksDuringATravelAreLost) {
  start();
  click(spot::lever_up);
  pass(100);
  for (Spot s : {spot::load_up, spot::counterweight_up, spot::friction_up, spot::accel_up, spot::trapeze}) click(s);
  pass(5);
  run_until_rest();
  pass(3);
  EXPECT_EQ(load_mass, 100.0);
  EXPECT_EQ(counterweight_mass, 200.0);
  EXPECT_EQ(friction_force, 500.0);
  EXPECT_EQ(max_accel, 1.0);
  EXPECT_EQ(step_profile, 1);
  EXPECT_EQ(count("TRAPEZE"), 0);
}

TEST_F(Motion, LeverRequestsInTheWrongStateAreIgnored) {
  start();
  click(spot::lever_down);
  pass();
  EXPECT_EQ(moving_down, 0);
  EXPECT_TRUE(execs() == std::vector<std::string>({"NORMAL", "LIFT"}));
  travel(spot::lever_up);
  rt.clear();
  click(spot::lever_up);
  pass();
  EXPECT_EQ(moving_up, 0);
  EXPECT_EQ(position, 6.0);
  EXPECT_EQ(count("MANETE"), 0);
  // During a travel neither lever does anything.
  click(spot::lever_down);
  pass(10);
  click(spot::lever_up);
  click(spot::lever_down);
  pass(2);
  EXPECT_EQ(moving_down, 1);
  EXPECT_EQ(count("MANETE"), 1);
}

// The bounds of the settings and the scene scales that follow them.
struct SettingCase {
  const char* name;
  Spot button;
  int clicks;
  double* setting;
  double expected;
};

class Settings : public Motion, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(Settings, StopsOnItsEndValue) {
  const SettingCase& c = GetParam();
  start();
  for (int i = 0; i < c.clicks; ++i) {
    click(c.button);
    pass();
  }
  EXPECT_EQ(*c.setting, c.expected);
  EXPECT_EQ(TALCAISS.y, static_cast<float>(load_mass * 0.005));
  EXPECT_EQ(moving_mass, 200.0 + load_mass);
  EXPECT_EQ(total_mass, moving_mass + counterweight_mass);
  EXPECT_EQ(cabin_weight, 9.81 * moving_mass);
  EXPECT_EQ(jerk, 4.0 * max_accel);
}

INSTANTIATE_TEST_SUITE_P(
    Panel, Settings,
    ::testing::Values(SettingCase{"accel_floor", spot::accel_down, 2, &max_accel, 1.0},
                      SettingCase{"accel_ceiling", spot::accel_up, 6, &max_accel, 9.0},
                      SettingCase{"load_floor", spot::load_down, 4, &load_mass, 0.0},
                      SettingCase{"load_ceiling", spot::load_up, 4, &load_mass, 200.0},
                      SettingCase{"counterweight_floor", spot::counterweight_down, 4, &counterweight_mass, 0.0},
                      SettingCase{"counterweight_ceiling", spot::counterweight_up, 4, &counterweight_mass, 400.0},
                      SettingCase{"friction_floor", spot::friction_down, 7, &friction_force, 0.0},
                      SettingCase{"friction_ceiling", spot::friction_up, 7, &friction_force, 1000.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Motion, DerivedQuantitiesFollowALoadChangeInTheSamePass) {
  start();
  click(spot::load_up);
  main_loop_pass();
  EXPECT_EQ(moving_mass, 350.0);
  EXPECT_EQ(total_mass, 550.0);
  EXPECT_DOUBLE_EQ(cabin_weight, 3433.5);
  EXPECT_EQ(TALCAISS.y, 0.75F);
}

TEST_F(Motion, CounterweightBlockStartsFullSizeAndThenFollowsTheMass) {
  start();
  EXPECT_EQ(TALKONTP.y, 1.0F);
  click(spot::counterweight_up);
  click(spot::counterweight_down);
  pass(2);
  EXPECT_EQ(TALKONTP.y, static_cast<float>(200.0 * 0.0033333333333333335));
}

TEST_F(Motion, ProfileRequestsPlayTheirCommandEvenWhenAlreadySelected) {
  start();
  click(spot::echelon);
  pass();
  EXPECT_EQ(count("ECHELON"), 1);
  EXPECT_EQ(step_profile, 1);
}

TEST_F(Motion, LeverDownMovesThePlotCursorBeforeTheTravelRepositionsIt) {
  start();
  travel(spot::lever_up);
  ASSERT_EQ(POSPNTP.x, 250.0F);
  click(spot::lever_down);
  poll_control_panel();
  process_menu_requests();
  update_clock();
  update_settings_and_lever();
  EXPECT_EQ(POSPNTP.x, 255.0F);
}

TEST_F(Motion, TheLiftIsRedrawnEveryTenthStep) {
  start();
  click(spot::lever_up);
  pass(100);
  EXPECT_EQ(count("LIFT"), 10);
}

}  // namespace
