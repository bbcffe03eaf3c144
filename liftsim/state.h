// The simulation state: every program-wide variable of liftsim, in one
// place. All of them have static storage, are zero at program load and are
// read and written directly by the procedures of the other files, once per
// pass of the single main loop. Bound variables (at the end) are read by the
// scene runtime by address whenever a played command draws them, so they
// keep their address and the memory format of their scene type for the
// whole run; they carry the scene's spelling of their name.
//
// Units are SI (m, s, kg, N, J); scene positions are scene units, 50 per
// metre of travel, y growing with height; angles in degrees. Flags are
// bytes holding 0 or 1; options are int16 0 or 1.
//
// Writers are named by file: state.cc (start values and resets), launch.cc,
// panel.cc, clock.cc, layers.cc, menus.cc, settings.cc, travel.cc,
// dynamics.cc, readouts.cc, plot.cc, main_loop.cc.
#pragma once

#include <cstdint>

#include "scene_runtime.h"

using byte = std::uint8_t;

// ---------------------------------------------------------------- settings
// Chosen by the user; settings.cc changes them only while the lift is at rest.
extern double cabin_mass;          // double kg: the empty cabin, 200; state.cc
extern double load_mass;           // double kg: load in the cabin, 0..200 by 50; state.cc, settings.cc
extern double counterweight_mass;  // double kg: 0..400 by 100; state.cc, settings.cc
extern double friction_force;      // double N: friction opposing travel, 0..1000 by 100; state.cc, settings.cc
extern double max_accel;           // double m/s2: 1, 3, 5, 7 or 9; state.cc, settings.cc
extern byte step_profile;          // byte: 1 steps ("ECHELON"), 0 ramps ("TRAPEZE"); state.cc, settings.cc

// ------------------------------------------------------- derived quantities
// Recomputed by settings.cc on every pass at rest.
extern double moving_mass;     // double kg: cabin_mass + load_mass; state.cc, settings.cc
extern double total_mass;      // double kg: moving_mass + counterweight_mass; state.cc, settings.cc
extern double cabin_weight;    // double N: moving_mass x 9.81; state.cc, settings.cc
extern double jerk;            // double m/s3: 4 x max_accel; state.cc, settings.cc
extern double inertial_force;  // double N: total_mass x accel of the last step; dynamics.cc

// ------------------------------------------------------------------ travel
extern double position;         // double m: cabin height above the lower landing, 0..6; state.cc, travel.cc, dynamics.cc
extern double speed;            // double m/s: along direction, 2.0 is full speed; state.cc, travel.cc, dynamics.cc
extern double accel;            // double m/s2: along direction, < 0 while braking; state.cc, travel.cc
extern double direction;        // double: +1 up, -1 down, kept at rest and through resets; travel.cc
extern byte moving_up;          // byte: an upward travel runs; state.cc, settings.cc, travel.cc
extern byte moving_down;        // byte: a downward travel runs; state.cc, settings.cc, travel.cc
extern byte accel_phase;        // byte: accel has reached max_accel; travel.cc
extern double accel_distance;   // double m: covered when full speed was reached; state.cc, travel.cc
extern double ramp_distance;    // double m: covered when the ramp reached max_accel; state.cc, travel.cc
extern double step_distance;    // double m: distance of the last integration step; dynamics.cc
extern double motor_force;      // double N: force the motor supplies, > 0 motoring; dynamics.cc
extern double energy_total;     // double J: sum of |step work| this travel; settings.cc, dynamics.cc
extern double energy_motoring;  // double J: part taken while motor_force > 0; state.cc, settings.cc, dynamics.cc
extern double energy_braking;   // double J: part taken while motor_force < 0; settings.cc, dynamics.cc
extern float elapsed_time;      // float s: simulated time of the current travel; state.cc, settings.cc, dynamics.cc

// ------------------------------------------------------------------- clock
extern std::int32_t time_scale_level;  // int32: level n, step = base_step / 2^n; launch.cc, clock.cc
extern float time_divisor;             // float: 2^n; launch.cc, clock.cc
extern float time_step;                // float: factor of base_step per step, 0 while paused; launch.cc, clock.cc
extern float saved_time_step;          // float: the running step, kept through a pause; launch.cc, clock.cc
extern double base_step;               // double s: integration step at factor 1, 0.001; state.cc
extern double redraw_counter;          // double: integration steps 0..9 of a travel, 0 at rest; state.cc, dynamics.cc
extern byte single_step_mode;          // byte: wait for a left press before each redraw; panel.cc

// ------------------------------------------------------------- launch data
extern std::int32_t launch_option;    // int32: units digit of the launch code, 0 for 9; launch.cc
extern std::int32_t restore_display;  // int32: 9 when the units digit was 9, else 0; launch.cc

// ----------------------------------------------------------------- options
// Chosen in the options dialog (menus.cc); read by the displays.
extern std::int16_t show_motor_force;           // int16: motor-force vector drawn; menus.cc
extern std::int16_t show_cabin_weight;          // int16: cabin-weight vector drawn; state.cc, menus.cc
extern std::int16_t show_friction_force;        // int16: friction vector drawn; state.cc, menus.cc
extern std::int16_t show_counterweight_weight;  // int16: counterweight-weight vector drawn; state.cc, menus.cc
extern std::int16_t energy_table_state;         // int16: 0 hidden, 1 show requested, 2 shown; state.cc, menus.cc, readouts.cc
extern std::int16_t motoring_plot_off;          // int16: motoring curve hidden; state.cc, menus.cc
extern std::int16_t motoring_plot_on;           // int16: motoring curve plotted; menus.cc
extern std::int16_t braking_plot_off;           // int16: braking curve hidden; state.cc, menus.cc
extern std::int16_t braking_plot_on;            // int16: braking curve plotted; menus.cc

// ---------------------------------------------------- display bookkeeping
// Which command was played last, so that each is played once per change.
extern byte load_controls_shown;   // byte: "CHGE" was played last; state.cc, dynamics.cc
extern byte load_controls_hidden;  // byte: "NOCHGE" was played last; state.cc, dynamics.cc
extern byte trace_shown;           // byte: the energy-plot frame is on screen; plot.cc
extern byte energy_table_visible;  // byte: the energy table is on screen; readouts.cc
extern byte normal_view_active;    // byte: "NORMAL" was the last view played; layers.cc
extern byte isol_view_active;      // byte: "ISOL" was the last view played; layers.cc
extern byte trace_view_active;     // byte: "TRACE" was the last view played by the view rules; layers.cc

// ---------------------------------------------------------------- requests
// Rewritten by the control panel (panel.cc) on every pass: 1 only in the
// pass in which the click was seen. Acted on later in the same pass.
extern byte banner_request;              // byte: banner menu; menus.cc acts
extern byte options_request;             // byte: options dialog; menus.cc acts and clears
extern byte erase_request;               // byte: erase; menus.cc acts and clears
extern byte symbols_request;             // byte: symbols legend; menus.cc acts
extern byte reset_request;               // byte: reset; menus.cc acts and clears, state.cc clears
extern byte pause_request;               // byte: pause the clock; clock.cc acts
extern byte resume_request;              // byte: resume the clock; clock.cc acts
extern byte slower_request;              // byte: one clock level slower; clock.cc acts
extern byte faster_request;              // byte: one clock level faster; clock.cc acts
extern byte echelon_request;             // byte: step profile; settings.cc acts
extern byte trapeze_request;             // byte: ramp profile; settings.cc acts
extern byte accel_down_request;          // byte: lower max_accel; settings.cc acts
extern byte accel_up_request;            // byte: raise max_accel; settings.cc acts
extern byte load_down_request;           // byte: lower load_mass; settings.cc acts
extern byte load_up_request;             // byte: raise load_mass; settings.cc acts
extern byte counterweight_down_request;  // byte: lower counterweight_mass; settings.cc acts
extern byte counterweight_up_request;    // byte: raise counterweight_mass; settings.cc acts
extern byte friction_down_request;       // byte: lower friction_force; settings.cc acts
extern byte friction_up_request;         // byte: raise friction_force; settings.cc acts
extern byte lever_down_request;          // byte: lever down, downward travel; settings.cc acts
extern byte lever_up_request;            // byte: lever up, upward travel; settings.cc acts

// ------------------------------------------------------- mouse and control
extern std::int32_t mouse_x;        // int32 scene units: pointer, filled by VisMouse; panel.cc, clock.cc, menus.cc
extern std::int32_t mouse_y;        // int32 scene units: pointer, filled by VisMouse; panel.cc, clock.cc, menus.cc
extern std::int32_t mouse_buttons;  // int32: 0 none, 1 left, 2 right, filled by VisMouse; same
extern byte quit_requested;         // byte: end the main loop after this pass; launch.cc
extern scene_name command_buf;      // name: the command being played; every file that plays one
extern scene_name redraw_command;   // name: "INLIFT" at start-up, then "LIFT"; main_loop.cc
extern scene_name scene_file_buf;   // name: "LIFT.ANM"; main_loop.cc
extern scene_name layer_decbs1a;    // name: "DECBS1A"; main_loop.cc
extern scene_name layer_lift;       // name: "LIFT"; main_loop.cc
extern scene_name layer_clock;      // name: "CLOCK"; main_loop.cc
extern scene_name layer_liftiv;     // name: "LIFTIV"; main_loop.cc
extern scene_name layer_liftbase;   // name: "LIFTBASE"; main_loop.cc

// --------------------------------------------------------- bound variables
// Layer LIFT: the installation.
extern scene_point POSCAB;        // point: cabin, y = 70 + 50 x position; state.cc, dynamics.cc
extern scene_point POSKONTP;      // point: counterweight, y = 470 - 50 x position; state.cc, dynamics.cc
extern scene_point POSPOID;       // point: anchor of the weight arrow, (170, 37); state.cc
extern scene_polyline CONCABLM;   // polyline: cabin cable, point 0 y = 139 + 50 x position; state.cc, dynamics.cc
extern scene_polyline CONCABLD;   // polyline: counterweight cable, point 1 at the counterweight or 520; state.cc, settings.cc, dynamics.cc
extern float ROTROU;              // float deg: pulley angle, unbounded; dynamics.cc
extern std::int16_t GODROUE;      // int16: phase 43 accelerating, 44 full speed, 45 braking or at rest; state.cc, travel.cc
extern scene_scale TALCAISS;      // scale: load box, y = load_mass x 0.005; state.cc, settings.cc
extern scene_scale TALKONTP;      // scale: counterweight block, y = counterweight_mass / 300; state.cc, settings.cc
extern std::int32_t KL;           // int32: hundreds digit of the launch code, handed back; launch.cc
// Layer LIFT: force vectors, texts, energy table scale and plot pens.
extern scene_scale TALMOT;        // scale: motor-force arrow; readouts.cc
extern scene_scale TALFROT;       // scale: friction arrow; readouts.cc
extern scene_scale TALPOIDT;      // scale: cabin-weight arrow; readouts.cc
extern scene_scale TALKPOID;      // scale: counterweight-weight arrow; readouts.cc
extern scene_scale TALNUM;        // scale: energy-table figures, (1,1) shown, (0,0) hidden; readouts.cc
extern scene_text MASSP;          // text: load_mass; readouts.cc
extern scene_text MASKP;          // text: counterweight_mass; readouts.cc
extern scene_text AXELP;          // text: max_accel; readouts.cc
extern scene_text FROTP;          // text: friction_force; readouts.cc
extern scene_point POSPNTP;       // point: x plot cursor, y braking curve or -200; state.cc, settings.cc, plot.cc
extern scene_point POSPNTR;       // point: x cursor copy, y motoring curve or -200; plot.cc
extern scene_point POSPNTT;       // point: x cursor copy, y 0; plot.cc
// Layer LIFTIV: the energy table.
extern scene_text B1, B2, B3, B4, B6, B7, B8;  // text: travel time, motor force, weights, energies; readouts.cc
// Layer LIFTBASE and CLOCK.
extern float POSMANT;             // float: lever, 0 down, 70 up; state.cc, settings.cc
extern float ROTAIGU;             // float deg: clock needle, 22.5 per level; launch.cc, clock.cc
// Layer DECBS1A: marks of the options dialog (3 off, 4 on); state.cc, menus.cc.
extern colour_index colvis0, colvis1, colvis2, colvis3, colvis4, colvis5, colvis6;
extern colour_index colvis10, colvis11, colvis12, colvis13;
extern colour_index colvis20, colvis21, colvis22, colvis23;
extern colour_index colvis30, colvis31, colvis32, colvis33;
extern colour_index colvis40, colvis41, colvis42, colvis43;
extern colour_index colvis50, colvis51;
// Bound only: the scene may use them, the program never writes them.
extern colour_index colf1, coln1, colt1;           // colour: layer DECBS1A
extern scene_text ETATP, TOTOP;                    // text: layer LIFT (TOTOP also in LIFTIV)
extern scene_text A1, A2, A3, A4, A5, A6, A7, A8, A9;  // text: layer LIFT
extern scene_polyline CONTAXEL;                    // 88-byte block: layer LIFT
extern std::int16_t GODLAMP;                       // int16: layer LIFT
extern scene_text B5, C0, C1, C2, C3, C4;          // text: layer LIFTIV
