// starter: starts the tab program with its launch code and ends at once.
#include "platform/platform.h"

namespace {

// The code the tab program receives from the starter.
constexpr unsigned starter_launch_code = 26000;

void start_tab_program() {
  WinExec("Tabora.exe", starter_launch_code);
}

}  // namespace

int WinMain(void* /*instance*/, void* /*previous_instance*/, char* /*command_line*/, int /*show_code*/) {
  start_tab_program();
  return 0;
}
