// The snapshot painter of the window build; see snapshot.h. It paints with
// the window's own canvas, so a snapshot shows what a window of that size
// would show.
#include <cairo.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "snapshot.h"

namespace vismo {

namespace {

class CairoSnapshot final : public Snapshot {
 public:
  CairoSnapshot(std::string path, int width, int height) : path_(std::move(path)), width_(width), height_(height) {}

  void scene_loaded(const Scene& scene, const Bindings& bindings) override {
    bindings_ = &bindings;
    canvas_ = std::make_unique<Canvas>(scene, width_, height_);
  }

  void play(const Command* command) override {
    if (command != nullptr && canvas_ && bindings_ != nullptr) canvas_->play(*command, *bindings_);
  }

  void show_errors(const std::vector<Diagnostic>& diagnostics) override {
    if (!canvas_) canvas_ = std::make_unique<Canvas>(empty_scene_, width_, height_);
    std::vector<std::string> lines{"The scene could not be loaded:"};
    for (const Diagnostic& d : diagnostics) lines.push_back(d.to_string());
    canvas_->show_messages(std::move(lines));
  }

  void write() override {
    if (!canvas_) canvas_ = std::make_unique<Canvas>(empty_scene_, width_, height_);  // nothing loaded
    cairo_surface_t* surface = canvas_->surface();
    cairo_surface_flush(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path_.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
      std::fprintf(stderr, "vismo: cannot write the snapshot %s: %s\n", path_.c_str(), cairo_status_to_string(status));
    }
  }

 private:
  std::string path_;
  int width_;
  int height_;
  Scene empty_scene_;  // the blank 800 x 600 scene of a run whose scene did not load
  const Bindings* bindings_ = nullptr;
  std::unique_ptr<Canvas> canvas_;
};

}  // namespace

std::unique_ptr<Snapshot> make_snapshot(const std::string& path, int width, int height) {
  return std::make_unique<CairoSnapshot>(path, width, height);
}

}  // namespace vismo
