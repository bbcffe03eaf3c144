#include "recording_runtime.h"

#include <vismo/vismo.h>

namespace recording {

Runtime& runtime() {
  static Runtime instance;
  return instance;
}

std::vector<std::string> Runtime::execs() const {
  std::vector<std::string> names;
  for (const auto& e : events) {
    if (e.starts_with("exec ")) names.push_back(e.substr(5));
  }
  return names;
}

void Runtime::click(int x, int y) {
  script.push_back({x, y, 1});
  script.push_back({x, y, 0});
}

void Runtime::press(int x, int y, int buttons, int times) {
  for (int i = 0; i < times; ++i) script.push_back({x, y, buttons});
}

}  // namespace recording

using recording::runtime;

extern "C" {

int32_t VisBegin(int32_t mode) {
  runtime().events.push_back("begin " + std::to_string(mode));
  return 0;
}

int32_t VisLoad(const char* file_name) {
  runtime().events.push_back(std::string("load ") + file_name);
  return 0;
}

int32_t VisLink(const char* layer, const char* variable, void* address) {
  runtime().links.push_back({layer, variable, address});
  return 0;
}

int32_t VisExec(const char* command) {
  runtime().events.push_back(std::string("exec ") + command);
  return 0;
}

int32_t VisMouse(int32_t /*device*/, int32_t* x, int32_t* y, int32_t* buttons) {
  auto& rt = runtime();
  ++rt.polls;
  recording::Mouse m = rt.idle;
  if (!rt.script.empty()) {
    m = rt.script.front();
    rt.script.pop_front();
  } else if (++rt.idle_polls > rt.idle_poll_limit) {
    throw recording::ScriptExhausted("the program kept polling after the mouse script ran out");
  }
  *x = m.x;
  *y = m.y;
  *buttons = m.buttons;
  if (rt.record_mouse) {
    rt.events.push_back("mouse " + std::to_string(m.x) + " " + std::to_string(m.y) + " " + std::to_string(m.buttons));
  }
  return 0;
}

int32_t VisEnd(void) {
  runtime().events.emplace_back("end");
  return 0;
}

}  // extern "C"
