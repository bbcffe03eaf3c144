// Painting a scene's drawing operations with cairo; see render_cairo.h.
//
// Scene units are y up. SceneView::apply gives cairo a matrix that flips y,
// so paths are built in scene units as written in the file; only text is
// flipped back locally so that it reads the right way up.
#include "render_cairo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <optional>
#include <string_view>
#include <tuple>

namespace vismo {

namespace {

constexpr std::uint32_t black = 0x000000FFU;
constexpr std::uint32_t white = 0xFFFFFFFFU;
constexpr std::uint32_t margin_colour = 0x2B2F36FFU;
constexpr double default_font_size = 12.0;
constexpr const char* default_font_family = "DejaVu Sans";

double channel(std::uint32_t rgba, int shift) {
  return static_cast<double>((rgba >> shift) & 0xFFU) / 255.0;
}

void set_colour(cairo_t* cr, std::uint32_t rgba) {
  cairo_set_source_rgba(cr, channel(rgba, 24), channel(rgba, 16), channel(rgba, 8), channel(rgba, 0));
}

bool opaque(std::uint32_t rgba) {
  return (rgba & 0xFFU) == 0xFFU;
}

// Scene text is bytes. Valid UTF-8 (a string written in a scene file) is
// kept; anything else is read as Latin-1, so a program's 8-bit text never
// reaches cairo as an invalid string (which would disable the context).
// Control characters become blanks.
bool valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (s.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if (k == 1 ? (b < low || b > high) : (b & 0xC0U) != 0x80U) return false;
    }
    i += extra + 1;
  }
  return true;
}

std::string to_utf8(std::string_view bytes) {
  const bool valid = valid_utf8(bytes);
  std::string out;
  out.reserve(bytes.size() + 8);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      out += ' ';
    } else if (c < 0x80 || valid) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0U | (c >> 6U));
      out += static_cast<char>(0x80U | (c & 0x3FU));
    }
  }
  return out;
}

// The per-play walk over a command's operations.
class Painter {
 public:
  Painter(cairo_t* cr, const SceneView& view, const Scene& scene, const Bindings& values, std::vector<int>& states,
          PlayRecord& record, PenTrails* trails)
      : cr_(cr),
        view_(view),
        scene_(scene),
        values_(values),
        states_(states),
        record_(record),
        trails_(trails),
        scene_pixels_(view.scene_pixels()) {}

  PaintResult run() {
    cairo_save(cr_);
    view_.apply(cr_);
    cairo_rectangle(cr_, 0.0, 0.0, scene_.width, scene_.height);
    cairo_clip(cr_);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    walk(record_.command->ops, Frame{});
    cairo_restore(cr_);
    return std::move(result_);
  }

 private:
  // Whether the operations being walked are drawn with a plain translation
  // (tx, ty) of scene units: only then can an opaque rectangle count as
  // covering what lies under it.
  struct Frame {
    bool translation_only = true;
    double tx = 0.0;
    double ty = 0.0;
  };

  // --- values -----------------------------------------------------------

  double number(const Value& v) const {
    switch (v.kind) {
      case Value::Kind::number:
      case Value::Kind::pair: return v.number;
      case Value::Kind::variable: return values_.number(v.variable);
      case Value::Kind::state:
        return v.variable >= 0 && static_cast<std::size_t>(v.variable) < states_.size()
                   ? states_[static_cast<std::size_t>(v.variable)]
                   : 0.0;
      default: return 0.0;
    }
  }

  std::pair<double, double> pair(const Value& v) const {
    switch (v.kind) {
      case Value::Kind::pair: return {v.number, v.second};
      case Value::Kind::variable: {
        const auto [x, y] = values_.pair(v.variable);
        return {x, y};
      }
      default: {
        const double n = number(v);
        return {n, n};
      }
    }
  }

  // A colour option: nullopt when absent or `none`.
  std::optional<std::uint32_t> colour(const Op& op, std::string_view key, std::optional<std::uint32_t> fallback) const {
    const Value* v = op.option(key);
    if (v == nullptr) return fallback;
    switch (v->kind) {
      case Value::Kind::colour: return v->rgba;
      case Value::Kind::variable:
        return scene_.palette_colour(static_cast<int>(std::lround(values_.number(v->variable))));
      case Value::Kind::number: return scene_.palette_colour(static_cast<int>(std::lround(v->number)));
      default: return std::nullopt;  // `none`
    }
  }

  double option_number(const Op& op, std::string_view key, double fallback) const {
    const Value* v = op.option(key);
    return v == nullptr ? fallback : number(*v);
  }

  std::string text(const Value& v) const {
    switch (v.kind) {
      case Value::Kind::string:
      case Value::Kind::word: return to_utf8(v.text);
      case Value::Kind::variable: return to_utf8(values_.text(v.variable));
      default: {
        std::array<char, 32> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%g", number(v));
        return buffer.data();
      }
    }
  }

  bool args_are_numbers(const Op& op, std::size_t count) const { return op.args.size() >= count; }

  // --- bookkeeping ------------------------------------------------------

  // Records that the user-space box (x0, y0)-(x1, y1) is about to be
  // painted under the current matrix.
  void note(double x0, double y0, double x1, double y1) {
    std::array<std::pair<double, double>, 4> corners{{{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}};
    double dx0 = HUGE_VAL;
    double dy0 = HUGE_VAL;
    double dx1 = -HUGE_VAL;
    double dy1 = -HUGE_VAL;
    for (auto& [x, y] : corners) {
      cairo_user_to_device(cr_, &x, &y);
      dx0 = std::min(dx0, x);
      dy0 = std::min(dy0, y);
      dx1 = std::max(dx1, x);
      dy1 = std::max(dy1, y);
    }
    const auto& sp = scene_pixels_;
    dx0 = std::max(dx0, static_cast<double>(sp.x0));
    dy0 = std::max(dy0, static_cast<double>(sp.y0));
    dx1 = std::min(dx1, static_cast<double>(sp.x1));
    dy1 = std::min(dy1, static_cast<double>(sp.y1));
    if (dx1 < dx0 || dy1 < dy0) return;
    // One pixel more on each side for anti-aliasing.
    DeviceRect d{static_cast<int>(std::floor(dx0)) - 1, static_cast<int>(std::floor(dy0)) - 1,
                 static_cast<int>(std::ceil(dx1)) + 1, static_cast<int>(std::ceil(dy1)) + 1};
    d.x0 = std::max(d.x0, sp.x0);
    d.y0 = std::max(d.y0, sp.y0);
    d.x1 = std::min(d.x1, sp.x1);
    d.y1 = std::min(d.y1, sp.y1);
    result_.damage.unite(d);
    const auto [sx0, sy1] = view_.to_scene(dx0, dy0);
    const auto [sx1, sy0] = view_.to_scene(dx1, dy1);
    const SceneRect box{sx0, sy0, sx1, sy1};
    result_.bounds.unite(box);
    // Consecutive boxes often nest (a label on its button): keep the outer.
    auto& boxes = result_.boxes;
    if (!boxes.empty() && boxes.back().contains(box, 0.0)) return;
    if (!boxes.empty() && box.contains(boxes.back(), 0.0)) boxes.pop_back();
    boxes.push_back(box);
  }

  void note_fill() {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    cairo_fill_extents(cr_, &x0, &y0, &x1, &y1);
    if (x1 > x0 || y1 > y0) note(x0, y0, x1, y1);
  }

  void note_stroke() {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    cairo_stroke_extents(cr_, &x0, &y0, &x1, &y1);
    if (x1 > x0 || y1 > y0) note(x0, y0, x1, y1);
  }

  void cover(const Frame& frame, double x0, double y0, double x1, double y1) {
    if (!frame.translation_only) return;
    result_.covers.push_back(SceneRect{std::min(x0, x1) + frame.tx, std::min(y0, y1) + frame.ty,
                                       std::max(x0, x1) + frame.tx, std::max(y0, y1) + frame.ty});
  }

  // Fills (with `fill`) then strokes (with `stroke`) the current path.
  void fill_and_stroke(const Op& op, std::optional<std::uint32_t> fill, std::optional<std::uint32_t> stroke) {
    if (fill) {
      note_fill();
      set_colour(cr_, *fill);
      cairo_fill_preserve(cr_);
    }
    if (stroke) {
      set_stroke_style(op);
      note_stroke();
      set_colour(cr_, *stroke);
      cairo_stroke_preserve(cr_);
    }
    cairo_new_path(cr_);
  }

  void set_stroke_style(const Op& op) {
    cairo_set_line_width(cr_, std::max(0.0, option_number(op, "width", 1.0)));
    const Value* dash = op.option("dash");
    if (dash != nullptr) {
      const auto [on, off] = pair(*dash);
      if (on > 0.0 && off >= 0.0) {
        const std::array<double, 2> pattern{on, off > 0.0 ? off : on};
        cairo_set_dash(cr_, pattern.data(), 2, 0.0);
      }
    } else {
      cairo_set_dash(cr_, nullptr, 0, 0.0);
    }
  }

  // Shapes that can be filled: the stroke defaults to black when no fill
  // is given, to none when one is.
  std::pair<std::optional<std::uint32_t>, std::optional<std::uint32_t>> shape_colours(const Op& op) const {
    const auto fill = colour(op, "fill", std::nullopt);
    const auto stroke = colour(op, "stroke", fill ? std::nullopt : std::optional<std::uint32_t>(black));
    return {fill, stroke};
  }

  // --- operations -------------------------------------------------------

  void walk(const std::vector<Op>& ops, const Frame& frame) {
    for (const Op& op : ops) do_op(op, frame);
  }

  void do_op(const Op& op, const Frame& frame) {
    switch (op.kind) {
      case OpKind::clear: return op_clear(op, frame);
      case OpKind::rect: return op_rect(op, frame);
      case OpKind::line: return op_line(op);
      case OpKind::polyline: return op_polyline(op);
      case OpKind::polygon: return op_polygon(op);
      case OpKind::arrow: return op_arrow(op);
      case OpKind::circle: return op_circle(op);
      case OpKind::arc: return op_arc(op);
      case OpKind::text: return op_text(op);
      case OpKind::pen: return op_pen(op);
      case OpKind::erase_pens: return op_erase_pens();
      case OpKind::set: return op_set(op);
      case OpKind::group: return op_group(op, frame);
      case OpKind::choose: return op_choose(op, frame);
      case OpKind::case_:
      case OpKind::else_: return;  // painted by their choose
    }
  }

  void op_clear(const Op& op, const Frame& frame) {
    if (!args_are_numbers(op, 4)) return;
    const double x0 = number(op.args[0]);
    const double y0 = number(op.args[1]);
    const double x1 = number(op.args[2]);
    const double y1 = number(op.args[3]);
    const std::uint32_t fill = colour(op, "fill", scene_.background).value_or(scene_.background);
    cairo_matrix_t m;
    cairo_get_matrix(cr_, &m);
    if (m.xy == 0.0 && m.yx == 0.0) {
      // Snapped to whole device pixels: neighbouring regions meet without
      // a seam, and a region cleared again is cleared exactly.
      double ax = x0;
      double ay = y0;
      double bx = x1;
      double by = y1;
      cairo_user_to_device(cr_, &ax, &ay);
      cairo_user_to_device(cr_, &bx, &by);
      const double px0 = std::round(std::min(ax, bx));
      const double py0 = std::round(std::min(ay, by));
      const double px1 = std::round(std::max(ax, bx));
      const double py1 = std::round(std::max(ay, by));
      if (px1 <= px0 || py1 <= py0) return;
      cairo_save(cr_);
      cairo_identity_matrix(cr_);
      cairo_rectangle(cr_, px0, py0, px1 - px0, py1 - py0);
      note_fill();
      set_colour(cr_, fill);
      cairo_fill(cr_);
      cairo_restore(cr_);
      if (opaque(fill) && frame.translation_only) {
        // What was painted: the snapped pixels, back in scene units.
        const auto [sx0, sy1] = view_.to_scene(px0, py0);
        const auto [sx1, sy0] = view_.to_scene(px1, py1);
        result_.covers.push_back(SceneRect{sx0, sy0, sx1, sy1});
      }
    } else {
      cairo_rectangle(cr_, x0, y0, x1 - x0, y1 - y0);
      note_fill();
      set_colour(cr_, fill);
      cairo_fill(cr_);
    }
  }

  void rounded_rect(double x0, double y0, double x1, double y1, double radius) {
    const double left = std::min(x0, x1);
    const double right = std::max(x0, x1);
    const double bottom = std::min(y0, y1);
    const double top = std::max(y0, y1);
    const double r = std::clamp(radius, 0.0, std::min(right - left, top - bottom) / 2.0);
    if (r <= 0.0) {
      cairo_rectangle(cr_, left, bottom, right - left, top - bottom);
      return;
    }
    constexpr double quarter = std::numbers::pi / 2.0;
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, right - r, bottom + r, r, -quarter, 0.0);
    cairo_arc(cr_, right - r, top - r, r, 0.0, quarter);
    cairo_arc(cr_, left + r, top - r, r, quarter, 2.0 * quarter);
    cairo_arc(cr_, left + r, bottom + r, r, 2.0 * quarter, 3.0 * quarter);
    cairo_close_path(cr_);
  }

  void op_rect(const Op& op, const Frame& frame) {
    if (!args_are_numbers(op, 4)) return;
    const double x0 = number(op.args[0]);
    const double y0 = number(op.args[1]);
    const double x1 = number(op.args[2]);
    const double y1 = number(op.args[3]);
    const double radius = option_number(op, "radius", 0.0);
    const auto [fill, stroke] = shape_colours(op);
    rounded_rect(x0, y0, x1, y1, radius);
    fill_and_stroke(op, fill, stroke);
    if (fill && opaque(*fill) && radius <= 0.0) cover(frame, x0, y0, x1, y1);
  }

  void stroke_path(const Op& op) { fill_and_stroke(op, std::nullopt, colour(op, "stroke", black)); }

  void op_line(const Op& op) {
    if (!args_are_numbers(op, 4)) return;
    cairo_move_to(cr_, number(op.args[0]), number(op.args[1]));
    cairo_line_to(cr_, number(op.args[2]), number(op.args[3]));
    stroke_path(op);
  }

  // The points of a polyline or polygon: a polyline variable, or X Y pairs.
  std::vector<std::pair<double, double>> points(const Op& op) const {
    std::vector<std::pair<double, double>> out;
    if (op.args.size() == 1 && op.args[0].kind == Value::Kind::variable) {
      for (const auto& [x, y] : values_.polyline(op.args[0].variable)) out.emplace_back(x, y);
      return out;
    }
    for (std::size_t i = 0; i + 1 < op.args.size(); i += 2)
      out.emplace_back(number(op.args[i]), number(op.args[i + 1]));
    return out;
  }

  void op_polyline(const Op& op) {
    const auto pts = points(op);
    if (pts.size() < 2) return;
    cairo_move_to(cr_, pts[0].first, pts[0].second);
    for (std::size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr_, pts[i].first, pts[i].second);
    stroke_path(op);
  }

  void op_polygon(const Op& op) {
    const auto pts = points(op);
    if (pts.size() < 3) return;
    cairo_move_to(cr_, pts[0].first, pts[0].second);
    for (std::size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr_, pts[i].first, pts[i].second);
    cairo_close_path(cr_);
    const auto [fill, stroke] = shape_colours(op);
    fill_and_stroke(op, fill, stroke);
  }

  void op_arrow(const Op& op) {
    if (!args_are_numbers(op, 4)) return;
    const double x0 = number(op.args[0]);
    const double y0 = number(op.args[1]);
    const double x1 = number(op.args[2]);
    const double y1 = number(op.args[3]);
    const double length = std::hypot(x1 - x0, y1 - y0);
    if (length <= 0.0) return;
    const auto stroke = colour(op, "stroke", black);
    if (!stroke) return;
    const double width = std::max(0.0, option_number(op, "width", 1.0));
    const double head = std::min(length, std::max(0.0, option_number(op, "head", 6.0 + 2.0 * width)));
    const double ux = (x1 - x0) / length;
    const double uy = (y1 - y0) / length;
    const double bx = x1 - ux * head;  // middle of the head's base
    const double by = y1 - uy * head;
    const double half = head * 0.45;
    set_colour(cr_, *stroke);
    if (length > head) {
      cairo_move_to(cr_, x0, y0);
      cairo_line_to(cr_, bx, by);
      set_stroke_style(op);
      note_stroke();
      cairo_stroke(cr_);
    }
    if (head > 0.0) {
      cairo_move_to(cr_, x1, y1);
      cairo_line_to(cr_, bx - uy * half, by + ux * half);
      cairo_line_to(cr_, bx + uy * half, by - ux * half);
      cairo_close_path(cr_);
      note_fill();
      cairo_fill(cr_);
    }
  }

  void op_circle(const Op& op) {
    if (!args_are_numbers(op, 3)) return;
    const double r = number(op.args[2]);
    if (r <= 0.0) return;
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, number(op.args[0]), number(op.args[1]), r, 0.0, 2.0 * std::numbers::pi);
    cairo_close_path(cr_);
    const auto [fill, stroke] = shape_colours(op);
    fill_and_stroke(op, fill, stroke);
  }

  void op_arc(const Op& op) {
    if (!args_are_numbers(op, 5)) return;
    const double r = number(op.args[2]);
    if (r <= 0.0) return;
    constexpr double radians = std::numbers::pi / 180.0;
    cairo_new_sub_path(cr_);
    // The matrix is y up, so cairo's increasing angles turn counter-clockwise.
    cairo_arc(cr_, number(op.args[0]), number(op.args[1]), r, number(op.args[3]) * radians,
              number(op.args[4]) * radians);
    stroke_path(op);
  }

  void op_text(const Op& op) {
    if (op.args.size() < 3) return;
    const std::string s = text(op.args[2]);
    if (s.empty()) return;
    const auto fill = colour(op, "fill", black);
    if (!fill) return;
    const double size = option_number(op, "size", default_font_size);
    if (size <= 0.0) return;
    const Value* weight = op.option("weight");
    const bool bold = weight != nullptr && weight->text == "bold";
    const Value* align = op.option("align");
    cairo_save(cr_);
    cairo_translate(cr_, number(op.args[0]), number(op.args[1]));
    cairo_scale(cr_, 1.0, -1.0);  // text frame: y down, so glyphs stand upright
    cairo_select_font_face(cr_, scene_.font.empty() ? default_font_family : scene_.font.c_str(),
                           CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr_, s.c_str(), &ext);
    double x = 0.0;
    if (align != nullptr && align->text == "center")
      x = -ext.x_advance / 2.0;
    else if (align != nullptr && align->text == "right")
      x = -ext.x_advance;
    if (ext.width > 0.0 && ext.height > 0.0) {
      note(x + ext.x_bearing, ext.y_bearing, x + ext.x_bearing + ext.width, ext.y_bearing + ext.height);
    }
    set_colour(cr_, *fill);
    cairo_move_to(cr_, x, 0.0);
    cairo_show_text(cr_, s.c_str());
    cairo_new_path(cr_);
    cairo_restore(cr_);
  }

  void op_pen(const Op& op) {
    if (op.args.empty()) return;
    PenUse use;
    if (trails_ != nullptr) {
      auto& slot = (*trails_)[&op];
      if (!slot) slot = std::make_shared<PenTrail>();
      const auto [x, y] = pair(op.args[0]);
      slot->feed(static_cast<float>(x), static_cast<float>(y), scene_.width, scene_.height);
      use = PenUse{slot, slot->points.size()};
      record_.pens.push_back(use);
    } else {
      if (next_pen_ >= record_.pens.size()) return;
      use = record_.pens[next_pen_++];
    }
    if (!use.trail || use.count < 2) return;
    bool any_segment = false;
    for (std::size_t i = 0; i < use.count; ++i) {
      const PenPoint& p = use.trail->points[i];
      if (p.starts_stroke) {
        cairo_move_to(cr_, p.x, p.y);
      } else {
        cairo_line_to(cr_, p.x, p.y);
        any_segment = true;
      }
    }
    if (!any_segment) {
      cairo_new_path(cr_);
      return;
    }
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    stroke_path(op);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  }

  void op_erase_pens() {
    if (trails_ != nullptr) trails_->clear();
  }

  void op_set(const Op& op) {
    if (op.args.size() < 2 || op.args[0].kind != Value::Kind::state) return;
    const int index = op.args[0].variable;
    if (index < 0 || static_cast<std::size_t>(index) >= states_.size()) return;
    states_[static_cast<std::size_t>(index)] = static_cast<int>(std::lround(number(op.args[1])));
  }

  void op_group(const Op& op, const Frame& frame) {
    double tx = 0.0;
    double ty = 0.0;
    double sx = 1.0;
    double sy = 1.0;
    double degrees = 0.0;
    double ox = 0.0;
    double oy = 0.0;
    if (const Value* v = op.option("translate")) std::tie(tx, ty) = pair(*v);
    if (const Value* v = op.option("scale")) std::tie(sx, sy) = pair(*v);
    if (const Value* v = op.option("rotate")) degrees = number(*v);
    if (const Value* v = op.option("origin")) std::tie(ox, oy) = pair(*v);
    if (sx == 0.0 || sy == 0.0 || !std::isfinite(sx) || !std::isfinite(sy)) return;  // hidden
    if (!std::isfinite(tx) || !std::isfinite(ty) || !std::isfinite(degrees)) return;
    cairo_save(cr_);
    cairo_translate(cr_, tx + ox, ty + oy);
    if (degrees != 0.0) cairo_rotate(cr_, degrees * std::numbers::pi / 180.0);
    cairo_scale(cr_, sx, sy);
    cairo_translate(cr_, -ox, -oy);
    Frame inner;
    inner.translation_only = frame.translation_only && degrees == 0.0 && sx == 1.0 && sy == 1.0;
    inner.tx = frame.tx + tx;
    inner.ty = frame.ty + ty;
    walk(op.body, inner);
    cairo_restore(cr_);
  }

  void op_choose(const Op& op, const Frame& frame) {
    if (op.args.empty()) return;
    const long value = std::lround(number(op.args[0]));
    const Op* otherwise = nullptr;
    for (const Op& branch : op.body) {
      if (branch.kind == OpKind::case_) {
        for (const Value& v : branch.args) {
          if (std::lround(number(v)) == value) {
            walk(branch.body, frame);
            return;
          }
        }
      } else if (branch.kind == OpKind::else_ && otherwise == nullptr) {
        otherwise = &branch;
      }
    }
    if (otherwise != nullptr) walk(otherwise->body, frame);
  }

  cairo_t* cr_;
  const SceneView& view_;
  const Scene& scene_;
  const Bindings& values_;
  std::vector<int>& states_;
  PlayRecord& record_;
  PenTrails* trails_;
  DeviceRect scene_pixels_;
  std::size_t next_pen_ = 0;
  PaintResult result_;
};

void collect_inputs(const Scene& scene, const std::vector<Op>& ops, std::vector<int>& out) {
  auto add = [&](const Value& v) {
    if (v.kind == Value::Kind::variable && v.variable >= 0 &&
        static_cast<std::size_t>(v.variable) < scene.variables.size() &&
        std::find(out.begin(), out.end(), v.variable) == out.end()) {
      out.push_back(v.variable);
    }
  };
  for (const Op& op : ops) {
    for (const Value& v : op.args) add(v);
    for (const auto& [key, v] : op.options) add(v);
    collect_inputs(scene, op.body, out);
  }
}

}  // namespace

SurfacePtr make_image_surface(int width, int height) {
  return SurfacePtr(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1)));
}

ContextPtr make_context(cairo_surface_t* surface) {
  return ContextPtr(cairo_create(surface));
}

void SceneRect::unite(const SceneRect& other) {
  if (other.empty()) return;
  if (empty()) {
    *this = other;
    return;
  }
  x0 = std::min(x0, other.x0);
  y0 = std::min(y0, other.y0);
  x1 = std::max(x1, other.x1);
  y1 = std::max(y1, other.y1);
}

bool SceneRect::contains(const SceneRect& other, double slack) const {
  if (other.empty()) return true;
  if (empty()) return false;
  return other.x0 >= x0 - slack && other.y0 >= y0 - slack && other.x1 <= x1 + slack && other.y1 <= y1 + slack;
}

bool SceneRect::intersects(const SceneRect& other) const {
  return !empty() && !other.empty() && other.x0 < x1 && x0 < other.x1 && other.y0 < y1 && y0 < other.y1;
}

void subtract(std::vector<SceneRect>& boxes, const SceneRect& cover, double slack) {
  const SceneRect c{cover.x0 - slack, cover.y0 - slack, cover.x1 + slack, cover.y1 + slack};
  std::vector<SceneRect> out;
  out.reserve(boxes.size());
  for (const SceneRect& b : boxes) {
    if (!c.intersects(b)) {
      out.push_back(b);
      continue;
    }
    if (c.contains(b, 0.0)) continue;
    // What sticks out: below, above, then left and right between them.
    if (b.y0 < c.y0) out.push_back(SceneRect{b.x0, b.y0, b.x1, c.y0});
    if (b.y1 > c.y1) out.push_back(SceneRect{b.x0, c.y1, b.x1, b.y1});
    const double y0 = std::max(b.y0, c.y0);
    const double y1 = std::min(b.y1, c.y1);
    if (b.x0 < c.x0) out.push_back(SceneRect{b.x0, y0, c.x0, y1});
    if (b.x1 > c.x1) out.push_back(SceneRect{c.x1, y0, b.x1, y1});
  }
  boxes = std::move(out);
}

void DeviceRect::unite(const DeviceRect& other) {
  if (other.empty()) return;
  if (empty()) {
    *this = other;
    return;
  }
  x0 = std::min(x0, other.x0);
  y0 = std::min(y0, other.y0);
  x1 = std::max(x1, other.x1);
  y1 = std::max(y1, other.y1);
}

SceneView::SceneView(double scene_width, double scene_height, int pixel_width, int pixel_height)
    : scene_width_(scene_width > 0.0 ? scene_width : 1.0),
      scene_height_(scene_height > 0.0 ? scene_height : 1.0),
      pixel_width_(std::max(pixel_width, 1)),
      pixel_height_(std::max(pixel_height, 1)) {
  scale_ = std::min(pixel_width_ / scene_width_, pixel_height_ / scene_height_);
  // (A hair added against rounding: 1088 / 800 * 600 may come out just above 816.)
  offset_x_ = std::max(0.0, std::floor((pixel_width_ - scene_width_ * scale_) / 2.0 + 1e-6));
  offset_y_ = std::max(0.0, std::floor((pixel_height_ - scene_height_ * scale_) / 2.0 + 1e-6));
}

std::pair<double, double> SceneView::to_device(double x, double y) const {
  return {offset_x_ + x * scale_, offset_y_ + (scene_height_ - y) * scale_};
}

std::pair<double, double> SceneView::to_scene(double px, double py) const {
  return {(px - offset_x_) / scale_, scene_height_ - (py - offset_y_) / scale_};
}

DeviceRect SceneView::scene_pixels() const {
  return DeviceRect{static_cast<int>(offset_x_), static_cast<int>(offset_y_),
                    std::min(pixel_width_, static_cast<int>(std::lround(offset_x_ + scene_width_ * scale_))),
                    std::min(pixel_height_, static_cast<int>(std::lround(offset_y_ + scene_height_ * scale_)))};
}

void SceneView::apply(cairo_t* cr) const {
  cairo_identity_matrix(cr);
  cairo_translate(cr, offset_x_, offset_y_ + scene_height_ * scale_);
  cairo_scale(cr, scale_, -scale_);
}

void PenTrail::feed(float x, float y, double scene_width, double scene_height) {
  if (has_last && x == last_x && y == last_y) return;
  has_last = true;
  last_x = x;
  last_y = y;
  const bool inside =
      std::isfinite(x) && std::isfinite(y) && x >= 0.0F && y >= 0.0F && x <= scene_width && y <= scene_height;
  if (!inside) {
    lifted = true;
    return;
  }
  const bool starts = lifted || points.empty() || x < points.back().x;
  points.push_back(PenPoint{x, y, starts});
  lifted = false;
}

CommandInputs CommandInputs::of(const Scene& scene, const Command& command) {
  CommandInputs inputs;
  collect_inputs(scene, command.ops, inputs.variables);
  for (int v : inputs.variables) {
    inputs.offsets.push_back(inputs.size);
    const std::size_t bytes = type_size(scene.variables[static_cast<std::size_t>(v)].type);
    inputs.size += (bytes + 7U) & ~std::size_t{7U};
  }
  return inputs;
}

void CommandInputs::snapshot(const Bindings& bindings, std::vector<std::byte>& out) const {
  out.assign(size, std::byte{0});
  const Scene& scene = bindings.scene();
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const void* address = bindings.address(variables[i]);
    if (address == nullptr) continue;
    const std::size_t bytes = type_size(scene.variables[static_cast<std::size_t>(variables[i])].type);
    std::memcpy(out.data() + offsets[i], address, bytes);
  }
}

Bindings CommandInputs::view(const Scene& scene, const std::vector<std::byte>& bytes) const {
  Bindings view(scene);
  for (std::size_t i = 0; i < variables.size() && offsets[i] < bytes.size(); ++i) {
    view.bind(variables[i], bytes.data() + offsets[i]);
  }
  return view;
}

PaintResult paint_play(cairo_t* cr, const SceneView& view, const Scene& scene, const Bindings& values,
                       std::vector<int>& states, PlayRecord& record, PenTrails* trails) {
  if (record.command == nullptr) return {};
  Painter painter(cr, view, scene, values, states, record, trails);
  return painter.run();
}

void paint_empty(cairo_t* cr, const SceneView& view, const Scene& scene) {
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_reset_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  set_colour(cr, margin_colour);
  cairo_paint(cr);
  const DeviceRect area = view.scene_pixels();
  cairo_rectangle(cr, area.x0, area.y0, area.width(), area.height());
  // The canvas stays opaque: a translucent background is laid on white.
  set_colour(cr, white);
  cairo_fill_preserve(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  set_colour(cr, scene.background);
  cairo_fill(cr);
  cairo_restore(cr);
}

void paint_messages(cairo_t* cr, const SceneView& view, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  cairo_save(cr);
  view.apply(cr);
  cairo_scale(cr, 1.0, -1.0);  // y down from the top of the scene
  cairo_translate(cr, 0.0, -view.scene_height());
  const double size = 14.0;
  const double margin = 16.0;
  const double line_height = size * 1.5;
  cairo_rectangle(cr, 0.0, 0.0, view.scene_width(), margin * 2.0 + line_height * static_cast<double>(lines.size()));
  set_colour(cr, white);
  cairo_fill(cr);
  double y = margin + size;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    cairo_select_font_face(cr, default_font_family, CAIRO_FONT_SLANT_NORMAL,
                           i == 0 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    set_colour(cr, i == 0 ? 0xB42318FFU : black);
    cairo_move_to(cr, margin, y);
    cairo_show_text(cr, to_utf8(lines[i]).c_str());
    y += line_height;
  }
  cairo_restore(cr);
}

}  // namespace vismo
