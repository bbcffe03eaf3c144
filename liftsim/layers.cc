// Keeps the scene in step with the state: refresh_layers repaints what a
// menu, a dialog or an erase covered, and update_view_mode plays the view
// that the display options call for, once per change.
#include "routines.h"
#include "state.h"

// Called by the banner menu and the erase after they covered the screen,
// and by the energy table and plot when they are switched on or off.
// Changes no variable; the lever is replayed last, over the background.
void refresh_layers() {
  play_command("DECOR");
  play_command(step_profile != 0 ? "ECHELON" : "TRAPEZE");
  if (load_controls_shown != 0) play_command("CHGE");
  if (load_controls_hidden != 0) play_command("NOCHGE");
  if (energy_table_visible != 0) play_command("CADRVAL");
  if (trace_shown != 0) play_command("AXES");
  play_command("MANETE");
}

// Called by the main loop on every pass, after the energy plot. A plotted
// curve gives the plot view, else any force vector gives the isolated view,
// else the normal view. Each rule is guarded by its own flag, so its
// command is played only in the pass in which the view changes.
void update_view_mode() {
  const bool any_vector = show_motor_force == 1 || show_cabin_weight == 1 || show_friction_force == 1 ||
                          show_counterweight_weight == 1;
  const bool no_curve = motoring_plot_off == 1 && braking_plot_off == 1;
  if (!any_vector && no_curve && normal_view_active == 0) {
    play_command("NORMAL");
    normal_view_active = 1;
    isol_view_active = 0;
    trace_view_active = 0;
  }
  if (any_vector && no_curve && isol_view_active == 0) {
    play_command("ISOL");
    normal_view_active = 0;
    isol_view_active = 1;
    trace_view_active = 0;
  }
  if ((motoring_plot_on == 1 || braking_plot_on == 1) && trace_view_active == 0) {
    play_command("TRACE");
    normal_view_active = 0;
    isol_view_active = 0;
    trace_view_active = 1;
  }
}
