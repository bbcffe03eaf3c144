// The control panel: one mouse poll at the start of every pass, turned into
// one-pass request flags by testing the button rectangles in a fixed order.
// The scene draws the buttons; the program only knows their rectangles, in
// scene units with y growing upward.
#include "routines.h"
#include "state.h"

namespace {

void poll_mouse() {
  VisMouse(-1, &mouse_x, &mouse_y, &mouse_buttons);
}

bool strictly_inside(int x1, int y1, int x2, int y2) {
  return x1 < mouse_x && mouse_x < x2 && y1 < mouse_y && mouse_y < y2;
}

byte flag(bool hit) {
  return hit ? 1 : 0;
}

}  // namespace

// Holds the whole program until no button is down; the position of the
// release is left in mouse_x, mouse_y.
void wait_button_release() {
  while (mouse_buttons != 0) poll_mouse();
}

// A left press strictly inside, waited out before returning true: the later
// tests of the pass then see no button, so one click raises one request.
bool clicked_in(int x1, int y1, int x2, int y2) {
  if (!(strictly_inside(x1, y1, x2, y2) && mouse_buttons == 1)) return false;
  wait_button_release();
  return true;
}

// A left press strictly inside; true on every poll while it is held.
bool pressed_in(int x1, int y1, int x2, int y2) {
  return strictly_inside(x1, y1, x2, y2) && mouse_buttons == 1;
}

// A right press outside the rectangle; its edges count as inside.
bool right_pressed_outside(int x1, int y1, int x2, int y2) {
  return mouse_buttons == 2 && (mouse_x < x1 || mouse_x > x2 || mouse_y < y1 || mouse_y > y2);
}

// First step of every pass. Every request flag is assigned here on every
// pass, so a request lives for this pass only.
void poll_control_panel() {
  poll_mouse();
  banner_request = flag(clicked_in(658, 568, 682, 590));
  // A button of the banner row without an action: its click is waited out.
  (void)clicked_in(739, 568, 763, 590);
  // Held presses keep the options request up; the erase button lies inside
  // the options button, so a click on it raises both (menus drop options).
  options_request = flag(pressed_in(658, 70, 712, 115));
  erase_request = flag(clicked_in(658, 98, 668, 115));
  pause_request = flag(clicked_in(726, 98, 740, 115));
  resume_request = flag(right_pressed_outside(726, 98, 740, 115));
  slower_request = flag(clicked_in(726, 70, 740, 88));
  faster_request = flag(clicked_in(769, 70, 784, 88));
  symbols_request = flag(clicked_in(730, 20, 784, 60));
  if (clicked_in(769, 98, 784, 115)) single_step_mode = 1;
  if (right_pressed_outside(769, 98, 784, 115)) single_step_mode = 0;
  echelon_request = flag(clicked_in(663, 518, 686, 540));
  trapeze_request = flag(clicked_in(757, 518, 780, 540));
  accel_down_request = flag(clicked_in(663, 458, 686, 480));
  accel_up_request = flag(clicked_in(757, 458, 780, 480));
  load_down_request = flag(clicked_in(663, 378, 686, 400));
  load_up_request = flag(clicked_in(757, 378, 780, 400));
  counterweight_down_request = flag(clicked_in(663, 318, 686, 340));
  counterweight_up_request = flag(clicked_in(757, 318, 780, 340));
  friction_down_request = flag(clicked_in(663, 258, 686, 280));
  friction_up_request = flag(clicked_in(757, 258, 780, 280));
  lever_down_request = flag(clicked_in(660, 145, 685, 172));
  lever_up_request = flag(clicked_in(760, 145, 785, 172));
  reset_request = flag(clicked_in(660, 23, 710, 62));
  if (clicked_in(766, 568, 790, 590)) quit_to_tab_program();
}
