// What the runtime core (runtime.cc) asks of a backend, and what a backend
// may read of the bindings. Backends are whole files side by side:
// backend_headless.cc (scripted mouse, no output; always built) and
// backend_window.cc (SDL2 window drawn with cairo). The trace is written by
// the core, not by a backend, so it is the same for both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scene.h"

namespace vismo {

struct MouseState {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t buttons = 0;  // 0 none, 1 left, 2 right
};

// The addresses the program bound, by variable index. Reads decode the
// bytes at the address by the variable's declared type, at the moment of
// the call; an unbound variable reads as zero / empty.
class Bindings {
 public:
  explicit Bindings(const Scene& scene) : scene_(&scene), addresses_(scene.variables.size()) {}

  void bind(int variable, const void* address) { addresses_.at(static_cast<std::size_t>(variable)) = address; }
  const void* address(int variable) const { return addresses_.at(static_cast<std::size_t>(variable)); }
  const Scene& scene() const { return *scene_; }

  // int16, int32, colour, float: the value; point, scale: x. Else 0.
  double number(int variable) const;
  // point, scale: (x, y). Numbers: (v, v). Else (0, 0).
  std::pair<float, float> pair(int variable) const;
  // text: its characters (length from byte 0, at most 78). Numbers are
  // formatted as the trace formats them.
  std::string text(int variable) const;
  // polyline: its points (count clamped to 0..10).
  std::vector<std::pair<float, float>> polyline(int variable) const;

 private:
  const Scene* scene_;
  std::vector<const void*> addresses_;
};

// The text form of a value as the trace writes it (docs/scene-format.md,
// "Headless script and trace"): `bytes` holds type_size(type) bytes in
// the memory format of `type`. Bindings::text uses it for numbers too, so
// a window shows a number as the trace does.
std::string format_value(VarType type, const void* bytes);
// The shortest decimal that reads back as the same float: 70, 0.1, -0,
// 1e-07, 1e+05.
std::string format_float(float value);

class Backend {
 public:
  virtual ~Backend() = default;
  Backend() = default;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // Called by VisLoad once the scene has loaded; both outlive the backend.
  virtual void scene_loaded(const Scene& scene, const Bindings& bindings) = 0;
  // Called by VisExec after the trace has recorded the play, with the
  // command found in the scene (nullptr when the scene has none, or no
  // scene loaded). Paints it over the canvas and paces it.
  virtual void play(const Command* command) = 0;
  // Called by VisMouse: the mouse state to report.
  virtual MouseState poll_mouse() = 0;
  // Called by VisLoad when a scene could not be loaded, with its messages,
  // so a window can show them.
  virtual void show_errors(const std::vector<Diagnostic>& diagnostics) = 0;
};

// The headless backend: mouse states from the script file; exhausting the
// script flushes the trace (through `on_end_of_script`) and exits 0.
std::unique_ptr<Backend> make_headless_backend(const std::string& script_path, void (*on_end_of_script)());

// The window backend, created by VisBegin; nullptr with a message on
// stderr when no display can be opened. Built only with LIFTSIM_WINDOW;
// without it the function reports that and returns nullptr.
std::unique_ptr<Backend> make_window_backend();

}  // namespace vismo
