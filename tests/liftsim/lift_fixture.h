// The fixture of the simulation tests: the real liftsim procedures on their
// real state, started as the program starts, against the recording runtime.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_runtime.h"
#include "routines.h"
#include "state.h"

// Points inside the panel's buttons, in scene units.
struct Spot {
  int x;
  int y;
};
namespace spot {
constexpr Spot banner{670, 579};
constexpr Spot options{690, 80};
constexpr Spot erase{663, 106};
constexpr Spot pause{733, 106};
constexpr Spot slower{733, 79};
constexpr Spot faster{776, 79};
constexpr Spot symbols{757, 40};
constexpr Spot single_step{776, 106};
constexpr Spot echelon{674, 529};
constexpr Spot trapeze{768, 529};
constexpr Spot accel_down{674, 469};
constexpr Spot accel_up{768, 469};
constexpr Spot load_down{674, 389};
constexpr Spot load_up{768, 389};
constexpr Spot counterweight_down{674, 329};
constexpr Spot counterweight_up{768, 329};
constexpr Spot friction_down{674, 269};
constexpr Spot friction_up{768, 269};
constexpr Spot lever_down{672, 158};
constexpr Spot lever_up{772, 158};
constexpr Spot reset{685, 42};
constexpr Spot quit{778, 579};
constexpr Spot nowhere{300, 300};
}  // namespace spot

class Lift : public ::testing::Test {
 protected:
  recording::Runtime& rt = recording::runtime();

  // Starts as the program does, with `code` as launch code (1000: clock
  // level 0, time_step 1), and forgets what start-up played.
  void start(int code = 1000) {
    start_up(code);
    rt.clear();
  }
  void click(Spot s) { rt.click(s.x, s.y); }
  void pass(int n = 1) {
    for (int i = 0; i < n; ++i) main_loop_pass();
  }
  // Runs passes until the lift is at rest; returns how many ran.
  int run_until_rest(int limit = 10'000'000) {
    int passes = 0;
    do {
      main_loop_pass();
      ++passes;
    } while ((moving_up != 0 || moving_down != 0) && passes < limit);
    return passes;
  }
  // Clicks the lever and runs the whole travel; returns its passes.
  int travel(Spot lever) {
    click(lever);
    return run_until_rest();
  }
  std::vector<std::string> execs() const { return rt.execs(); }
  int count(const std::string& name) const {
    int n = 0;
    for (const auto& e : rt.execs()) n += e == name ? 1 : 0;
    return n;
  }
};

inline std::string text_of(const scene_text& t) {
  return std::string(t.chars.data(), t.length);
}
