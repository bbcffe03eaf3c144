// The settings of the lift, changed only at rest, and the lever, which
// starts a travel up from the lower landing or down from the upper one.
#include "routines.h"
#include "state.h"

namespace {

// Scale of the counterweight block per kilogram: 1.0 at 300 kg.
constexpr double counterweight_scale_per_kg = 0.0033333333333333335;

// Called by the lever at the start of either travel: the totals of the new
// travel start from zero.
void clear_travel_totals() {
  elapsed_time = 0.0F;
  energy_braking = 0.0;
  energy_motoring = 0.0;
  energy_total = 0.0;
}

void change_settings() {
  if (echelon_request == 1) {
    step_profile = 1;
    play_command("ECHELON");
  }
  if (trapeze_request == 1) {
    step_profile = 0;
    play_command("TRAPEZE");
  }
  // Each bound is tested before the change, so a setting stops exactly on
  // its end values.
  if (accel_down_request == 1 && max_accel > 1.0) max_accel = max_accel - 2.0;
  if (accel_up_request == 1 && max_accel < 8.0) max_accel = max_accel + 2.0;
  if (load_down_request == 1 && load_mass > 0.0) {
    load_mass = load_mass - 50.0;
    TALCAISS.y = static_cast<float>(load_mass * 0.005);
  }
  if (load_up_request == 1 && load_mass < 200.0) {
    load_mass = load_mass + 50.0;
    TALCAISS.y = static_cast<float>(load_mass * 0.005);
  }
  if (counterweight_down_request == 1 && counterweight_mass > 0.0) {
    counterweight_mass = counterweight_mass - 100.0;
    TALKONTP.y = static_cast<float>(counterweight_mass * counterweight_scale_per_kg);
    // Without a counterweight its cable shrinks to the pulley end.
    if (counterweight_mass == 0.0) CONCABLD.points[1].y = 520.0F;
  }
  if (counterweight_up_request == 1 && counterweight_mass < 400.0) {
    counterweight_mass = counterweight_mass + 100.0;
    TALKONTP.y = static_cast<float>(counterweight_mass * counterweight_scale_per_kg);
    CONCABLD.points[1].y = static_cast<float>(470.0 - 50.0 * position);
  }
  if (friction_down_request == 1 && friction_force > 0.0) friction_force = friction_force - 100.0;
  if (friction_up_request == 1 && friction_force < 1000.0) friction_force = friction_force + 100.0;

  moving_mass = cabin_mass + load_mass;
  jerk = 4.0 * max_accel;
  total_mass = moving_mass + counterweight_mass;
  cabin_weight = 9.81 * moving_mass;
}

}  // namespace

// Fourth step of every pass. A setting click during a travel is lost: the
// request lives for one pass only. The lever tests are exact: position is
// set to exactly 0.0 or 6.0 at the end of a travel and by the reset.
void update_settings_and_lever() {
  if (moving_up == 0 && moving_down == 0) change_settings();

  if (lever_up_request == 1 && POSMANT == 0.0F && position == 0.0) {
    moving_up = 1;
    moving_down = 0;
    clear_travel_totals();
    POSMANT = 70.0F;
    play_command("MANETE");
  }
  if (lever_down_request == 1 && POSMANT == 70.0F && position == 6.0) {
    if (POSPNTP.x > 50.0F) POSPNTP.x = POSPNTP.x + 5.0F;
    moving_down = 1;
    moving_up = 0;
    clear_travel_totals();
    POSMANT = 0.0F;
    play_command("MANETE");
  }
}
