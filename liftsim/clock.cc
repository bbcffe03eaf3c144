// The simulation clock: nine speed levels reached by the buttons (higher is
// slower), a pause, and a single-step mode that waits for a left press
// before each redraw of the lift. The needle ROTAIGU shows the level.
#include <cmath>

#include "routines.h"
#include "state.h"

namespace {

// Called for a slower or faster request: a level change also ends a pause.
void set_level(std::int32_t level, double needle_turn) {
  time_scale_level = level;
  time_divisor = static_cast<float>(std::pow(2.0, time_scale_level));
  time_step = 1.0F / time_divisor;
  saved_time_step = time_step;
  ROTAIGU = static_cast<float>(ROTAIGU + needle_turn);
  play_command("CLOCK");
}

}  // namespace

// Third step of every pass, after the menus and before the settings.
void update_clock() {
  if (pause_request == 1 && time_step != 0.0F) {
    saved_time_step = time_step;
    play_command("STOP");
    time_step = 0.0F;
  }
  if (resume_request == 1) {
    play_command("CLOCK");
    time_step = saved_time_step;
  }
  // A level of 9 can only come from the launch code; the buttons move the
  // level within 0 to 8.
  if (slower_request == 1 && time_scale_level < 8) set_level(time_scale_level + 1, 22.5);
  if (faster_request == 1 && time_scale_level > 0) set_level(time_scale_level - 1, -22.5);
  // Single step: hold the program until the left button is down, in the
  // passes that end with a redraw of the lift.
  if (single_step_mode == 1 && redraw_counter == 0.0 && mouse_buttons != 1) {
    while (mouse_buttons != 1) VisMouse(-1, &mouse_x, &mouse_y, &mouse_buttons);
  }
}
