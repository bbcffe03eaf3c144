// The program's entry: its whole life is start-up, the main loop and the
// end of the runtime. Returns 0 in every case.
#include "platform/platform.h"
#include "routines.h"

int WinMain(void* /*instance*/, void* /*previous_instance*/, char* /*command_line*/, int show_code) {
  start_up(show_code);
  run_main_loop();
  VisEnd();
  return 0;
}
