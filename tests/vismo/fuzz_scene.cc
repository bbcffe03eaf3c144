// libFuzzer entry: any byte string handed to the scene loader must come
// back as a scene or as diagnostics, never as a crash, a hang, a leak or
// undefined behaviour. Built by scripts/fuzz-scene.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "scene.h"

namespace {

// Every reference a loaded scene holds points into it: what the runtime
// and the backends index without checking.
void check_refs(const vismo::Scene& scene, const std::vector<vismo::Op>& ops) {
  const auto check = [&](const vismo::Value& value) {
    if (value.kind == vismo::Value::Kind::variable &&
        static_cast<std::size_t>(value.variable) >= scene.variables.size()) {
      std::abort();
    }
    if (value.kind == vismo::Value::Kind::state && static_cast<std::size_t>(value.variable) >= scene.states.size()) {
      std::abort();
    }
  };
  for (const vismo::Op& op : ops) {
    for (const vismo::Value& value : op.args) check(value);
    for (const auto& option : op.options) check(option.second);
    check_refs(scene, op.body);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<vismo::Diagnostic> diagnostics;
  const auto scene = vismo::parse_scene(text, "fuzz.anm", diagnostics);
  // The loader's promise: a scene, or at least one message; never both.
  if (scene.has_value() == !diagnostics.empty()) std::abort();
  if (scene) {
    for (const vismo::Command& command : scene->commands) check_refs(*scene, command.ops);
    for (const vismo::Layer& layer : scene->layers) {
      for (int index : layer.variables) {
        if (static_cast<std::size_t>(index) >= scene->variables.size()) std::abort();
      }
    }
  }
  for (const auto& diagnostic : diagnostics) {
    if (diagnostic.to_string().empty()) std::abort();
  }
  return 0;
}
