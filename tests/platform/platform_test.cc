// Starting programs and changing directory on a POSIX host.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

class Platform : public ::testing::Test {
 protected:
  fs::path root;
  fs::path log;
  fs::path saved_cwd = fs::current_path();
  std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "platform-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    log = root / "log";
    fs::create_directories(root / "cwd");
    fs::create_directories(root / "bin");
    fs::current_path(root / "cwd");
    setenv("PATH", (root / "bin").c_str(), 1);
  }
  void TearDown() override {
    fs::current_path(saved_cwd);
    setenv("PATH", saved_path.c_str(), 1);
    fs::remove_all(root);
  }
  // A program that appends "TAG ARGS|CMDSHOW" to the log.
  void stand_in(const fs::path& dir, const std::string& name, const std::string& tag) {
    std::ofstream out(dir / name);
    out << "#!/bin/sh\n"
        << "echo \"" << tag << " $(for a in \"$@\"; do printf '[%s]' \"$a\"; done)|$CMDSHOW\" >> '"
        << log.string() << "'\n";
    out.close();
    fs::permissions(dir / name, fs::perms::owner_all);
  }
  std::string wait_for_log() {
    for (int i = 0; i < 500; ++i) {
      std::ifstream in(log);
      std::string line;
      if (std::getline(in, line)) return line;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "<nothing started>";
  }
};

TEST_F(Platform, StartsAProgramFromPathWithItsShowCodeAndArguments) {
  stand_in(root / "bin", "Tool.exe", "path");
  EXPECT_GT(WinExec("Tool.exe /RESTORE \"two words\"", 1234), 31U);
  EXPECT_EQ(wait_for_log(), "path [/RESTORE][two words]|1234");
}

TEST_F(Platform, CurrentDirectoryComesBeforePath) {
  stand_in(root / "bin", "Tool.exe", "path");
  stand_in(root / "cwd", "Tool.exe", "cwd");
  WinExec("Tool.exe", 5);
  EXPECT_EQ(wait_for_log(), "cwd |5");
}

TEST_F(Platform, LeavesNoChildBehind) {
  stand_in(root / "bin", "Tool.exe", "path");
  WinExec("Tool.exe", 1);
  wait_for_log();
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(Platform, MissingProgramIsAQuietFailure) {
  EXPECT_EQ(WinExec("Nothing.exe", 1), 0U);
  EXPECT_EQ(WinExec("", 1), 0U);
  EXPECT_EQ(WinExec(nullptr, 1), 0U);
  // A file that cannot be executed is not started either.
  std::ofstream(root / "cwd" / "Plain.exe") << "not a program\n";
  EXPECT_EQ(WinExec("Plain.exe", 1), 0U);
}

TEST_F(Platform, ChangesTheWorkingDirectory) {
  EXPECT_NE(SetCurrentDirectoryA(".."), 0);
  EXPECT_EQ(fs::current_path(), fs::canonical(root));
  EXPECT_EQ(SetCurrentDirectoryA("no-such-directory"), 0);
  EXPECT_EQ(fs::current_path(), fs::canonical(root));
}

}  // namespace
