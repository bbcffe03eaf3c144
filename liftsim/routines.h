// The procedures of liftsim, by file. None takes arguments or returns a
// result unless shown: they work on the simulation state (state.h).
#pragma once

#include <cstdint>

#include "scene_runtime.h"

// main_loop.cc ---------------------------------------------------------------
// Called by WinMain: decode the launch code, start the runtime, load and
// bind the scene, set the start state and play the opening picture.
void start_up(int show_code);
// Called by WinMain after start_up: runs passes until quit_requested.
void run_main_loop();
// One pass of the main loop, its steps in their fixed order.
void main_loop_pass();
// Called by every file that plays a scene command: copies `name` into
// command_buf and plays it.
void play_command(const char* name);

// state.cc -------------------------------------------------------------------
// Called once by start_up after the bindings, before reset_geometry.
void set_initial_values();
// Called by start_up and by reset_simulation: the cabin at the lower landing.
void reset_geometry();
// Called by process_menu_requests in the pass in which reset_request is 1.
void reset_simulation();

// launch.cc ------------------------------------------------------------------
// Called first by start_up, before the runtime starts.
void decode_launch_code(int code);
// The return code handed to the tab program at quit.
std::int32_t return_code();
// Called by poll_control_panel in the pass in which quit is clicked.
void quit_to_tab_program();

// panel.cc -------------------------------------------------------------------
// The four hit tests, on the mouse state of the last poll. Also used by
// the modal loops of menus.cc.
void wait_button_release();
bool clicked_in(int x1, int y1, int x2, int y2);
bool pressed_in(int x1, int y1, int x2, int y2);
bool right_pressed_outside(int x1, int y1, int x2, int y2);
// First step of every pass: one poll, every request flag rewritten.
void poll_control_panel();

// menus.cc -------------------------------------------------------------------
// Second step of every pass: banner menu, erase, options, legend, reset.
void process_menu_requests();

// clock.cc -------------------------------------------------------------------
// Third step of every pass: pause, resume, speed level, single-step wait.
void update_clock();

// settings.cc ----------------------------------------------------------------
// Fourth step of every pass: settings at rest, and the lever.
void update_settings_and_lever();

// travel.cc ------------------------------------------------------------------
// Called by the main loop while moving_up (moving_down) is set; each ends
// with one integration step.
void travel_up();
void travel_down();
// Called by both at the end of a travel.
void stop_travel();

// dynamics.cc ----------------------------------------------------------------
// Called by travel_up and travel_down as their last action.
void integrate_step();

// readouts.cc ----------------------------------------------------------------
// Called by the main loop on every pass.
void update_force_vectors();
void update_energy_table();
void update_parameter_texts();
// Formats `value` with the printf `format` into `text` and stores its
// length; exact halves round away from zero; cut at the text's capacity.
void format_number(scene_text& text, const char* format, double value);

// plot.cc --------------------------------------------------------------------
// Called by the main loop on every pass, after update_energy_table.
void update_energy_plot();

// layers.cc ------------------------------------------------------------------
// Replays the background and every optional layer that is on. Called after
// menus, and when the energy table or the plot is switched on or off.
void refresh_layers();
// Called by the main loop on every pass: plays a view once per change.
void update_view_mode();
