// The retained canvas; see canvas.h.
#include "canvas.h"

#include <algorithm>
#include <utility>

namespace vismo {

namespace {

// Scene units by which a painted box may stick out of a covering rectangle
// and still count as covered (rounding of the extents only).
constexpr double cover_slack = 1e-3;
// The most pieces kept of what a retained play still shows.
constexpr std::size_t max_pieces = 256;

std::vector<int> initial_states(const Scene& scene) {
  std::vector<int> states;
  states.reserve(scene.states.size());
  for (const State& s : scene.states) states.push_back(s.initial);
  return states;
}

}  // namespace

Canvas::Canvas(const Scene& scene, int pixel_width, int pixel_height)
    : scene_(&scene),
      view_(scene.width, scene.height, pixel_width, pixel_height),
      surface_(make_image_surface(view_.pixel_width(), view_.pixel_height())),
      cr_(make_context(surface_.get())),
      states_(initial_states(scene)) {
  paint_empty(cr_.get(), view_, *scene_);
  damage_ = DeviceRect{0, 0, view_.pixel_width(), view_.pixel_height()};
}

const CommandInputs& Canvas::inputs_of(const Command& command) {
  auto it = inputs_.find(&command);
  if (it == inputs_.end()) it = inputs_.emplace(&command, CommandInputs::of(*scene_, command)).first;
  return it->second;
}

bool Canvas::play(const Command& command, const Bindings& bindings) {
  const CommandInputs& inputs = inputs_of(command);
  inputs.snapshot(bindings, scratch_);
  if (last_command_ == &command && scratch_ == last_bytes_ && states_ == last_states_) {
    ++counts_.skipped;
    return false;
  }
  last_command_ = &command;
  last_bytes_ = scratch_;
  last_states_ = states_;

  PlayRecord record;
  record.command = &command;
  record.bytes = std::move(scratch_);
  record.states = states_;
  const Bindings values = inputs.view(*scene_, record.bytes);
  PaintResult result = paint_play(cr_.get(), view_, *scene_, values, states_, record, &trails_);
  damage_.unite(result.damage);
  record.bounds = result.bounds;
  record.uncovered = std::move(result.boxes);
  ++counts_.painted;

  cull(result.covers);
  if (!record.bounds.empty()) retained_.push_back(std::move(record));  // else nothing to paint again
  while (retained_.size() > retain_limit_) flatten_oldest();
  return true;
}

void Canvas::cull(const std::vector<SceneRect>& covers) {
  if (covers.empty()) return;
  const SceneRect whole{0.0, 0.0, scene_->width, scene_->height};
  for (const SceneRect& c : covers) {
    if (c.contains(whole, cover_slack)) {
      counts_.culled += retained_.size();
      retained_.clear();
      base_.reset();
      return;
    }
  }
  for (PlayRecord& r : retained_) {
    bool touched = false;
    for (const SceneRect& c : covers) {
      if (!c.intersects(r.bounds)) continue;
      subtract(r.uncovered, c, cover_slack);
      touched = true;
    }
    if (!touched) continue;
    // A play painted over bit by bit could leave many pieces: past a
    // limit, keep the box around them (it is only harder to cover).
    SceneRect bounds;
    for (const SceneRect& b : r.uncovered) bounds.unite(b);
    r.bounds = bounds;
    if (r.uncovered.size() > max_pieces) r.uncovered.assign(1, bounds);
  }
  counts_.culled += std::erase_if(retained_, [](const PlayRecord& r) { return r.uncovered.empty(); });
}

void Canvas::repaint(cairo_t* cr, PlayRecord& record) {
  const CommandInputs& inputs = inputs_of(*record.command);
  const Bindings values = inputs.view(*scene_, record.bytes);
  std::vector<int> states = record.states;
  paint_play(cr, view_, *scene_, values, states, record, nullptr);
}

void Canvas::flatten_oldest() {
  if (retained_.empty()) return;
  if (!base_) {
    base_ = make_image_surface(view_.pixel_width(), view_.pixel_height());
    auto cr = make_context(base_.get());
    paint_empty(cr.get(), view_, *scene_);
  }
  {
    auto cr = make_context(base_.get());
    repaint(cr.get(), retained_.front());
  }
  retained_.erase(retained_.begin());
  ++counts_.flattened;
}

void Canvas::resize(int pixel_width, int pixel_height) {
  const SceneView old_view = view_;
  view_ = SceneView(scene_->width, scene_->height, pixel_width, pixel_height);
  surface_ = make_image_surface(view_.pixel_width(), view_.pixel_height());
  cr_ = make_context(surface_.get());
  paint_empty(cr_.get(), view_, *scene_);

  if (base_) {
    // The flattened plays cannot be painted again: scale their pixels.
    SurfacePtr scaled = make_image_surface(view_.pixel_width(), view_.pixel_height());
    auto cr = make_context(scaled.get());
    paint_empty(cr.get(), view_, *scene_);
    view_.apply(cr.get());
    cairo_rectangle(cr.get(), 0.0, 0.0, scene_->width, scene_->height);
    cairo_clip(cr.get());
    // From scene units back to the old device pixels.
    cairo_translate(cr.get(), 0.0, scene_->height);
    cairo_scale(cr.get(), 1.0 / old_view.scale(), -1.0 / old_view.scale());
    const auto [old_x, old_y] = old_view.to_device(0.0, scene_->height);
    cairo_translate(cr.get(), -old_x, -old_y);
    cairo_set_source_surface(cr.get(), base_.get(), 0.0, 0.0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    cairo_paint(cr.get());
    cr.reset();
    base_ = std::move(scaled);
    cairo_set_source_surface(cr_.get(), base_.get(), 0.0, 0.0);
    cairo_paint(cr_.get());
  }
  for (PlayRecord& record : retained_) {
    repaint(cr_.get(), record);
    ++counts_.redrawn;
  }
  paint_messages(cr_.get(), view_, messages_);
  damage_ = DeviceRect{0, 0, view_.pixel_width(), view_.pixel_height()};
}

void Canvas::show_messages(std::vector<std::string> lines) {
  messages_ = std::move(lines);
  paint_messages(cr_.get(), view_, messages_);
  damage_ = DeviceRect{0, 0, view_.pixel_width(), view_.pixel_height()};
  last_command_ = nullptr;
}

DeviceRect Canvas::take_damage() {
  cairo_surface_flush(surface_.get());
  return std::exchange(damage_, DeviceRect{});
}

}  // namespace vismo
