// Pictures of headless runs (VISMO_SNAPSHOT): the program run with a mouse
// script in a fresh directory holding LIFT.ANM, and the PNG it leaves
// read back with cairo.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct Outcome {
  int status = -1;
  std::string errors;
};

class Snapshot : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("liftsim-snapshot-" + std::to_string(::getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(LIFT_SCENE_PATH, dir_ / "LIFT.ANM");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the program with `script` and the extra environment `env`
  // (NAME=VALUE ...), with VISMO_SNAPSHOT=shot.png.
  Outcome run(const std::string& script, const std::string& env) {
    std::ofstream(dir_ / "session.script") << script;
    const std::string command = "cd '" + dir_.string() +
                                "' && env VISMO_SCRIPT=session.script VISMO_SNAPSHOT=shot.png " + env + " '" +
                                LIFTSIM_PROGRAM + "' >/dev/null 2>errors.txt";
    Outcome r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream errors(dir_ / "errors.txt");
    std::stringstream text;
    text << errors.rdbuf();
    r.errors = text.str();
    return r;
  }

  Surface picture() const { return Surface(cairo_image_surface_create_from_png((dir_ / "shot.png").c_str())); }

  // The colour (0xRRGGBB) of pixel (x, y).
  static std::uint32_t at(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    std::uint32_t argb = 0;
    std::memcpy(&argb,
                cairo_image_surface_get_data(s) + static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(s) +
                    static_cast<std::ptrdiff_t>(x) * 4,
                4);
    return argb & 0xFFFFFFU;
  }

  fs::path dir_;
};

// The script runs out: the picture of the opening scene at the asked size,
// the title band at the top right.
TEST_F(Snapshot, WrittenWhenTheScriptRunsOut) {
  const Outcome r = run("300 300 0 *3\n", "VISMO_SNAPSHOT_SIZE=400x300");
  ASSERT_EQ(r.status, 0) << r.errors;
  const Surface s = picture();
  ASSERT_EQ(cairo_surface_status(s.get()), CAIRO_STATUS_SUCCESS) << "no readable shot.png";
  EXPECT_EQ(cairo_image_surface_get_width(s.get()), 400);
  EXPECT_EQ(cairo_image_surface_get_height(s.get()), 300);
  EXPECT_EQ(at(s.get(), 250, 5), 0x243B53U);  // scene (500, 590)
}

// Quit through the quit button with script lines left over: the picture
// is written at VisEnd, at the default size.
TEST_F(Snapshot, WrittenAtVisEnd) {
  const Outcome r = run("300 300 0 *3\n778 579 1\n778 579 0\n300 300 0 *100\n", "");
  ASSERT_EQ(r.status, 0) << r.errors;
  const Surface s = picture();
  ASSERT_EQ(cairo_surface_status(s.get()), CAIRO_STATUS_SUCCESS) << "no readable shot.png";
  EXPECT_EQ(cairo_image_surface_get_width(s.get()), 1600);
  EXPECT_EQ(cairo_image_surface_get_height(s.get()), 1200);
}

// A size that is not WxH within 1..16384 ends the run at VisBegin.
TEST_F(Snapshot, MalformedSizeEndsTheRun) {
  for (const char* size : {"40", "0x10", "10x", "x10", "16385x10", "1600X1200", "-4x3"}) {
    const Outcome r = run("300 300 0\n", std::string("VISMO_SNAPSHOT_SIZE=") + size);
    EXPECT_EQ(r.status, 2) << size;
    EXPECT_NE(r.errors.find("VISMO_SNAPSHOT_SIZE"), std::string::npos) << size << ": " << r.errors;
    EXPECT_FALSE(fs::exists(dir_ / "shot.png")) << size;
  }
}

}  // namespace
