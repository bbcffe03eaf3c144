// Painting costs of the window backend, without a window: the whole scene
// file played once onto a fresh canvas, one play of the command the program
// repeats, a repeated play that is skipped as unchanged, and a redraw at a
// new size. bench/window-figures runs these and prints the medians.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "canvas.h"

namespace vismo {
namespace {

// The scene file with every variable bound to storage of its type, holding
// plausible values: what a program would have bound.
class BoundScene {
 public:
  explicit BoundScene(const std::string& path) {
    std::vector<Diagnostic> diagnostics;
    auto loaded = load_scene_file(path, diagnostics);
    if (!loaded) throw std::runtime_error(diagnostics.empty() ? path : diagnostics.front().to_string());
    scene_ = std::make_unique<Scene>(std::move(*loaded));
    bindings_ = std::make_unique<Bindings>(*scene_);
    storage_.resize(scene_->variables.size());
    for (std::size_t i = 0; i < scene_->variables.size(); ++i) {
      auto& bytes = storage_[i];
      bytes.assign(88, std::byte{0});
      fill(scene_->variables[i].type, bytes.data());
      bindings_->bind(static_cast<int>(i), bytes.data());
    }
  }

  const Scene& scene() const { return *scene_; }
  const Bindings& bindings() const { return *bindings_; }

  // The bytes of the variable `name` (first found in any layer), or null.
  std::byte* variable(const std::string& name) {
    for (std::size_t i = 0; i < scene_->variables.size(); ++i) {
      if (scene_->variables[i].name == name) return storage_[i].data();
    }
    return nullptr;
  }

  void play_all(Canvas& canvas) const {
    for (const Command& command : scene_->commands) canvas.play(command, *bindings_);
  }

 private:
  static void fill(VarType type, std::byte* out) {
    auto put = [out](const auto& value, std::size_t offset = 0) { std::memcpy(out + offset, &value, sizeof value); };
    switch (type) {
      case VarType::int16:
        put(std::int16_t{0});
        break;
      case VarType::int32:
        put(std::int32_t{0});
        break;
      case VarType::colour:
        put(std::int32_t{3});
        break;
      case VarType::float32:
        put(10.0F);
        break;
      case VarType::point:
        put(170.0F);
        put(70.0F, 4);
        break;
      case VarType::scale:
        put(1.0F);
        put(1.0F, 4);
        break;
      case VarType::text: {
        const char text[] = "1234.5";
        put(static_cast<std::uint8_t>(sizeof text - 1));
        std::memcpy(out + 1, text, sizeof text);
        break;
      }
      case VarType::polyline:
        put(std::int16_t{3});
        put(170.0F, 8);
        put(140.0F, 12);
        put(227.0F, 16);
        put(522.0F, 20);
        put(284.0F, 24);
        put(300.0F, 28);
        break;
    }
  }

  std::unique_ptr<Scene> scene_;
  std::unique_ptr<Bindings> bindings_;
  std::vector<std::vector<std::byte>> storage_;
};

BoundScene& lift_scene() {
  static BoundScene scene(LIFT_SCENE_PATH);
  return scene;
}

// Every command of the scene file played once onto a fresh canvas.
void BM_FullRepaint(benchmark::State& state) {
  BoundScene& bound = lift_scene();
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    Canvas canvas(bound.scene(), width, height);
    state.ResumeTiming();
    bound.play_all(canvas);
    benchmark::DoNotOptimize(canvas.surface());
  }
}
BENCHMARK(BM_FullRepaint)->Args({800, 600})->Args({1600, 1200})->Unit(benchmark::kMillisecond);

// One play of "LIFT" with a moved cabin, so that it paints.
void BM_PlayLift(benchmark::State& state) {
  BoundScene& bound = lift_scene();
  Canvas canvas(bound.scene(), static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  bound.play_all(canvas);
  const Command* lift = bound.scene().find_command("LIFT");
  std::byte* cabin = bound.variable("POSCAB");
  if (lift == nullptr || cabin == nullptr) {
    state.SkipWithError("the scene has no LIFT command or POSCAB variable");
    return;
  }
  float y = 70.0F;
  canvas.play(*lift, bound.bindings());
  const float moved = 71.0F;
  std::memcpy(cabin + 4, &moved, sizeof moved);
  if (!canvas.play(*lift, bound.bindings())) {
    state.SkipWithError("LIFT does not draw POSCAB: its plays are skipped");
    return;
  }
  for (auto _ : state) {
    y = y >= 370.0F ? 70.0F : y + 0.5F;
    std::memcpy(cabin + 4, &y, sizeof y);
    benchmark::DoNotOptimize(canvas.play(*lift, bound.bindings()));
  }
}
BENCHMARK(BM_PlayLift)->Args({800, 600})->Args({1600, 1200})->Unit(benchmark::kMillisecond);

// One play of "LIFT" with nothing changed: what the program does 100 times
// a second at rest.
void BM_PlayLiftUnchanged(benchmark::State& state) {
  BoundScene& bound = lift_scene();
  Canvas canvas(bound.scene(), 800, 600);
  bound.play_all(canvas);
  const Command* lift = bound.scene().find_command("LIFT");
  if (lift == nullptr) {
    state.SkipWithError("the scene has no LIFT command");
    return;
  }
  canvas.play(*lift, bound.bindings());
  for (auto _ : state) benchmark::DoNotOptimize(canvas.play(*lift, bound.bindings()));
}
BENCHMARK(BM_PlayLiftUnchanged)->Unit(benchmark::kMicrosecond);

// The picture painted again at another size, as a window resize does.
void BM_ResizeRedraw(benchmark::State& state) {
  BoundScene& bound = lift_scene();
  Canvas canvas(bound.scene(), 800, 600);
  bound.play_all(canvas);
  bool big = false;
  for (auto _ : state) {
    big = !big;
    canvas.resize(big ? 1600 : 800, big ? 1200 : 600);
  }
  state.counters["retained"] = static_cast<double>(canvas.retained());
}
BENCHMARK(BM_ResizeRedraw)->Unit(benchmark::kMillisecond);

// A busy command of every kind of operation (about 130 of them), for a
// figure that does not depend on how much the scene file draws.
constexpr const char* busy_declarations = R"(vismo 1
size 800 600
background #f5f7fa
palette 3 #9aa5b1
layer L
  point AT
  scale SIZE
  float TURN
  text LABEL
  colour MARK
end
)";

constexpr const char* busy_drawing = R"(
  rect 650 560 790 595 fill=#ffffff stroke=#334e68 width=1.5 radius=4
  text 660 570 "Help" weight=bold
  line 170 139 170 524 stroke=#486581 width=2 dash=4
  polyline 20 20 60 80 100 20 140 80 stroke=#243b53 width=2
  arrow 170 70 170 120 stroke=#d64545 width=3 head=8
  circle 227 522 57 fill=#d9e2ec stroke=#334e68
  arc 720 140 30 0 180 stroke=#334e68 width=2
  polygon 300 100 400 100 350 180 fill=#f0b429 stroke=#334e68
  group translate=$AT scale=$SIZE
    rect -30 0 30 69 fill=#bcccdc stroke=#334e68
    group rotate=$TURN origin=0,30
      line -20 30 20 30 width=3
    end
  end
  text 700 400 $LABEL size=14 align=right
  text 700 380 $LABEL size=14 align=right
  text 700 360 $LABEL size=14 align=right
  text 700 340 $LABEL size=14 align=right
  rect 660 300 680 320 fill=$MARK
  rect 690 300 710 320 fill=$MARK
  rect 720 300 740 320 fill=$MARK
  rect 750 300 770 320 fill=$MARK
)";

void BM_BusyCommand(benchmark::State& state) {
  std::string text = std::string(busy_declarations) + "command BUSY\n  clear 0 0 800 600\n";
  for (int i = 0; i < 6; ++i) text += busy_drawing;
  text += "end\n";
  std::vector<Diagnostic> diagnostics;
  auto scene = parse_scene(text, "busy", diagnostics);
  if (!scene) {
    state.SkipWithError(diagnostics.empty() ? "busy scene" : diagnostics.front().to_string().c_str());
    return;
  }
  Bindings bindings(*scene);
  std::array<float, 2> at{400.0F, 300.0F};
  std::array<float, 2> size{1.0F, 1.0F};
  float turn = 0.0F;
  std::array<char, 80> label{6, '1', '2', '3', '4', '.', '5'};
  std::int32_t mark = 3;
  bindings.bind(scene->find_variable("L", "AT"), at.data());
  bindings.bind(scene->find_variable("L", "SIZE"), size.data());
  bindings.bind(scene->find_variable("L", "TURN"), &turn);
  bindings.bind(scene->find_variable("L", "LABEL"), label.data());
  bindings.bind(scene->find_variable("L", "MARK"), &mark);
  Canvas canvas(*scene, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const Command& busy = scene->commands.front();
  for (auto _ : state) {
    turn += 1.0F;
    benchmark::DoNotOptimize(canvas.play(busy, bindings));
  }
  state.counters["ops"] = static_cast<double>(busy.ops.size());
}
BENCHMARK(BM_BusyCommand)->Args({800, 600})->Args({1600, 1200})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vismo

BENCHMARK_MAIN();
