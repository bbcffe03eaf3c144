// Process entry on POSIX hosts: turns CMDSHOW into the show code of WinMain.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

// The host system hands over the show code in 16 bits; a start without one
// delivers 10. An unreadable value is said on stderr and treated like a
// missing one.
int show_code_from_environment() {
  constexpr int no_show_code = 10;
  const char* text = std::getenv("CMDSHOW");
  if (text == nullptr || *text == '\0') return no_show_code;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0') {
    std::fprintf(stderr, "CMDSHOW=%s is not a decimal number; starting with %d\n", text, no_show_code);
    return no_show_code;
  }
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
