// The picture a window shows: the accumulation of every play painted so far
// (the painter's model), kept at device resolution, and able to paint
// itself again at another size.
//
// The window backend calls play() for every VisExec and resize() when the
// window's pixel size changes; tests and benchmarks use it without a
// window.
//
// Redrawing at a new size. The canvas keeps the plays that may still be
// visible (PlayRecord: the bytes the play read, the scene states, the pen
// prefixes it drew) and paints them again, in order, into a surface of the
// new size, so lines and text stay sharp. Each kept play remembers the
// boxes it painted; the opaque rectangles later plays paint (a `clear`, or
// a `rect` with an opaque fill, not turned or scaled) are cut out of them,
// and a play with nothing left is dropped: commands that clear the regions
// they draw in keep the list short. When the list still grows past a limit, its oldest play
// is painted into a base image and dropped; the base image is the one part
// of the picture that is scaled (and so blurred) on a resize, until the
// region is painted again.
//
// Skipping unchanged plays. A play of the command painted last, reading
// the same bytes and scene states, would paint what the canvas already
// holds: it paints nothing and reports false, so the window presents
// nothing either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "render_cairo.h"

namespace vismo {

class Canvas {
 public:
  struct Counts {
    std::uint64_t painted = 0;    // plays painted
    std::uint64_t skipped = 0;    // plays that would have painted the same again
    std::uint64_t culled = 0;     // retained plays dropped because painted over
    std::uint64_t flattened = 0;  // retained plays moved into the base image
    std::uint64_t redrawn = 0;    // plays painted again by resize()
  };

  // `scene` must outlive the canvas.
  Canvas(const Scene& scene, int pixel_width, int pixel_height);

  // Paints `command` over the canvas, reading its variables through
  // `bindings` now. Returns false when the play was skipped as unchanged.
  bool play(const Command& command, const Bindings& bindings);

  // Repaints the whole picture at a new pixel size.
  void resize(int pixel_width, int pixel_height);

  // Shows `lines` over the picture, top left (the window uses it for the
  // diagnostics of a scene that did not load). They stay across resizes.
  void show_messages(std::vector<std::string> lines);

  cairo_surface_t* surface() const { return surface_.get(); }
  const SceneView& view() const { return view_; }
  const Scene& scene() const { return *scene_; }

  // The device pixels changed since the previous call.
  DeviceRect take_damage();

  const std::vector<int>& states() const { return states_; }
  std::size_t retained() const { return retained_.size(); }
  const Counts& counts() const { return counts_; }
  // Plays kept for redrawing before the oldest are flattened into the base image.
  void set_retain_limit(std::size_t limit) { retain_limit_ = limit; }

 private:
  const CommandInputs& inputs_of(const Command& command);
  void cull(const std::vector<SceneRect>& covers);
  void flatten_oldest();
  // Paints a retained play again on `cr`, with its recorded values.
  void repaint(cairo_t* cr, PlayRecord& record);

  const Scene* scene_;
  SceneView view_;
  SurfacePtr surface_;
  ContextPtr cr_;
  SurfacePtr base_;  // flattened plays at the current size, or null: just the background
  std::vector<PlayRecord> retained_;
  std::size_t retain_limit_ = 1024;
  std::vector<int> states_;
  PenTrails trails_;
  std::map<const Command*, CommandInputs> inputs_;
  const Command* last_command_ = nullptr;
  std::vector<std::byte> last_bytes_;
  std::vector<int> last_states_;
  std::vector<std::byte> scratch_;
  std::vector<std::string> messages_;
  DeviceRect damage_;
  Counts counts_;
};

}  // namespace vismo
