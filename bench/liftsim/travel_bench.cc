// Passes per second of the main loop over complete up-and-down travels,
// with every runtime call reduced to a stub: the cost of the simulation
// itself, without drawing. The stub mouse clicks the lever whenever the
// lift is at rest, so the loop travels without pause.
#include <benchmark/benchmark.h>

#include "routines.h"
#include "state.h"

namespace {

bool pressed = false;

}  // namespace

extern "C" {
int32_t VisBegin(int32_t /*mode*/) { return 0; }
int32_t VisLoad(const char* /*file_name*/) { return 0; }
int32_t VisLink(const char* /*layer*/, const char* /*variable*/, void* /*address*/) { return 0; }
int32_t VisExec(const char* /*command*/) { return 0; }
int32_t VisEnd(void) { return 0; }

int32_t VisMouse(int32_t /*device*/, int32_t* x, int32_t* y, int32_t* buttons) {
  const bool at_rest = moving_up == 0 && moving_down == 0;
  *buttons = 0;
  if (pressed) {
    pressed = false;
  } else if (at_rest) {
    pressed = true;
    *x = position == 0.0 ? 772 : 672;  // the up or the down lever
    *y = 158;
    *buttons = 1;
  }
  return 0;
}
}

void BM_TravelPasses(benchmark::State& state) {
  static bool started = false;
  if (!started) {
    start_up(1000);
    started = true;
  }
  // Each profile in turn: steps, then ramps at the largest acceleration.
  if (state.range(0) == 1) {
    step_profile = 0;
    max_accel = 9.0;
  }
  std::int64_t passes = 0;
  for (auto _ : state) {
    main_loop_pass();
    ++passes;
  }
  benchmark::DoNotOptimize(position);
  state.SetItemsProcessed(passes);
  state.counters["passes_per_s"] = benchmark::Counter(static_cast<double>(passes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TravelPasses)->Arg(0)->Arg(1)->ArgName("ramp");

BENCHMARK_MAIN();
