// The runtime end to end: fake_program.cc makes the C calls named on its
// command line, run as a subprocess with VISMO_SCRIPT and VISMO_TRACE in a
// fresh directory; the tests read back its trace, output and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Declares a variable of every type; SHARED is in two layers, for the
// program to bind both at one address.
constexpr const char* test_scene =
    "vismo 1\n"
    "layer A\n"
    "  int16 I16\n"
    "  int32 I32\n"
    "  float F\n"
    "  colour C\n"
    "  point P\n"
    "  scale S\n"
    "  text T SHARED\n"
    "  polyline Q\n"
    "end\n"
    "layer B\n"
    "  text SHARED\n"
    "end\n"
    "command DRAW\n"
    "  rect 0 0 1 1\n"
    "end\n"
    "command OTHER\n"
    "end\n";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

struct Outcome {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
  std::string trace;
};

class Runtime : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        std::string("vismo_") + info->test_suite_name() + "_" + info->name() + "_" + std::to_string(getpid());
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = testing::TempDir() + name;
    mkdir(dir_.c_str(), 0755);
    write_file(dir_ + "/scene.anm", test_scene);
    write_script("0 0 0\n");
  }

  void write_script(const std::string& text) const { write_file(dir_ + "/script.txt", text); }

  // Runs fake_program in the test directory. `script` and `trace` are the
  // values of VISMO_SCRIPT and VISMO_TRACE; empty leaves them unset.
  Outcome run(const std::vector<std::string>& args, const std::string& script = "script.txt",
              const std::string& trace = "trace.txt") const {
    std::remove((dir_ + "/trace.txt").c_str());
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(98);
      const int out = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      script.empty() ? unsetenv("VISMO_SCRIPT") : setenv("VISMO_SCRIPT", script.c_str(), 1);
      trace.empty() ? unsetenv("VISMO_TRACE") : setenv("VISMO_TRACE", trace.c_str(), 1);
      unsetenv("DISPLAY");
      unsetenv("WAYLAND_DISPLAY");
      std::vector<char*> argv;
      std::string program = FAKE_PROGRAM;
      argv.push_back(program.data());
      std::vector<std::string> copies = args;
      for (std::string& arg : copies) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(97);
    }
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    Outcome result;
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    result.out = read_file(dir_ + "/out.txt");
    result.err = read_file(dir_ + "/err.txt");
    result.trace = read_file(dir_ + "/trace.txt");
    return result;
  }

  std::string dir_;
};

TEST_F(Runtime, TracesChangedVariablesInFirstLinkOrder) {
  const Outcome r = run({"begin", "load=scene.anm",
                         // Linked out of declaration order; SHARED twice at one
                         // address, I16 twice: each listed once.
                         "link=A.F@1", "link=A.I16@0", "link=A.T@2", "link=A.SHARED@3", "link=B.SHARED@3",
                         "link=A.I16@0", "i16@0=5", "f32@1=0.5", "txt@2=hi", "exec=DRAW", "exec=DRAW", "f32@1=70",
                         "exec=OTHER", "txt@3=x", "f32@1=70", "exec=DRAW",
                         // Linked after the first play: listed at the next.
                         "link=A.P@4", "pt@4=1,-2", "i16@0=-1", "exec=DRAW", "end"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.trace,
            "begin 0\n"
            "load scene.anm\n"
            "link A F\n"
            "link A I16\n"
            "link A T\n"
            "link A SHARED\n"
            "link B SHARED\n"
            "link A I16\n"
            "exec DRAW\n"
            "= F 0.5\n"
            "= I16 5\n"
            "= T \"hi\"\n"
            "= SHARED \"\"\n"
            "exec DRAW\n"
            "exec OTHER\n"
            "= F 70\n"
            "exec DRAW\n"
            "= SHARED \"x\"\n"
            "link A P\n"
            "exec DRAW\n"
            "= I16 -1\n"
            "= P 1 -2\n"
            "end\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Runtime, EveryTypeIsListedAtTheFirstPlay) {
  const Outcome r = run({"begin", "load=scene.anm", "link=A.I32@0", "link=A.C@1", "link=A.S@2", "link=A.Q@3",
                         "i32@0=-70000", "i32@1=3", "pt@2=0.25,0", "poly@3=2", "exec=DRAW", "end"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.trace.find("exec DRAW\n= I32 -70000\n= C 3\n= S 0.25 0\n= Q 2 0 -0 1 -1\nend\n"), std::string::npos)
      << r.trace;
}

TEST_F(Runtime, ScriptRepeatsAndEndsTheProcess) {
  write_script("# X Y B\n10 20 1\n\n-5 7 0 *3   # released\n\t2 -3 2\n");
  const Outcome r = run({"begin", "load=scene.anm", "mouse-forever"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "10 20 1\n-5 7 0\n-5 7 0\n-5 7 0\n2 -3 2\n");
  EXPECT_EQ(r.trace,
            "begin 0\nload scene.anm\nmouse 10 20 1\nmouse -5 7 0\nmouse -5 7 0\nmouse -5 7 0\nmouse 2 -3 2\n"
            "end-of-script\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Runtime, LargeRepeatIsNotExpanded) {
  write_script("1 2 0 *300000\n");
  const Outcome r = run({"begin", "mouse-forever"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count_of(r.trace, "mouse 1 2 0\n"), 300000U);
  EXPECT_TRUE(r.trace.ends_with("mouse 1 2 0\nend-of-script\n"));
}

TEST_F(Runtime, TraceIsCompleteWhenTheProgramExits) {
  const Outcome r = run({"begin", "load=scene.anm", "link=A.I16@0", "exec=DRAW", "mouse", "exit"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.trace, "begin 0\nload scene.anm\nlink A I16\nexec DRAW\n= I16 0\nmouse 0 0 0\n");
}

struct BadScript {
  const char* name;
  const char* line;
};

void PrintTo(const BadScript& c, std::ostream* out) {
  *out << c.name;
}

class MalformedScript : public Runtime, public testing::WithParamInterface<BadScript> {};

TEST_P(MalformedScript, EndsWithStatus2NamingFileAndLine) {
  write_script(std::string("# first a good state\n1 1 0\n") + GetParam().line + "\n");
  const Outcome r = run({"begin", "mouse-forever"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("script.txt:3:"), std::string::npos) << r.err;
  EXPECT_EQ(r.trace, "begin 0\nmouse 1 1 0\n");
}

INSTANTIATE_TEST_SUITE_P(Lines, MalformedScript,
                         testing::Values(BadScript{"two_fields", "1 2"}, BadScript{"five_fields", "1 2 0 *2 9"},
                                         BadScript{"word", "a 2 0"}, BadScript{"fraction", "1.5 2 0"},
                                         BadScript{"plus_sign", "+1 2 0"}, BadScript{"out_of_range", "99999999999 2 0"},
                                         BadScript{"buttons", "1 2 3"}, BadScript{"repeat_zero", "1 2 0 *0"},
                                         BadScript{"repeat_negative", "1 2 0 *-1"},
                                         BadScript{"repeat_without_star", "1 2 0 4"},
                                         BadScript{"repeat_apart", "1 2 0 * 4"}),
                         [](const testing::TestParamInfo<BadScript>& param) { return std::string(param.param.name); });

TEST_F(Runtime, UnreadableScriptEndsWithStatus2) {
  const Outcome r = run({"begin", "mouse"}, "no-such-script.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no-such-script.txt"), std::string::npos) << r.err;
}

TEST_F(Runtime, UnknownNamesAreWarnedAndTraced) {
  const Outcome r = run({"begin", "load=scene.anm", "link=A.NOPE@0", "link=Z.I16@1", "exec=GONE", "exec=GONE", "end"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("vismo: scene.anm has no variable NOPE in layer A\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("vismo: scene.anm has no variable I16 in layer Z\n"), std::string::npos) << r.err;
  EXPECT_EQ(count_of(r.err, "has no command GONE"), 1U) << r.err;
  EXPECT_EQ(r.trace, "begin 0\nload scene.anm\nlink A NOPE\nlink Z I16\nexec GONE\nexec GONE\nend\n");
}

TEST_F(Runtime, FailedLoadIsReportedAndTheRunGoesOn) {
  write_file(dir_ + "/bad.anm", "vismo 1\nlayer A\n  int16 X\nend\nwobble\n");
  const Outcome r = run({"begin", "load=bad.anm", "link=A.X@0", "exec=DRAW", "mouse", "end"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("bad.anm:5:1: unknown statement `wobble`\n"), std::string::npos) << r.err;
  EXPECT_EQ(count_of(r.err, "\n"), 1U) << r.err;
  EXPECT_EQ(r.trace, "begin 0\nload bad.anm\nlink A X\nexec DRAW\nmouse 0 0 0\nend\n");
}

TEST_F(Runtime, MissingSceneFileIsReported) {
  const Outcome r = run({"begin", "load=absent.anm", "exec=DRAW", "end"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("absent.anm:0:0: cannot open the scene file"), std::string::npos) << r.err;
}

TEST_F(Runtime, CallsOutOfOrderAreReportedAndIgnored) {
  const Outcome r = run({"exec=DRAW", "mouse", "link=A.I16@0", "end", "begin", "begin", "link=A.I16@0",
                         "load=scene.anm", "load=scene.anm", "exec=DRAW", "end", "exec=DRAW", "end"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 0 0\n");
  for (const char* message :
       {"VisExec called outside", "VisMouse called outside", "VisLink called outside", "VisEnd called outside",
        "VisBegin called twice", "VisLink called before VisLoad", "a scene is loaded already"}) {
    EXPECT_NE(r.err.find(message), std::string::npos) << message << "\n" << r.err;
  }
  EXPECT_EQ(r.trace, "begin 0\nlink A I16\nload scene.anm\nload scene.anm\nexec DRAW\nend\n");
}

TEST_F(Runtime, UnwritableTraceEndsWithStatus1) {
  const Outcome r = run({"begin", "end"}, "script.txt", "no-such-dir/trace.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no-such-dir/trace.txt"), std::string::npos) << r.err;
}

TEST_F(Runtime, WithoutScriptOrDisplayEndsWithStatus1) {
  const Outcome r = run({"begin", "end"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("VISMO_SCRIPT"), std::string::npos) << r.err;
  EXPECT_EQ(r.trace, "begin 0\n");
}

TEST_F(Runtime, NoTraceWithoutVismoTrace) {
  const Outcome r = run({"begin", "load=scene.anm", "exec=DRAW", "end"}, "script.txt", "");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.trace, "");
  EXPECT_EQ(r.err, "");
}

}  // namespace
