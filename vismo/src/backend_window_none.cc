// Stands in for the window backend in builds without it
// (-DLIFTSIM_WINDOW=OFF): VisBegin calls it when no VISMO_SCRIPT is set,
// and the program ends with this explanation.
#include <cstdio>

#include "backend.h"

namespace vismo {

std::unique_ptr<Backend> make_window_backend() {
  std::fputs(
      "vismo: this build has no window (configured with LIFTSIM_WINDOW=OFF); "
      "set VISMO_SCRIPT=FILE to run headless with a mouse script\n",
      stderr);
  return nullptr;
}

}  // namespace vismo
