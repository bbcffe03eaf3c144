// The headless backend, chosen by VisBegin when VISMO_SCRIPT names a
// script of mouse states. It never waits: the tests of a program and its
// trace runs go as fast as the program computes. Each VisMouse call takes
// the next state of the script, read a line at a time, so a long script
// or a large repeat count costs no memory.
//
// It draws nothing, unless VISMO_SNAPSHOT=FILE.png asks for a picture:
// then every play is painted offscreen (snapshot.h) and the picture is
// written when the script runs out and at VisEnd. Without it no canvas
// exists and a play costs nothing.
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "backend.h"
#include "snapshot.h"

namespace vismo {

namespace {

template <typename T>
std::optional<T> to_integer(std::string_view text) {
  T value{};
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

// An environment variable; an empty value counts as unset.
const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// VISMO_SNAPSHOT_SIZE: WxH in pixels, each 1 to 16384; default 1600x1200.
// A malformed value ends the process with status 2, as a bad script does.
std::pair<int, int> snapshot_size() {
  constexpr int largest = 16384;
  const char* text = environment("VISMO_SNAPSHOT_SIZE");
  if (text == nullptr) return {1600, 1200};
  const std::string_view size(text);
  const std::size_t x = size.find('x');
  const auto w = x == std::string_view::npos ? std::nullopt : to_integer<int>(size.substr(0, x));
  const auto h = x == std::string_view::npos ? std::nullopt : to_integer<int>(size.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > largest || *h > largest) {
    std::fprintf(stderr, "vismo: VISMO_SNAPSHOT_SIZE=%s: expected WIDTHxHEIGHT in pixels, e.g. 1600x1200\n", text);
    std::exit(2);
  }
  return {*w, *h};
}

class HeadlessBackend final : public Backend {
 public:
  HeadlessBackend(std::string path, void (*on_end_of_script)())
      : path_(std::move(path)), script_(path_, std::ios::binary), on_end_of_script_(on_end_of_script) {
    if (!script_) {
      std::fprintf(stderr, "vismo: cannot read the mouse script %s: %s\n", path_.c_str(), std::strerror(errno));
      std::exit(2);
    }
    if (const char* picture = environment("VISMO_SNAPSHOT")) {
      const auto [width, height] = snapshot_size();
      // From the directory current now: a program may change it before VisEnd.
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(picture, error);
      snapshot_ = make_snapshot(error ? std::string(picture) : absolute.string(), width, height);
    }
  }

  // VisEnd destroys the backend (so does the end of a process that never
  // called it): the picture as the program left it.
  ~HeadlessBackend() override {
    if (snapshot_) snapshot_->write();
  }
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  void scene_loaded(const Scene& scene, const Bindings& bindings) override {
    if (snapshot_) snapshot_->scene_loaded(scene, bindings);
  }
  void play(const Command* command) override {
    if (snapshot_) snapshot_->play(command);
  }
  void show_errors(const std::vector<Diagnostic>& diagnostics) override {
    if (snapshot_) snapshot_->show_errors(diagnostics);
  }

  MouseState poll_mouse() override {
    while (remaining_ == 0) {
      if (!read_line()) {
        if (snapshot_) {
          snapshot_->write();
          snapshot_.reset();  // written once; the exit below destroys the backend again
        }
        if (on_end_of_script_ != nullptr) on_end_of_script_();
        std::exit(0);
      }
    }
    --remaining_;
    return state_;
  }

 private:
  // Reads lines up to the next mouse state; false at the end of the
  // script. A malformed line ends the process with status 2.
  bool read_line() {
    std::string line;
    while (std::getline(script_, line)) {
      ++line_number_;
      if (parse(line)) return true;
    }
    if (script_.bad()) fail("cannot read the script");
    return false;
  }

  // true: `line` held a state, now in state_ and remaining_; false: blank.
  bool parse(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::array<std::string_view, 5> fields{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size()) {
      if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
        ++i;
        continue;
      }
      const std::size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      if (count == fields.size()) fail("too many fields; expected X Y BUTTONS [*N]");
      fields.at(count++) = line.substr(start, i - start);
    }
    if (count == 0) return false;
    if (count < 3 || count > 4) fail("expected X Y BUTTONS [*N]");
    const auto x = to_integer<std::int32_t>(fields[0]);
    const auto y = to_integer<std::int32_t>(fields[1]);
    const auto buttons = to_integer<std::int32_t>(fields[2]);
    if (!x || !y || !buttons) fail("X, Y and BUTTONS must be decimal integers");
    if (*buttons < 0 || *buttons > 2) fail("BUTTONS must be 0 (none), 1 (left) or 2 (right)");
    std::uint64_t repeat = 1;
    if (count == 4) {
      const auto n =
          fields[3].size() > 1 && fields[3][0] == '*' ? to_integer<std::uint64_t>(fields[3].substr(1)) : std::nullopt;
      if (!n || *n == 0) fail("a repeat is written *N with N at least 1");
      repeat = *n;
    }
    state_ = {*x, *y, *buttons};
    remaining_ = repeat;
    return true;
  }

  [[noreturn]] void fail(const char* message) const {
    std::fprintf(stderr, "vismo: %s:%llu: %s\n", path_.c_str(), static_cast<unsigned long long>(line_number_), message);
    std::exit(2);
  }

  std::string path_;
  std::ifstream script_;
  void (*on_end_of_script_)();
  std::uint64_t line_number_ = 0;
  MouseState state_;
  std::uint64_t remaining_ = 0;         // calls left that report state_
  std::unique_ptr<Snapshot> snapshot_;  // only with VISMO_SNAPSHOT
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend(const std::string& script_path, void (*on_end_of_script)()) {
  return std::make_unique<HeadlessBackend>(script_path, on_end_of_script);
}

}  // namespace vismo
