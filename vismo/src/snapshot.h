// Offscreen pictures of a headless run: with VISMO_SCRIPT and
// VISMO_SNAPSHOT=FILE.png set, the headless backend (backend_headless.cc)
// paints every play onto a canvas the size of VISMO_SNAPSHOT_SIZE and
// writes it as a PNG when the script runs out and at VisEnd. Screenshot
// scripts and drawing tests use it to see what a window would show
// without opening one.
//
// The painter lives in the window build (canvas.h, render_cairo.h):
// snapshot_cairo.cc there, snapshot_none.cc without, which says so.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "backend.h"

namespace vismo {

class Snapshot {
 public:
  virtual ~Snapshot() = default;
  Snapshot() = default;
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  // Called by the headless backend when the scene has loaded; both
  // outlive the snapshot.
  virtual void scene_loaded(const Scene& scene, const Bindings& bindings) = 0;
  // Called for every VisExec with the command found (nullptr: none).
  virtual void play(const Command* command) = 0;
  // Called when the scene could not be loaded: the picture shows why.
  virtual void show_errors(const std::vector<Diagnostic>& diagnostics) = 0;
  // Writes the picture as it stands to the PNG file; a failure is
  // reported on stderr. Called when the script runs out and at VisEnd.
  virtual void write() = 0;
};

// A snapshot writing to `path` at `width` x `height` pixels, or nullptr
// (with a message on stderr) in a build without the painter.
std::unique_ptr<Snapshot> make_snapshot(const std::string& path, int width, int height);

}  // namespace vismo
