// Stands in for the snapshot painter in builds without the window
// (-DLIFTSIM_WINDOW=OFF): the headless backend calls it when
// VISMO_SNAPSHOT is set, and the run goes on without pictures.
#include <cstdio>

#include "snapshot.h"

namespace vismo {

std::unique_ptr<Snapshot> make_snapshot(const std::string& path, int /*width*/, int /*height*/) {
  std::fprintf(stderr,
               "vismo: VISMO_SNAPSHOT needs the window build (configured with LIFTSIM_WINDOW=ON); "
               "%s is not written\n",
               path.c_str());
  return nullptr;
}

}  // namespace vismo
