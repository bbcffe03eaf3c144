// A scene runtime for tests: implements the six runtime calls of vismo.h,
// records what the program asks of it, and answers VisMouse from a script
// the test fills. Tests link the real liftsim code against it.
#pragma once

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace recording {

struct Link {
  std::string layer;
  std::string variable;
  const void* address;
};

struct Mouse {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t buttons = 0;
};

// Thrown by VisMouse when the program polls on after the script ran out
// more often than `idle_poll_limit` allows: a modal loop that never ends.
struct ScriptExhausted : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Runtime {
  std::vector<std::string> events;  // "begin 0", "load LIFT.ANM", "exec LIFT", "mouse 1 2 0", "end"
  std::vector<Link> links;
  std::deque<Mouse> script;         // answered in order; then `idle`
  Mouse idle;
  long idle_polls = 0;
  long idle_poll_limit = 2'000'000;
  long polls = 0;
  bool record_mouse = false;        // also log "mouse" events

  // The names of the commands played since the log was last cleared.
  std::vector<std::string> execs() const;
  void clear() { events.clear(); }
  // A left click: press, then release.
  void click(int x, int y);
  void press(int x, int y, int buttons, int times = 1);
};

// The one runtime of the test process.
Runtime& runtime();

}  // namespace recording
