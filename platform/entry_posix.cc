// Process entry on POSIX hosts: turns CMDSHOW into the show code of WinMain.
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

// The host system hands over the show code in 16 bits; a start without one
// delivers 10. An unreadable value is treated like a missing one.
int show_code_from_environment() {
  const char* text = std::getenv("CMDSHOW");
  if (text == nullptr || *text == '\0') return 10;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0') return 10;
  return static_cast<int>(static_cast<unsigned long>(value) & 0xFFFFUL);
}

}  // namespace

int main(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  return WinMain(nullptr, nullptr, command_line.data(), show_code_from_environment());
}
