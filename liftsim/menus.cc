// The banner menu, the erase, the options dialog, the symbols legend and
// the reset. The banner menu and the options dialog are modal loops inside
// one pass: they poll the mouse themselves and hold the simulation.
#include <cstring>

#include "routines.h"
#include "state.h"

namespace {

void poll_mouse() {
  VisMouse(-1, &mouse_x, &mouse_y, &mouse_buttons);
}

// One box of the options dialog: its rectangle and what it stores.
struct option_box {
  int x1, y1, x2, y2;
  std::int16_t* option;        // the option set by the box, or nullptr
  std::int16_t option_value;
  std::int16_t* paired_option;  // the other member of a radio pair, or nullptr
  colour_index* mark;          // the box's own mark (on/off rows: the row's)
  colour_index mark_value;
  colour_index* other_mark;    // the other choice's mark in a radio pair
};

// The sixteen boxes in test order. Rows 1 to 5 switch an option on or off
// with one mark; rows 6 to 8 are radio pairs with a mark per choice (row 6
// changes only its marks).
const option_box option_boxes[] = {
    {526, 455, 546, 475, &show_motor_force, 0, nullptr, &colvis0, colour_off, nullptr},
    {577, 455, 597, 475, &show_motor_force, 1, nullptr, &colvis0, colour_on, nullptr},
    {526, 425, 546, 445, &show_cabin_weight, 0, nullptr, &colvis2, colour_off, nullptr},
    {577, 425, 597, 445, &show_cabin_weight, 1, nullptr, &colvis2, colour_on, nullptr},
    {526, 395, 546, 415, &show_friction_force, 0, nullptr, &colvis3, colour_off, nullptr},
    {577, 395, 597, 415, &show_friction_force, 1, nullptr, &colvis3, colour_on, nullptr},
    {526, 365, 546, 385, &show_counterweight_weight, 0, nullptr, &colvis4, colour_off, nullptr},
    {577, 365, 597, 385, &show_counterweight_weight, 1, nullptr, &colvis4, colour_on, nullptr},
    {526, 305, 546, 325, &energy_table_state, 0, nullptr, &colvis6, colour_off, nullptr},
    {577, 305, 597, 325, &energy_table_state, 1, nullptr, &colvis6, colour_on, nullptr},
    {475, 255, 488, 276, nullptr, 0, nullptr, &colvis10, colour_on, &colvis11},
    {495, 255, 523, 276, nullptr, 0, nullptr, &colvis11, colour_on, &colvis10},
    {475, 225, 488, 246, &motoring_plot_off, 1, &motoring_plot_on, &colvis20, colour_on, &colvis21},
    {495, 225, 523, 246, &motoring_plot_on, 1, &motoring_plot_off, &colvis21, colour_on, &colvis20},
    {475, 195, 488, 216, &braking_plot_off, 1, &braking_plot_on, &colvis30, colour_on, &colvis31},
    {495, 195, 523, 216, &braking_plot_on, 1, &braking_plot_off, &colvis31, colour_on, &colvis30},
};

void store(const option_box& box) {
  if (box.option != nullptr) *box.option = box.option_value;
  if (box.paired_option != nullptr) *box.paired_option = 0;
  *box.mark = box.mark_value;
  if (box.other_mark != nullptr) *box.other_mark = colour_off;
}

// The banner's three help choices, a right press outside the strip for the
// background, and any other press for the banner again (the default left
// in command_buf by its play).
void run_banner_menu() {
  play_command("BANDO");
  while (mouse_buttons == 0) {
    poll_mouse();
    if (pressed_in(25, 568, 140, 590)) std::strcpy(command_buf.data(), "USE");
    if (pressed_in(160, 568, 325, 590)) std::strcpy(command_buf.data(), "FONC");
    if (pressed_in(340, 568, 460, 590)) std::strcpy(command_buf.data(), "REM");
    if (right_pressed_outside(25, 568, 630, 590)) std::strcpy(command_buf.data(), "DECOR");
  }
  wait_button_release();
  VisExec(command_buf.data());
  refresh_layers();
}

// The dialog runs until a poll reports the right button; it closes at once,
// without waiting for the release. Every poll replays the dialog and the
// lever, so a changed mark shows at once.
void run_options_dialog() {
  play_command("MENUVISU");
  while (mouse_buttons != 2) {
    poll_mouse();
    for (const option_box& box : option_boxes) {
      if (pressed_in(box.x1, box.y1, box.x2, box.y2)) store(box);
    }
    play_command("MENUVISU");
    play_command("MANETE");
  }
}

}  // namespace

// Second step of every pass, right after the control panel poll.
void process_menu_requests() {
  if (banner_request == 1) run_banner_menu();
  // The erase button lies inside the options button: erasing drops the
  // options request raised by the same click.
  if (erase_request == 1) {
    options_request = 0;
    erase_request = 0;
    play_command("EFAC");
    refresh_layers();
  }
  if (options_request == 1) run_options_dialog();
  if (symbols_request == 1) play_command("SYMBOLS");
  if (reset_request == 1) reset_simulation();
  reset_request = 0;
}
