// The energy plot: three pens the scene follows. POSPNTP's x is the time
// axis (50 scene units per simulated second) and its y the braking curve;
// POSPNTR's y is the motoring curve; POSPNTT stays on the zero line.
#include "routines.h"
#include "state.h"

namespace {

constexpr double axis_advance = 0.05;  // scene units per pass at time_step 1
constexpr float axis_start = 250.0F;   // x where the time axis starts
constexpr double units_per_joule = 0.02;
constexpr double zero_energy_y = 51.0;
constexpr float hidden_y = -200.0F;    // a hidden curve's pen is out of sight

float curve_y(double energy) {
  return static_cast<float>(energy * units_per_joule + zero_energy_y);
}

}  // namespace

// Called by the main loop on every pass, after the energy table and before
// the view mode. The axis is held at its start within 1 cm of either
// landing, so each travel's curves start at the left of the plot.
void update_energy_plot() {
  if (moving_up == 1 || moving_down == 1) {
    POSPNTP.x = static_cast<float>(POSPNTP.x + time_step * axis_advance);
  }
  if (motoring_plot_off != 0) POSPNTR.y = hidden_y;
  if (motoring_plot_on != 0) POSPNTR.y = curve_y(energy_motoring);
  if (braking_plot_off != 0) POSPNTP.y = hidden_y;
  if (braking_plot_on != 0) POSPNTP.y = curve_y(energy_braking);
  if (position <= 0.01 || position >= 5.99) POSPNTP.x = axis_start;
  POSPNTR.x = POSPNTP.x;
  POSPNTT.x = POSPNTP.x;

  if (motoring_plot_off == 1 && braking_plot_off == 1 && trace_shown == 1) {
    trace_shown = 0;
    refresh_layers();
  }
  if ((motoring_plot_on == 1 || braking_plot_on == 1) && trace_shown == 0) {
    trace_shown = 1;
    play_command("TRACE");
    refresh_layers();
  }
}
