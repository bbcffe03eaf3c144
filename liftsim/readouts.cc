// What the user reads besides the moving installation: the four force
// arrows, the four setting values beside their buttons and the energy
// table. Nothing here changes the physics.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "routines.h"
#include "state.h"

namespace {

constexpr double vector_scale = 0.0002;                    // scene scale per newton
constexpr double counterweight_vector_per_kg = 0.001962;  // 9.81 x vector_scale

void set_both(scene_scale& scale, double value) {
  const auto rounded = static_cast<float>(value);
  scale = {rounded, rounded};
}

// The number of decimals of a "%W.Pf" format; 0 when it names none.
int precision_of(const char* format) {
  const char* dot = std::strchr(format, '.');
  return dot == nullptr ? 0 : std::atoi(dot + 1);
}

}  // namespace

// Called by the main loop on every pass. An arrow whose option is off gets
// a zero size; the motor and friction arrows follow the direction of the
// travel, and the friction arrow has no width while the cabin stands.
void update_force_vectors() {
  const bool stopped = speed == 0.0;
  set_both(TALMOT, show_motor_force * motor_force * direction * vector_scale);
  set_both(TALPOIDT, show_cabin_weight * cabin_weight * vector_scale);
  set_both(TALFROT, show_friction_force * friction_force * direction * vector_scale);
  set_both(TALKPOID, show_counterweight_weight * counterweight_mass * counterweight_vector_per_kg);
  if (stopped) TALFROT.x = 0.0F;
}

// Exact halves round away from zero, as people round, whatever the C
// library does with ties (glibc rounds them to even). A double can hold an
// exact half only at zero decimals: with one or two decimals a tie would
// need a factor of five in the denominator, which no binary fraction has.
// A result longer than the text holds is cut at its capacity.
void format_number(scene_text& text, const char* format, double value) {
  if (precision_of(format) == 0 && std::isfinite(value) && std::fabs(value - std::trunc(value)) == 0.5) {
    value = value + std::copysign(0.5, value);
  }
  char buffer[512];
  const int written = std::snprintf(buffer, sizeof buffer, format, value);
  const std::size_t length = written < 0 ? 0 : std::min(std::strlen(buffer), scene_text_capacity);
  std::memcpy(text.chars.data(), buffer, length);
  text.chars[length] = '\0';
  text.length = static_cast<std::uint8_t>(length);
}

// Called by the main loop on every pass, after the energy table.
void update_parameter_texts() {
  format_number(AXELP, "%3.1f", max_accel);
  format_number(MASSP, "%3.0f", load_mass);
  format_number(MASKP, "%3.0f", counterweight_mass);
  format_number(FROTP, "%3.0f", friction_force);
}

// Called by the main loop on every pass, after the force vectors. The table
// changes state at most once per pass, and its figures are written in the
// pass in which it is shown, so old figures never appear.
void update_energy_table() {
  if (energy_table_state == 0 && energy_table_visible == 1) {
    energy_table_visible = 0;
    TALNUM = {0.0F, 0.0F};
    refresh_layers();
  }
  if (energy_table_state == 1 && energy_table_visible == 0) {
    energy_table_visible = 1;
    TALNUM = {1.0F, 1.0F};
    refresh_layers();
    energy_table_state = 2;
  }
  // Asked to show the table while it is on screen: it simply stays shown
  // and keeps its figures up to date.
  if (energy_table_state == 1 && energy_table_visible == 1) energy_table_state = 2;
  if (energy_table_state == 2) {
    format_number(B1, "%3.2f", static_cast<double>(elapsed_time));
    format_number(B2, "%3.0f", motor_force);
    format_number(B3, "%3.0f", moving_mass * 9.81);
    format_number(B4, "%3.0f", counterweight_mass * 9.81);
    format_number(B6, "%3.0f", energy_total);
    format_number(B7, "%3.0f", energy_motoring);
    format_number(B8, "%3.0f", energy_braking);
  }
}
