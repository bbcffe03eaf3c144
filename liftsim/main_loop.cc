// Start-up, the scene bindings and the main loop: the whole life of the
// program between WinMain's entry and VisEnd.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "routines.h"
#include "state.h"

namespace {

void fill_name(scene_name& buffer, std::string_view name) {
  buffer.fill('\0');
  std::copy_n(name.begin(), std::min(name.size(), buffer.size() - 1), buffer.begin());
}

// The 86 bindings, in the order the scene expects them. A_ is the first
// pair of bindings of A1..A7; they are bound twice with the same address.
void link_scene() {
  char* const decbs1a = layer_decbs1a.data();
  char* const lift = layer_lift.data();
  char* const liftiv = layer_liftiv.data();
  VisLink(decbs1a, "colvis0", &colvis0);
  VisLink(decbs1a, "colvis1", &colvis1);
  VisLink(decbs1a, "colvis2", &colvis2);
  VisLink(decbs1a, "colvis3", &colvis3);
  VisLink(decbs1a, "colvis4", &colvis4);
  VisLink(decbs1a, "colvis5", &colvis5);
  VisLink(decbs1a, "colvis6", &colvis6);
  VisLink(decbs1a, "colvis10", &colvis10);
  VisLink(decbs1a, "colvis11", &colvis11);
  VisLink(decbs1a, "colvis12", &colvis12);
  VisLink(decbs1a, "colvis13", &colvis13);
  VisLink(decbs1a, "colvis20", &colvis20);
  VisLink(decbs1a, "colvis21", &colvis21);
  VisLink(decbs1a, "colvis22", &colvis22);
  VisLink(decbs1a, "colvis23", &colvis23);
  VisLink(decbs1a, "colvis30", &colvis30);
  VisLink(decbs1a, "colvis31", &colvis31);
  VisLink(decbs1a, "colvis32", &colvis32);
  VisLink(decbs1a, "colvis33", &colvis33);
  VisLink(decbs1a, "colvis40", &colvis40);
  VisLink(decbs1a, "colvis41", &colvis41);
  VisLink(decbs1a, "colvis42", &colvis42);
  VisLink(decbs1a, "colvis43", &colvis43);
  VisLink(decbs1a, "colvis50", &colvis50);
  VisLink(decbs1a, "colvis51", &colvis51);
  VisLink(decbs1a, "colf1", &colf1);
  VisLink(decbs1a, "coln1", &coln1);
  VisLink(decbs1a, "colt1", &colt1);
  VisLink(lift, "KL", &KL);
  VisLink(layer_liftbase.data(), "POSMANT", &POSMANT);
  VisLink(lift, "POSPNTT", &POSPNTT);
  VisLink(lift, "POSPNTR", &POSPNTR);
  VisLink(lift, "POSPNTP", &POSPNTP);
  VisLink(lift, "ROTROU", &ROTROU);
  VisLink(lift, "GODROUE", &GODROUE);
  VisLink(lift, "CONCABLM", &CONCABLM);
  VisLink(lift, "CONCABLD", &CONCABLD);
  VisLink(lift, "CONTAXEL", &CONTAXEL);
  VisLink(lift, "TALCAISS", &TALCAISS);
  VisLink(lift, "TALKONTP", &TALKONTP);
  VisLink(lift, "GODLAMP", &GODLAMP);
  VisLink(lift, "POSCAB", &POSCAB);
  VisLink(lift, "POSKONTP", &POSKONTP);
  VisLink(lift, "TALMOT", &TALMOT);
  VisLink(lift, "TALFROT", &TALFROT);
  VisLink(lift, "TALPOIDT", &TALPOIDT);
  VisLink(lift, "POSPOID", &POSPOID);
  VisLink(lift, "TALKPOID", &TALKPOID);
  VisLink(lift, "ETATP", &ETATP);
  VisLink(lift, "MASSP", &MASSP);
  VisLink(lift, "MASKP", &MASKP);
  VisLink(lift, "AXELP", &AXELP);
  VisLink(lift, "FROTP", &FROTP);
  for (int pass = 0; pass < 2; ++pass) {
    VisLink(lift, "A1", &A1);
    VisLink(lift, "A2", &A2);
    VisLink(lift, "A3", &A3);
    VisLink(lift, "A4", &A4);
    VisLink(lift, "A5", &A5);
    VisLink(lift, "A6", &A6);
    VisLink(lift, "A7", &A7);
    if (pass == 0) VisLink(lift, "TALNUM", &TALNUM);
  }
  VisLink(lift, "A8", &A8);
  VisLink(lift, "A9", &A9);
  VisLink(lift, "TOTOP", &TOTOP);
  VisLink(liftiv, "TOTOP", &TOTOP);
  VisLink(liftiv, "B1", &B1);
  VisLink(liftiv, "B2", &B2);
  VisLink(liftiv, "B3", &B3);
  VisLink(liftiv, "B4", &B4);
  VisLink(liftiv, "B5", &B5);
  VisLink(liftiv, "B6", &B6);
  VisLink(liftiv, "B7", &B7);
  VisLink(liftiv, "B8", &B8);
  VisLink(liftiv, "C0", &C0);
  VisLink(liftiv, "C1", &C1);
  VisLink(liftiv, "C2", &C2);
  VisLink(liftiv, "C3", &C3);
  VisLink(liftiv, "C4", &C4);
  VisLink(layer_clock.data(), "ROTAIGU", &ROTAIGU);
}

}  // namespace

void play_command(const char* name) {
  fill_name(command_buf, name);
  VisExec(command_buf.data());
}

// Called once by WinMain. Nothing here examines a runtime result: a scene
// that does not load is reported by the runtime, and the program runs on.
void start_up(int show_code) {
  decode_launch_code(show_code);
  VisBegin(0);
  fill_name(scene_file_buf, "LIFT.ANM");
  fill_name(layer_decbs1a, "DECBS1A");
  fill_name(layer_lift, "LIFT");
  fill_name(layer_clock, "CLOCK");
  fill_name(layer_liftiv, "LIFTIV");
  fill_name(layer_liftbase, "LIFTBASE");
  VisLoad(scene_file_buf.data());
  link_scene();
  set_initial_values();
  reset_geometry();
  fill_name(redraw_command, "INLIFT");
  VisExec(redraw_command.data());
  fill_name(redraw_command, "LIFT");
}

// The loop has no pacing of its own: the runtime's calls give it its pace,
// and each pass of a travel advances simulated time by one step.
void main_loop_pass() {
  poll_control_panel();
  process_menu_requests();
  update_clock();
  update_settings_and_lever();
  // Each flag is read when its step is reached: a travel started above takes
  // its first step in this pass, one that ends in travel_up is not continued.
  if (moving_up == 1) travel_up();
  if (moving_down == 1) travel_down();
  update_force_vectors();
  update_energy_table();
  update_energy_plot();
  update_view_mode();
  update_parameter_texts();
  // At rest on every pass, during a travel on every tenth step.
  if (redraw_counter == 0.0) VisExec(redraw_command.data());
}

void run_main_loop() {
  // The flag is tested after whole passes only: the pass that clicks quit
  // still runs to its end.
  do {
    main_loop_pass();
  } while (quit_requested != 1);
}
