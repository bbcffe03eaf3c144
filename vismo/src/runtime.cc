// The six functions of the C interface (vismo.h) and the one runtime
// object behind them. A program calls them from its single thread, in the
// order vismo.h gives; a call out of that order is reported on stderr and
// does nothing, so a program bug never brings the runtime down. The
// trace is written here, before the backend sees a call, so that it is
// the same whichever backend runs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "backend.h"
#include "trace.h"
#include "vismo/vismo.h"

namespace vismo {

namespace {

void report_end_of_script();

std::string_view or_null(const char* text) {
  return text != nullptr ? std::string_view(text) : "(null)";
}

// The environment variable `name`; an empty value counts as unset.
const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

class Runtime {
 public:
  Runtime() = default;
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;
  // Runs when the process exits without VisEnd: the trace buffer is
  // written, the backend (and its window) closed before the scene it reads.
  ~Runtime() {
    backend_.reset();
    trace_.flush();
  }

  std::int32_t begin(std::int32_t mode) {
    if (begun_) return misuse("VisBegin called twice; ignored");
    if (mode != 0) std::fprintf(stderr, "vismo: VisBegin(%d): the mode is reserved and must be 0\n", mode);
    if (const char* trace_path = environment("VISMO_TRACE")) {
      if (!trace_.open(trace_path)) {
        std::fprintf(stderr, "vismo: cannot write the trace %s: %s\n", trace_path, std::strerror(errno));
        std::exit(1);
      }
    }
    trace_.write("begin " + std::to_string(mode));
    if (const char* script = environment("VISMO_SCRIPT")) {
      backend_ = make_headless_backend(script, report_end_of_script);
    } else {
      backend_ = make_window_backend();
      if (!backend_) {
        std::fputs("vismo: no window could be opened; ending\n", stderr);
        trace_.flush();
        std::exit(1);
      }
    }
    begun_ = true;
    return 0;
  }

  std::int32_t load(const char* file_name) {
    if (!begun_) return misuse("VisLoad called outside VisBegin..VisEnd; ignored");
    if (file_name == nullptr) return misuse("VisLoad(NULL); ignored");
    trace_.write("load " + trace_name(file_name));
    if (scene_) return misuse("VisLoad: a scene is loaded already; ignored");
    load_tried_ = true;
    std::vector<Diagnostic> diagnostics;
    auto scene = load_scene_file(file_name, diagnostics);
    if (!scene) {
      for (const Diagnostic& diagnostic : diagnostics) std::fprintf(stderr, "%s\n", diagnostic.to_string().c_str());
      backend_->show_errors(diagnostics);
      return 1;
    }
    scene_ = std::make_unique<Scene>(std::move(*scene));
    bindings_ = std::make_unique<Bindings>(*scene_);
    backend_->scene_loaded(*scene_, *bindings_);
    return 0;
  }

  std::int32_t link(const char* layer, const char* variable, void* address) {
    if (!begun_) return misuse("VisLink called outside VisBegin..VisEnd; ignored");
    trace_.write("link " + trace_name(or_null(layer)) + " " + trace_name(or_null(variable)));
    if (!scene_) {
      // A failed load has been reported already; no need to repeat it per link.
      return load_tried_ ? 1 : misuse("VisLink called before VisLoad; ignored");
    }
    const int index = layer != nullptr && variable != nullptr ? scene_->find_variable(layer, variable) : -1;
    if (index < 0) {
      std::fprintf(stderr, "vismo: %s has no variable %s in layer %s\n", scene_->file.c_str(),
                   std::string(or_null(variable)).c_str(), std::string(or_null(layer)).c_str());
      return 1;
    }
    if (address == nullptr) return misuse("VisLink with a NULL address; ignored");
    bindings_->bind(index, address);
    const Variable& declared = scene_->variables[static_cast<std::size_t>(index)];
    watches_.add(declared.name, declared.type, address);
    return 0;
  }

  std::int32_t exec(const char* command_name) {
    if (!begun_) return misuse("VisExec called outside VisBegin..VisEnd; ignored");
    if (command_name == nullptr) return misuse("VisExec(NULL); ignored");
    trace_.write("exec " + trace_name(command_name));
    if (trace_.is_open()) {
      changes_.clear();
      watches_.collect_changes(changes_);
      if (!changes_.empty()) {
        changes_.pop_back();  // write() adds the last newline
        trace_.write(changes_);
      }
    }
    const Command* command = scene_ ? scene_->find_command(command_name) : nullptr;
    if (command == nullptr && scene_ && warned_commands_.emplace(command_name).second) {
      std::fprintf(stderr, "vismo: %s has no command %s\n", scene_->file.c_str(), command_name);
    }
    backend_->play(command);
    return command != nullptr ? 0 : 1;
  }

  std::int32_t mouse(std::int32_t device, std::int32_t* x, std::int32_t* y, std::int32_t* buttons) {
    MouseState state;
    if (!begun_) {
      misuse("VisMouse called outside VisBegin..VisEnd; reporting no mouse");
    } else {
      if (device != -1 && !warned_device_) {
        warned_device_ = true;
        std::fprintf(stderr, "vismo: VisMouse(%d): the device is reserved and must be -1\n", device);
      }
      state = backend_->poll_mouse();
      trace_.write("mouse " + std::to_string(state.x) + " " + std::to_string(state.y) + " " +
                   std::to_string(state.buttons));
    }
    if (x != nullptr) *x = state.x;
    if (y != nullptr) *y = state.y;
    if (buttons != nullptr) *buttons = state.buttons;
    return begun_ ? 0 : 1;
  }

  std::int32_t end() {
    if (!begun_) return misuse("VisEnd called outside VisBegin..VisEnd; ignored");
    trace_.write("end");
    trace_.flush();
    // The backend reads the scene and the bindings, so it goes first.
    backend_.reset();
    bindings_.reset();
    scene_.reset();
    watches_.clear();
    warned_commands_.clear();
    trace_.close();
    begun_ = load_tried_ = warned_device_ = false;
    return 0;
  }

  // Called by the headless backend just before it ends the process.
  void end_of_script() {
    trace_.write("end-of-script");
    trace_.flush();
  }

 private:
  static std::int32_t misuse(const char* message) {
    std::fprintf(stderr, "vismo: %s\n", message);
    return 1;
  }

  // Declaration order is destruction order backwards: the backend is
  // destroyed before the scene and the bindings it may hold on to.
  Trace trace_;
  bool begun_ = false;
  bool load_tried_ = false;
  bool warned_device_ = false;
  std::unique_ptr<Scene> scene_;
  std::unique_ptr<Bindings> bindings_;
  WatchList watches_;
  std::string changes_;  // reused by every exec
  std::unordered_set<std::string> warned_commands_;
  std::unique_ptr<Backend> backend_;
};

Runtime& runtime() {
  static Runtime instance;
  return instance;
}

void report_end_of_script() {
  runtime().end_of_script();
}

}  // namespace

}  // namespace vismo

extern "C" {

int32_t VisBegin(int32_t mode) {
  return vismo::runtime().begin(mode);
}
int32_t VisLoad(const char* file_name) {
  return vismo::runtime().load(file_name);
}
int32_t VisLink(const char* layer, const char* variable, void* address) {
  return vismo::runtime().link(layer, variable, address);
}
int32_t VisExec(const char* command) {
  return vismo::runtime().exec(command);
}
int32_t VisMouse(int32_t device, int32_t* x, int32_t* y, int32_t* buttons) {
  return vismo::runtime().mouse(device, x, y, buttons);
}
int32_t VisEnd(void) {
  return vismo::runtime().end();
}

}  // extern "C"
