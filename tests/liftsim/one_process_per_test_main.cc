// The simulation keeps its state in program-wide variables that are zero
// only at program load, so every test must start in a fresh process. Run
// without a filter, this main runs each test in a child process of its own;
// ctest already runs one test per process through its filter.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const std::string filter = GTEST_FLAG_GET(filter);
  if (filter != "*" || GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

  std::vector<std::string> names;
  const auto& unit = *testing::UnitTest::GetInstance();
  for (int i = 0; i < unit.total_test_suite_count(); ++i) {
    const auto& suite = *unit.GetTestSuite(i);
    for (int j = 0; j < suite.total_test_count(); ++j) {
      names.push_back(std::string(suite.name()) + "." + suite.GetTestInfo(j)->name());
    }
  }
  std::vector<std::string> failed;
  for (const auto& name : names) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      GTEST_FLAG_SET(filter, name);
      GTEST_FLAG_SET(brief, true);
      _exit(RUN_ALL_TESTS());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failed.push_back(name);
  }
  std::printf("\n%zu tests in separate processes, %zu failed\n", names.size(), failed.size());
  for (const auto& name : failed) std::printf("  FAILED %s\n", name.c_str());
  return failed.empty() ? 0 : 1;
}
