// Painting a scene's drawing operations with cairo.
//
// The window backend (backend_window.cc) owns a Canvas (canvas.h), and the
// canvas calls paint_play() here once for every play it paints and again
// for every retained play when it is redrawn at a new size. Nothing here
// knows about windows: the tests and benchmarks paint into plain cairo
// image surfaces.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backend.h"
#include "scene.h"

namespace vismo {

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, CairoDeleter>;

// An ARGB32 image surface of `width` x `height` device pixels.
SurfacePtr make_image_surface(int width, int height);
ContextPtr make_context(cairo_surface_t* surface);

// A rectangle in scene units (x0 <= x1, y0 <= y1 unless empty).
struct SceneRect {
  double x0 = 0.0;
  double y0 = 0.0;
  double x1 = -1.0;
  double y1 = -1.0;

  bool empty() const { return x1 < x0 || y1 < y0; }
  void unite(const SceneRect& other);
  bool contains(const SceneRect& other, double slack) const;
  bool intersects(const SceneRect& other) const;
};

// Removes `cover` from the area of `boxes` (splitting boxes that it only
// partly covers); a box within `slack` of being covered goes whole.
void subtract(std::vector<SceneRect>& boxes, const SceneRect& cover, double slack);

// A rectangle of device pixels, half open: [x0, x1) x [y0, y1).
struct DeviceRect {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;

  bool empty() const { return x1 <= x0 || y1 <= y0; }
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
  void unite(const DeviceRect& other);
};

// Where the scene lies on a surface: scene width x height (y up) scaled
// uniformly to fit `pixel_width` x `pixel_height`, centred, with margins
// (letterbox) on the two sides that are too long. The offsets are whole
// pixels so that the scene's edges fall on pixel edges.
class SceneView {
 public:
  SceneView(double scene_width, double scene_height, int pixel_width, int pixel_height);

  double scale() const { return scale_; }
  int pixel_width() const { return pixel_width_; }
  int pixel_height() const { return pixel_height_; }
  double scene_width() const { return scene_width_; }
  double scene_height() const { return scene_height_; }

  std::pair<double, double> to_device(double x, double y) const;
  std::pair<double, double> to_scene(double px, double py) const;
  // The device pixels the scene area covers.
  DeviceRect scene_pixels() const;
  // Sets the current transformation matrix of `cr` to scene units.
  void apply(cairo_t* cr) const;

 private:
  double scene_width_;
  double scene_height_;
  int pixel_width_;
  int pixel_height_;
  double scale_ = 1.0;
  double offset_x_ = 0.0;
  double offset_y_ = 0.0;
};

// The trace of one `pen` operation: the positions its point variable had
// at successive plays. A point that starts a stroke is not joined to the
// one before it (the pen was lifted).
struct PenPoint {
  float x = 0.0F;
  float y = 0.0F;
  bool starts_stroke = true;
};

struct PenTrail {
  std::vector<PenPoint> points;
  bool lifted = true;
  bool has_last = false;
  float last_x = 0.0F;  // the position read at the last play, drawn or not
  float last_y = 0.0F;

  // Called once per play of the pen with the variable's current position.
  // An unchanged position adds nothing; a position outside the scene lifts
  // the pen; a jump back in x starts a new stroke.
  void feed(float x, float y, double scene_width, double scene_height);
};

// Trails by pen operation. A trail is shared with the retained plays that
// drew it, so `erase-pens` (which replaces the map) does not change how a
// retained play redraws.
using PenTrails = std::map<const Op*, std::shared_ptr<PenTrail>>;

// What one pen operation of a play drew: the first `count` points of `trail`.
struct PenUse {
  std::shared_ptr<const PenTrail> trail;
  std::size_t count = 0;
};

// One play of a command with everything needed to paint it again: the
// bytes of every variable it reads, as they were at the play (laid out by
// CommandInputs), the scene states at its start, and the pen prefixes it
// drew.
struct PlayRecord {
  const Command* command = nullptr;
  std::vector<std::byte> bytes;
  std::vector<int> states;
  std::vector<PenUse> pens;
  // What it painted that no later play has painted over yet, in scene
  // units, and the box around that. The canvas forgets the play when
  // nothing is left.
  std::vector<SceneRect> uncovered;
  SceneRect bounds;
};

// The variables a command reads (anywhere in its operations), each at an
// 8-aligned offset of a PlayRecord's bytes.
struct CommandInputs {
  std::vector<int> variables;
  std::vector<std::size_t> offsets;
  std::size_t size = 0;

  static CommandInputs of(const Scene& scene, const Command& command);
  // Copies the bound bytes (zeros for an unbound variable) into `out`.
  void snapshot(const Bindings& bindings, std::vector<std::byte>& out) const;
  // A Bindings that reads the variables from `bytes` instead of the program.
  Bindings view(const Scene& scene, const std::vector<std::byte>& bytes) const;
};

// What painting one play did.
struct PaintResult {
  DeviceRect damage;              // device pixels that may have changed
  std::vector<SceneRect> boxes;   // what was painted, in scene units, op by op
  SceneRect bounds;               // the box around them
  std::vector<SceneRect> covers;  // opaque rectangles painted without rotation or scaling
};

// Paints `record` on `cr` through `view`. `values` decodes the variables
// (a view over record.bytes); `states` holds the scene states and is
// changed by `set`. With `trails` (a live play), each pen feeds its trail
// and the prefix it draws is appended to record.pens; without (a redraw),
// the pens draw the prefixes recorded in record.pens.
PaintResult paint_play(cairo_t* cr, const SceneView& view, const Scene& scene, const Bindings& values,
                       std::vector<int>& states, PlayRecord& record, PenTrails* trails);

// Fills the margins around the scene area with the margin colour and the
// scene area with the background.
void paint_empty(cairo_t* cr, const SceneView& view, const Scene& scene);

// Writes `lines` as text from the top left of the scene area, on a
// white panel: how the window shows why a scene did not load.
void paint_messages(cairo_t* cr, const SceneView& view, const std::vector<std::string>& lines);

}  // namespace vismo
