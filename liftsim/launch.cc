// The launch code: three decimal digits handed over by the tab program in
// the show code, and handed back at quit in the return code.
#include <cmath>

#include "platform/platform.h"
#include "routines.h"
#include "state.h"

// Called first by start_up, before the runtime starts. Hundreds digit: the
// scene value KL; tens: the starting clock level; units: an option handed
// back, where 9 also asks for the display to be restored at quit.
void decode_launch_code(int code) {
  KL = (code % 1000) / 100;
  const int n = (code % 100) / 10;
  time_scale_level = n;
  time_divisor = static_cast<float>(std::pow(2.0, n));
  time_step = 1.0F / time_divisor;
  saved_time_step = time_step;
  ROTAIGU = static_cast<float>(ROTAIGU + 22.5 * n);
  const int units = code % 10;
  launch_option = units;
  if (units == 9) {
    launch_option = 0;
    restore_display = 9;
  }
}

// 1 in the thousands, KL as received, the clock level as the user left it,
// and the option digit (9 comes back as 0).
std::int32_t return_code() {
  return 1000 + 100 * KL + 10 * time_scale_level + launch_option;
}

// Called by poll_control_panel in the pass in which quit is clicked. Starts
// the programs and never waits for them; their results are not examined.
void quit_to_tab_program() {
  if (restore_display == 9) WinExec("Scrnfix.exe /RESTORE", 5);
  const std::int32_t code = return_code();
  SetCurrentDirectoryA("..");
  WinExec("Tabora.exe", static_cast<unsigned>(code));
  quit_requested = 1;
}
