// One fixed step of the lift's motion: speed and position (semi-implicit
// Euler), the animated parts of the scene, the motor force and the energy
// it supplies, the redraw count and the travel time.
#include <cmath>

#include "routines.h"
#include "state.h"

namespace {

constexpr double gravity = 9.81;                         // m/s2
constexpr double units_per_metre = 50.0;                 // scene units
constexpr double pulley_degrees_per_metre = 57.3 / 0.44;  // degrees of pulley per metre of cable
constexpr double steps_per_redraw = 10.0;

}  // namespace

// Called by travel_up and travel_down as their last action, also in the
// pass in which the travel ended (then with speed and accel 0 on the
// landing). The order of the steps is part of the model: the cabin moves by
// the new speed, and a step's work is priced with the previous step's
// motor force.
void integrate_step() {
  const double dt = time_step * base_step;
  speed = speed + accel * dt;
  step_distance = speed * dt;
  position = position + step_distance * direction;

  POSCAB.y = static_cast<float>(70.0 + units_per_metre * position);
  POSKONTP.y = static_cast<float>(470.0 - units_per_metre * position);
  CONCABLM.points[0].y = static_cast<float>(139.0 + units_per_metre * position);
  // Without a counterweight its cable shrinks to the pulley end.
  CONCABLD.points[1].y = counterweight_mass == 0.0 ? 520.0F : POSKONTP.y;
  // Falls while the cabin rises; never wrapped.
  ROTROU = static_cast<float>(ROTROU - (step_distance * direction) * pulley_degrees_per_metre);

  inertial_force = total_mass * accel;
  const double work = std::fabs(step_distance * motor_force);
  energy_total = energy_total + work;
  if (motor_force > 0.0) energy_motoring = energy_motoring + work;
  if (motor_force < 0.0) energy_braking = energy_braking + work;
  motor_force = friction_force + gravity * (moving_mass - counterweight_mass) * direction + inertial_force;
  if (speed == 0.0) motor_force = 0.0;

  const bool travelling = moving_up != 0 || moving_down != 0;
  if (travelling) {
    redraw_counter = redraw_counter + 1.0;
    elapsed_time = static_cast<float>(elapsed_time + dt);
    if (redraw_counter == steps_per_redraw) redraw_counter = 0.0;
  } else {
    redraw_counter = 0.0;
  }
  // The load controls are locked while the lift travels.
  if (travelling && load_controls_shown != 0) {
    play_command("NOCHGE");
    load_controls_shown = 0;
    load_controls_hidden = 1;
  }
  if (!travelling && load_controls_hidden != 0) {
    play_command("CHGE");
    load_controls_hidden = 0;
    load_controls_shown = 1;
  }
}
