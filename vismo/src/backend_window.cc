// The window backend: an SDL2 window showing a Canvas painted with cairo.
//
// VisBegin creates it (make_window_backend); from then on the runtime core
// calls scene_loaded once, then play and poll_mouse in whatever mix the
// program makes. The program has no event loop of its own, so every one of
// those calls pumps the window's events: the window moves, resizes,
// repaints and closes from inside them.
//
// Time. A command with a period is paced: its plays are kept that far
// apart by sleeping until a deadline that advances by the period, so the
// average rate is exact. The screen is updated at most once per display
// refresh, with what changed since the last update; a play that changed
// nothing (see Canvas) is not shown again. A program that only polls the
// mouse (a menu waiting for a click) makes each poll wait for input a
// little, so that waiting costs almost no processor time.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "backend.h"
#include "canvas.h"

namespace vismo {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct WindowDeleter {
  void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct RendererDeleter {
  void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct TextureDeleter {
  void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
using WindowPtr = std::unique_ptr<SDL_Window, WindowDeleter>;
using RendererPtr = std::unique_ptr<SDL_Renderer, RendererDeleter>;
using TexturePtr = std::unique_ptr<SDL_Texture, TextureDeleter>;

// Starts SDL's video subsystem for the backend. It is not shut down when
// the backend goes (VisEnd closes the window, and the process ends next):
// shutting it down would unload the display libraries SDL loaded, for no
// gain, and leave the leak checker unable to tell whose their last
// allocations are (tests/window/lsan.supp names the two libraries whose
// caches stay). A later VisBegin starts it again, which SDL counts.
class SdlVideo {
 public:
  bool start() { return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }
};

// A poll waits for input only after this long without a paced play and
// without a play that painted: the program is then in a loop that polls
// the mouse and at most replays what is shown.
constexpr auto idle_after = milliseconds(20);
// The longest a poll waits for input: an event ends the wait at once, and
// without one a press is still seen within a frame at 60 Hz.
constexpr auto idle_wait = milliseconds(16);
// A paced command that has fallen this far behind its deadline starts
// afresh instead of catching up.
constexpr auto resync_after = milliseconds(100);
// A close request that follows an earlier one by more than `close_patience`
// and less than `close_window`, the program still running, ends the
// process: the click of the first did not end it (a dialog took it).
// Quicker (a double click) or later (a fresh try) it is a click again.
constexpr auto close_patience = std::chrono::seconds(1);
constexpr auto close_window = std::chrono::seconds(10);
// The shortest time between two pumps of the window's events.
constexpr auto pump_interval = milliseconds(1);
// Share of the usable display area the window takes at most when it opens.
constexpr double initial_share = 0.85;

// Whether `renderer` draws with OpenGL done by the processor. Not when the
// renderer was chosen by name (SDL_RENDER_DRIVER): that choice stands.
bool draws_in_software_gl(SDL_Renderer* renderer) {
  if (std::getenv("SDL_RENDER_DRIVER") != nullptr) return false;
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 ||
      std::string_view(info.name).find("opengl") == std::string_view::npos) {
    return false;
  }
  using GetString = const unsigned char* (*)(unsigned);
  constexpr unsigned gl_renderer = 0x1F01;
  const auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = get_string != nullptr ? get_string(gl_renderer) : nullptr;
  if (name == nullptr) return false;
  const std::string_view text(reinterpret_cast<const char*>(name));
  return text.find("llvmpipe") != std::string_view::npos || text.find("softpipe") != std::string_view::npos ||
         text.find("Software Rasterizer") != std::string_view::npos || text.find("swrast") != std::string_view::npos;
}

class WindowBackend final : public Backend {
 public:
  static std::unique_ptr<WindowBackend> open();
  WindowBackend() = default;
  ~WindowBackend() override;
  WindowBackend(const WindowBackend&) = delete;
  WindowBackend& operator=(const WindowBackend&) = delete;

  void scene_loaded(const Scene& scene, const Bindings& bindings) override;
  void play(const Command* command) override;
  MouseState poll_mouse() override;
  void show_errors(const std::vector<Diagnostic>& diagnostics) override;

 private:
  void open_window(const Scene& scene);
  void make_canvas(const Scene& scene);
  std::pair<int, int> output_size() const;

  // Handles every pending event without waiting.
  void pump();
  void drain();
  // Waits for one event at most `timeout` (rounded up to a millisecond),
  // then handles every pending one.
  void pump_waiting(Clock::duration timeout);
  void handle(const SDL_Event& event);
  void on_close();
  void sync_size();

  void pace(const Command& command);
  void wait_until(Clock::time_point deadline);
  // Shows what changed if a display refresh has passed since the last time.
  void maybe_present();
  void present();
  Clock::duration until_present() const;

  MouseState mouse_at(int x, int y, int buttons) const;
  void write_stats_line(const std::string& line) const;

  SdlVideo video_;
  WindowPtr window_;
  RendererPtr renderer_;
  TexturePtr texture_;
  int texture_width_ = 0;
  int texture_height_ = 0;

  const Scene* scene_ = nullptr;
  const Bindings* bindings_ = nullptr;
  Scene fallback_scene_;  // the empty 800 x 600 scene on which errors are shown
  std::unique_ptr<Canvas> canvas_;

  // Presenting: what the canvas changed and the texture does not have yet.
  DeviceRect unsent_;
  bool present_wanted_ = false;
  Clock::time_point last_present_{};
  Clock::duration frame_interval_ = milliseconds(16);
  bool presented_once_ = false;

  // Input. Button changes queue up, so that a click shorter than the gap
  // between two polls is still seen: one queued state per poll.
  int pointer_x_ = 0;  // window coordinates
  int pointer_y_ = 0;
  bool left_held_ = false;
  bool right_held_ = false;
  int buttons_ = 0;  // as reported: 0 none, 1 left, 2 right
  std::deque<MouseState> queued_;
  bool input_changed_ = false;
  std::optional<Clock::time_point> last_close_;

  Clock::time_point last_pump_{};
  Clock::time_point last_paint_{};  // the last play that painted something
  Clock::time_point last_paced_{};  // the last play of a command with a period
  std::unordered_map<const Command*, Clock::time_point> next_play_;
  // VISMO_STATS=FILE: a few lines for tests and measurements: the renderer,
  // the first present, the first play of each command (times since the
  // backend opened) and, at the end, what the canvas painted and skipped.
  std::string stats_path_;
  std::unordered_set<const Command*> played_;
  Clock::time_point opened_at_ = Clock::now();
};

std::unique_ptr<WindowBackend> WindowBackend::open() {
  // The program ends on Ctrl+C as any other; a close of its window is
  // handled by poll_mouse, not by SDL's quit event.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A click that brings the window to the front is a click all the same.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");

  auto backend = std::make_unique<WindowBackend>();
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  // No desktop to show a window on: say so rather than let SDL try every
  // driver (and Wayland's client library complain about its own settings).
  const bool no_display = !set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER");
  bool started = !no_display && backend->video_.start();
  std::string why = no_display ? "no display (DISPLAY and WAYLAND_DISPLAY are unset)" : started ? "" : SDL_GetError();
  // Without a display SDL falls back to drivers that show nothing; they
  // count only when asked for by name (SDL_VIDEODRIVER).
  if (started) {
    const std::string driver = SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy" || driver == "evdev") && (asked == nullptr || driver != asked)) {
      started = false;
      const char* display = std::getenv("DISPLAY");
      why = std::string("cannot reach the display ") + (display != nullptr ? display : "");
    }
  }
  if (!started) {
    std::fprintf(stderr,
                 "vismo: cannot open a window: %s\n"
                 "vismo: a window needs a display: run the program on a desktop, or under a virtual one,\n"
                 "vismo: e.g. `xvfb-run ./program`; or run it headless with VISMO_SCRIPT=FILE\n"
                 "vismo: (mouse states from FILE, no window; see docs/scene-format.md).\n",
                 why.c_str());
    return nullptr;
  }
  if (const char* stats = std::getenv("VISMO_STATS"); stats != nullptr && *stats != '\0') backend->stats_path_ = stats;
  // The window itself waits for the scene, whose proportions it takes.
  return backend;
}

WindowBackend::~WindowBackend() {
  if (!stats_path_.empty() && canvas_) {
    const auto& c = canvas_->counts();
    write_stats_line("plays painted " + std::to_string(c.painted) + " skipped " + std::to_string(c.skipped) +
                     " culled " + std::to_string(c.culled) + " flattened " + std::to_string(c.flattened) +
                     " retained " + std::to_string(canvas_->retained()));
  }
}

void WindowBackend::write_stats_line(const std::string& line) const {
  if (stats_path_.empty()) return;
  if (FILE* f = std::fopen(stats_path_.c_str(), "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

std::pair<int, int> WindowBackend::output_size() const {
  int w = 0;
  int h = 0;
  if (SDL_GetRendererOutputSize(renderer_.get(), &w, &h) != 0 || w <= 0 || h <= 0) {
    SDL_GetWindowSize(window_.get(), &w, &h);
  }
  return {std::max(w, 1), std::max(h, 1)};
}

// Called once, when the scene has loaded (or failed to): opens the window
// with the scene's proportions at the largest size that fits a share of
// the usable display area, centred. It is created at that size, not
// resized after, so that the renderer starts with the right viewport.
void WindowBackend::open_window(const Scene& scene) {
  const std::string title = std::filesystem::path(scene.file).stem().string();
  SDL_Rect usable{0, 0, 800, 600};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) usable = {0, 0, 800, 600};
  const double aspect = scene.width > 0.0 && scene.height > 0.0 ? scene.width / scene.height : 4.0 / 3.0;
  double w = usable.w * initial_share;
  double h = w / aspect;
  if (h > usable.h * initial_share) {
    h = usable.h * initial_share;
    w = h * aspect;
  }
  window_.reset(SDL_CreateWindow(title.empty() ? "vismo" : title.c_str(), static_cast<int>(SDL_WINDOWPOS_CENTERED),
                                 static_cast<int>(SDL_WINDOWPOS_CENTERED), std::max(160, static_cast<int>(w)),
                                 std::max(120, static_cast<int>(h)), SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI));
  // No vsync: presenting must never block a play; presents are spaced by
  // the display's refresh interval instead.
  if (window_) renderer_.reset(SDL_CreateRenderer(window_.get(), -1, 0));
  if (renderer_ && draws_in_software_gl(renderer_.get())) {
    // OpenGL without a graphics processor (llvmpipe under Xvfb, say) spends
    // far more time drawing a picture than copying it: copy instead.
    renderer_.reset();
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
  }
  if (window_ && !renderer_) renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
  if (!renderer_) {
    std::fprintf(stderr, "vismo: cannot open a window: %s\n", SDL_GetError());
    std::exit(1);
  }
  SDL_SetWindowMinimumSize(window_.get(), 160, 120);
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(std::max(0, SDL_GetWindowDisplayIndex(window_.get())), &mode) == 0 &&
      mode.refresh_rate > 0) {
    frame_interval_ =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / mode.refresh_rate));
  }
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer_.get(), &info) == 0) {
    write_stats_line(std::string("renderer ") + info.name + " video " + SDL_GetCurrentVideoDriver());
  }
  pump();
}

void WindowBackend::make_canvas(const Scene& scene) {
  const auto [w, h] = output_size();
  canvas_ = std::make_unique<Canvas>(scene, w, h);
  sync_size();
  unsent_ = DeviceRect{0, 0, w, h};
  present_wanted_ = true;
}

void WindowBackend::scene_loaded(const Scene& scene, const Bindings& bindings) {
  scene_ = &scene;
  bindings_ = &bindings;
  next_play_.clear();
  if (!window_) open_window(scene);
  make_canvas(scene);
  present();
}

void WindowBackend::show_errors(const std::vector<Diagnostic>& diagnostics) {
  if (!canvas_) {
    fallback_scene_.file = "vismo";
    if (!window_) open_window(fallback_scene_);
    make_canvas(fallback_scene_);
  }
  std::vector<std::string> lines{"The scene could not be loaded:"};
  for (const Diagnostic& d : diagnostics) lines.push_back(d.to_string());
  canvas_->show_messages(std::move(lines));
  present();
}

// ---- events -------------------------------------------------------------

// Each pump asks the display server for news (several system calls), and
// a program may poll many thousand times a second: pumps closer together
// than `pump_interval` are skipped. Events are drained from SDL's queue
// without pumping again.
void WindowBackend::pump() {
  const auto now = Clock::now();
  if (now - last_pump_ < pump_interval) return;
  last_pump_ = now;
  SDL_PumpEvents();
  drain();
}

void WindowBackend::drain() {
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) handle(event);
}

void WindowBackend::pump_waiting(Clock::duration timeout) {
  const auto ms = std::chrono::ceil<milliseconds>(timeout).count();
  SDL_Event event;
  if (ms > 0) {
    if (SDL_WaitEventTimeout(&event, static_cast<int>(ms)) != 0) handle(event);
    last_pump_ = Clock::now();  // the wait pumped
    drain();
  } else {
    pump();
  }
}

void WindowBackend::handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      on_close();
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          on_close();
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          present_wanted_ = true;
          break;
        default:
          sync_size();
          break;
      }
      break;
    case SDL_MOUSEMOTION:
      pointer_x_ = event.motion.x;
      pointer_y_ = event.motion.y;
      input_changed_ = true;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      pointer_x_ = event.button.x;
      pointer_y_ = event.button.y;
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      if (event.button.button == SDL_BUTTON_LEFT) left_held_ = down;
      if (event.button.button == SDL_BUTTON_RIGHT) right_held_ = down;
      const int buttons = left_held_ ? 1 : right_held_ ? 2 : 0;  // the left button wins
      if (buttons != buttons_) {
        buttons_ = buttons;
        queued_.push_back(mouse_at(pointer_x_, pointer_y_, buttons));
      }
      input_changed_ = true;
      break;
    }
    default:
      break;
  }
}

// A close of the window. With a close-click in the scene, the program sees
// a left click there and quits by its own path; otherwise the process ends.
void WindowBackend::on_close() {
  const Scene* scene = scene_;
  const auto now = Clock::now();
  if (scene == nullptr || !scene->close_click) std::exit(0);
  if (last_close_ && now - *last_close_ >= close_patience && now - *last_close_ <= close_window) std::exit(0);
  last_close_ = now;
  const auto [x, y] = *scene->close_click;
  const auto ix = static_cast<std::int32_t>(std::lround(x));
  const auto iy = static_cast<std::int32_t>(std::lround(y));
  queued_.push_back(MouseState{ix, iy, 1});
  queued_.push_back(MouseState{ix, iy, 0});
  input_changed_ = true;
}

// Called on window events: when the pixel size changed, the canvas paints
// itself again at the new size and the texture follows.
void WindowBackend::sync_size() {
  if (!renderer_) return;
  const auto [w, h] = output_size();
  if (canvas_ && (canvas_->view().pixel_width() != w || canvas_->view().pixel_height() != h)) {
    canvas_->resize(w, h);
  }
  if (!texture_ || texture_width_ != w || texture_height_ != h) {
    texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h));
    if (texture_) SDL_SetTextureBlendMode(texture_.get(), SDL_BLENDMODE_NONE);
    SDL_RenderSetViewport(renderer_.get(), nullptr);  // the whole output, whatever events said
    texture_width_ = w;
    texture_height_ = h;
    unsent_ = DeviceRect{0, 0, w, h};
    present_wanted_ = true;
  }
}

MouseState WindowBackend::mouse_at(int x, int y, int buttons) const {
  int ww = 0;
  int wh = 0;
  SDL_GetWindowSize(window_.get(), &ww, &wh);
  const auto [pw, ph] = output_size();
  // Window coordinates may be points rather than pixels (high density).
  const double rx = ww > 0 ? static_cast<double>(pw) / ww : 1.0;
  const double ry = wh > 0 ? static_cast<double>(ph) / wh : 1.0;
  const double px = (x + 0.5) * rx;
  const double py = (y + 0.5) * ry;
  const SceneView view = canvas_ ? canvas_->view() : SceneView(800.0, 600.0, pw, ph);
  const auto [sx, sy] = view.to_scene(px, py);
  return MouseState{static_cast<std::int32_t>(std::floor(sx)), static_cast<std::int32_t>(std::floor(sy)), buttons};
}

MouseState WindowBackend::poll_mouse() {
  pump();
  const auto now = Clock::now();
  if (queued_.empty() && !input_changed_ && now - last_paint_ >= idle_after && now - last_paced_ >= idle_after) {
    // No paced command keeps time and nothing has been painted for a while:
    // the program waits in a loop (a menu waiting for a click, a button
    // held down). Wait a little for input instead of spinning, but not past
    // a paced command's next turn nor past a due present.
    Clock::duration wait = idle_wait;
    for (const auto& [command, next] : next_play_) {
      if (next > now) wait = std::min(wait, next - now);
    }
    if (present_wanted_ || !unsent_.empty()) wait = std::min(wait, until_present());
    pump_waiting(wait);
  }
  maybe_present();
  input_changed_ = false;
  if (!queued_.empty()) {
    const MouseState state = queued_.front();
    queued_.pop_front();
    return state;
  }
  return mouse_at(pointer_x_, pointer_y_, buttons_);
}

// ---- plays and pacing ---------------------------------------------------

void WindowBackend::play(const Command* command) {
  if (command == nullptr || !canvas_ || scene_ == nullptr) {
    pump();
    maybe_present();
    return;
  }
  pace(*command);
  if (command->period_ms > 0) last_paced_ = Clock::now();
  if (!stats_path_.empty() && played_.insert(command).second) {
    std::array<char, 64> line{};
    std::snprintf(line.data(), line.size(), " %.1f ms-after-open",
                  std::chrono::duration<double, std::milli>(Clock::now() - opened_at_).count());
    write_stats_line("first-play " + command->name + line.data());
  }
  if (canvas_->play(*command, *bindings_)) {
    unsent_.unite(canvas_->take_damage());
    last_paint_ = Clock::now();
  }
  pump();
  maybe_present();
}

void WindowBackend::pace(const Command& command) {
  if (command.period_ms <= 0) return;
  const auto period = milliseconds(command.period_ms);
  const auto now = Clock::now();
  auto [it, first] = next_play_.try_emplace(&command, now + period);
  if (first) return;
  Clock::time_point& next = it->second;
  Clock::time_point base = next;
  if (now < next) {
    wait_until(next);
  } else if (now - next > resync_after) {
    base = now;  // far behind: start afresh rather than rush to catch up
  }
  next = base + period;
}

// Sleeps until `deadline`, handling window events and presenting as they come.
void WindowBackend::wait_until(Clock::time_point deadline) {
  while (true) {
    maybe_present();
    const auto now = Clock::now();
    if (now >= deadline) return;
    auto remaining = deadline - now;
    if (present_wanted_ || !unsent_.empty())
      remaining = std::min(remaining, std::max<Clock::duration>(until_present(), milliseconds(1)));
    // Rounded up to a whole millisecond: the play may come a little late,
    // but the next deadline is counted from this one, not from the play.
    pump_waiting(remaining);
  }
}

Clock::duration WindowBackend::until_present() const {
  const auto due = last_present_ + frame_interval_;
  const auto now = Clock::now();
  return due > now ? due - now : Clock::duration::zero();
}

void WindowBackend::maybe_present() {
  if (!present_wanted_ && unsent_.empty()) return;
  if (Clock::now() - last_present_ < frame_interval_) return;
  present();
}

void WindowBackend::present() {
  if (!canvas_ || !texture_) return;
  unsent_.unite(canvas_->take_damage());
  if (!unsent_.empty()) {
    cairo_surface_t* surface = canvas_->surface();
    cairo_surface_flush(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int x0 = std::clamp(unsent_.x0, 0, texture_width_);
    const int y0 = std::clamp(unsent_.y0, 0, texture_height_);
    const int x1 = std::clamp(unsent_.x1, 0, texture_width_);
    const int y1 = std::clamp(unsent_.y1, 0, texture_height_);
    if (x1 > x0 && y1 > y0 && data != nullptr) {
      const SDL_Rect rect{x0, y0, x1 - x0, y1 - y0};
      const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(y0) * stride + static_cast<std::ptrdiff_t>(x0) * 4;
      SDL_UpdateTexture(texture_.get(), &rect, data + offset, stride);
    }
    unsent_ = DeviceRect{};
  }
  SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, nullptr);
  SDL_RenderPresent(renderer_.get());
  present_wanted_ = false;
  last_present_ = Clock::now();
  if (!presented_once_) {
    presented_once_ = true;
    const auto since_open = std::chrono::duration<double, std::milli>(last_present_ - opened_at_).count();
    const auto wall =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::array<char, 96> line{};
    std::snprintf(line.data(), line.size(), "first-present %.1f ms-after-open %lld unix-ns", since_open,
                  static_cast<long long>(wall));
    write_stats_line(line.data());
  }
}

}  // namespace

std::unique_ptr<Backend> make_window_backend() {
  return WindowBackend::open();
}

}  // namespace vismo
