// The simulation state's storage, and the three routines that give it its
// values: set_initial_values and reset_geometry at start-up, and
// reset_simulation when the user clicks the reset button.
#include "state.h"

#include "routines.h"

// Every variable is zero at program load; start_up gives them their start
// values (launch.cc, then the two routines below).
double cabin_mass, load_mass, counterweight_mass, friction_force, max_accel;
byte step_profile;
double moving_mass, total_mass, cabin_weight, jerk, inertial_force;
double position, speed, accel, direction;
byte moving_up, moving_down, accel_phase;
double accel_distance, ramp_distance, step_distance, motor_force;
double energy_total, energy_motoring, energy_braking;
float elapsed_time;
std::int32_t time_scale_level;
float time_divisor, time_step, saved_time_step;
double base_step, redraw_counter;
byte single_step_mode;
std::int32_t launch_option, restore_display;
std::int16_t show_motor_force, show_cabin_weight, show_friction_force, show_counterweight_weight;
std::int16_t energy_table_state;
std::int16_t motoring_plot_off, motoring_plot_on, braking_plot_off, braking_plot_on;
byte load_controls_shown, load_controls_hidden, trace_shown, energy_table_visible;
byte normal_view_active, isol_view_active, trace_view_active;
byte banner_request, options_request, erase_request, symbols_request, reset_request;
byte pause_request, resume_request, slower_request, faster_request;
byte echelon_request, trapeze_request, accel_down_request, accel_up_request;
byte load_down_request, load_up_request, counterweight_down_request, counterweight_up_request;
byte friction_down_request, friction_up_request, lever_down_request, lever_up_request;
std::int32_t mouse_x, mouse_y, mouse_buttons;
byte quit_requested;
scene_name command_buf, redraw_command, scene_file_buf;
scene_name layer_decbs1a, layer_lift, layer_clock, layer_liftiv, layer_liftbase;

scene_point POSCAB, POSKONTP, POSPOID;
scene_polyline CONCABLM, CONCABLD;
float ROTROU;
std::int16_t GODROUE;
scene_scale TALCAISS, TALKONTP;
std::int32_t KL;
scene_scale TALMOT, TALFROT, TALPOIDT, TALKPOID, TALNUM;
scene_text MASSP, MASKP, AXELP, FROTP;
scene_point POSPNTP, POSPNTR, POSPNTT;
scene_text B1, B2, B3, B4, B6, B7, B8;
float POSMANT;
float ROTAIGU;
colour_index colvis0, colvis1, colvis2, colvis3, colvis4, colvis5, colvis6;
colour_index colvis10, colvis11, colvis12, colvis13;
colour_index colvis20, colvis21, colvis22, colvis23;
colour_index colvis30, colvis31, colvis32, colvis33;
colour_index colvis40, colvis41, colvis42, colvis43;
colour_index colvis50, colvis51;
colour_index colf1, coln1, colt1;
scene_text ETATP, TOTOP;
scene_text A1, A2, A3, A4, A5, A6, A7, A8, A9;
scene_polyline CONTAXEL;
std::int16_t GODLAMP;
scene_text B5, C0, C1, C2, C3, C4;

// Called once by start_up after the bindings. Plays nothing, so the order
// of the stores is not visible. The clock and launch data were set by
// decode_launch_code before the scene was loaded and are left alone.
void set_initial_values() {
  // The marks of the options dialog: every option off, both curves off.
  colvis0 = colvis2 = colvis3 = colvis4 = colvis6 = colour_off;
  colvis10 = colour_on;
  colvis11 = colour_off;
  colvis20 = colour_on;
  colvis21 = colour_off;
  colvis30 = colour_on;
  colvis31 = colour_off;
  colvis40 = colvis50 = colour_on;
  colvis1 = colvis5 = colvis12 = colvis13 = colour_off;
  colvis22 = colvis23 = colvis32 = colvis33 = colour_off;
  colvis41 = colvis42 = colvis43 = colvis51 = colour_off;

  show_cabin_weight = 0;
  show_friction_force = 0;
  show_counterweight_weight = 0;
  energy_table_state = 0;
  motoring_plot_off = 1;
  braking_plot_off = 1;

  POSMANT = 0.0F;

  cabin_mass = 200.0;
  load_mass = 100.0;
  counterweight_mass = 200.0;
  moving_mass = 300.0;
  total_mass = 500.0;
  friction_force = 500.0;
  cabin_weight = 2943.0;
  jerk = 4.0;
  max_accel = 1.0;
  base_step = 0.001;
  step_profile = 1;

  POSCAB = {170.0F, 70.0F};
  // The counterweight block starts at its full drawn size; it follows the
  // counterweight only from its first change.
  TALKONTP = {1.0F, 1.0F};
  POSPOID = {170.0F, 37.0F};
  CONCABLM.count = 2;
  CONCABLM.points[0] = {170.0F, 139.0F};
  CONCABLM.points[1] = {170.0F, 524.0F};
  CONCABLD.count = 2;
  CONCABLD.points[0] = {285.0F, 520.0F};
  CONCABLD.points[1] = {285.0F, 470.0F};
  TALCAISS = {1.0F, 0.5F};
  GODROUE = 45;

  load_controls_shown = 1;
  load_controls_hidden = 0;
}

// Called by start_up and reset_simulation: draws the cabin at the lower
// landing and puts the plot cursor back to the start of its time axis.
void reset_geometry() {
  POSCAB = {170.0F, 70.0F};
  POSKONTP = {285.0F, 470.0F};
  CONCABLM.points[0].y = 139.0F;
  // Without a counterweight its cable shrinks to the pulley end.
  CONCABLD.points[1].y = counterweight_mass == 0.0 ? 520.0F : 470.0F;
  POSPNTP.x = 250.0F;
}

// Called by process_menu_requests when the reset button was clicked: the
// lift back at rest at the lower landing, from any state, also in the
// middle of a travel. Settings, options, clock (a pause included), the
// displays and the totals of the interrupted travel other than the
// motoring energy stay as they are.
void reset_simulation() {
  moving_up = 0;
  moving_down = 0;
  load_controls_shown = 1;
  play_command("RESETON");
  POSMANT = 0.0F;
  GODROUE = 45;
  accel = 0.0;
  speed = 0.0;
  position = 0.0;
  accel_distance = 0.0;
  ramp_distance = 0.0;
  elapsed_time = 0.0F;
  reset_geometry();
  reset_request = 0;
  play_command("MANETE");
  play_command("RESETOF");
  play_command("CHGE");
  load_controls_hidden = 0;
  load_controls_shown = 1;
  redraw_counter = 0.0;
  energy_motoring = 0.0;
}
