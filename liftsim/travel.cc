// The travel controller: an open-loop profile generator driven by speed and
// position. It accelerates to the cruise speed, notes how far that took,
// brakes that far before the destination and puts the cabin exactly on the
// landing. The downward travel mirrors the upward one, measuring its
// distances from the upper landing.
#include "routines.h"
#include "state.h"

namespace {

constexpr double cruise_speed = 2.0;    // m/s: acceleration stops above it
constexpr double half_travel = 3.0;     // m: the upward acceleration runs only below it
constexpr double upper_landing = 6.0;   // m
constexpr double end_margin = 0.1;      // m: a step-profile travel ends this far past the braking point

constexpr std::int16_t phase_accelerating = 43;
constexpr std::int16_t phase_full_speed = 44;
constexpr std::int16_t phase_braking = 45;

// Called by both controllers first in each pass: the acceleration and the
// transition to cruise. `covered` is the distance from the start landing,
// `may_accelerate` the direction's position test for accelerating.
void shape_profile(bool steps, double dt, double covered, bool may_accelerate) {
  if (speed < cruise_speed && may_accelerate) {
    if (steps) {
      accel = max_accel;
      accel_phase = 1;
    } else {
      if (accel < max_accel) accel = accel + jerk * dt;
      if (accel > max_accel) {
        accel = max_accel;
        accel_phase = 1;
        ramp_distance = covered;
      }
    }
    GODROUE = phase_accelerating;
  }
  if (speed > cruise_speed && accel_phase != 0) {
    if (steps) {
      accel = 0.0;
      accel_distance = covered;
      speed = cruise_speed;
    } else {
      if (accel > 0.0) accel = accel - jerk * dt;
      if (accel < 0.0) {
        accel = 0.0;
        accel_distance = covered;
        accel_phase = 0;
      }
    }
    GODROUE = phase_full_speed;
  }
}

// Called by both controllers from the braking point on. The ramp profile
// falls to -max_accel, then rises back to 0 from the final-ramp point on.
void brake(bool steps, double dt, bool before_final_ramp) {
  if (steps) {
    accel = -max_accel;
    if (speed <= 0.0) {
      accel = 0.0;
      speed = 0.0;
    }
  } else if (before_final_ramp) {
    accel = accel - jerk * dt;
    if (accel < -max_accel) accel = -max_accel;
  } else {
    accel = accel + jerk * dt;
    if (accel > 0.0) accel = 0.0;
  }
  GODROUE = phase_braking;
}

}  // namespace

// Called by the main loop in each pass while moving_up is set.
void travel_up() {
  direction = +1.0;
  const bool steps = step_profile != 0;
  const double dt = time_step * base_step;
  shape_profile(steps, dt, position, position < half_travel);
  if (upper_landing - accel_distance <= position) {
    brake(steps, dt, position < upper_landing - ramp_distance);
  }
  const bool arrived = steps ? position > end_margin - (accel_distance - upper_landing)
                             : position > upper_landing - ramp_distance;
  if (accel == 0.0 && arrived) {
    stop_travel();
    position = upper_landing;
    moving_up = 0;
  }
  integrate_step();
}

// Called by the main loop in each pass while moving_down is set.
void travel_down() {
  direction = -1.0;
  const bool steps = step_profile != 0;
  const double dt = time_step * base_step;
  shape_profile(steps, dt, upper_landing - position, position > accel_distance);
  if (position <= accel_distance) brake(steps, dt, position > ramp_distance);
  const bool arrived = steps ? position < accel_distance - end_margin : position < ramp_distance;
  if (accel == 0.0 && arrived) {
    stop_travel();
    position = 0.0;
    moving_down = 0;
  }
  integrate_step();
}

// Called by both controllers at the end of a travel; the integration step
// that follows in the same pass draws the cabin on the landing.
void stop_travel() {
  speed = 0.0;
  accel = 0.0;
  accel_distance = 0.0;
  ramp_distance = 0.0;
  accel_phase = 0;
}
